#include "protocol/scan_entry.h"

#include <gtest/gtest.h>

namespace ombrel {
namespace {

TEST(ScanEntry, NetworkName) {
  const struct {
    std::u16string entry;
    std::u16string name;
  } cases[] = {
      {u"+CWLAP:(3,\"Home\",-60,\"aa:bb:cc:dd:ee:ff\",6)", u"Home"},
      {u"+CWLAP:(0,\"\",-71,\"aa:bb:cc:dd:ee:01\",1)", u""},
      {u"+CWLAP:(4,\"Caf\u00E9 \"Blue\",-80,\"aa:bb:cc:dd:ee:02\",11)", u"Caf\u00E9 \"Blue"},
      {std::u16string(u"+CWLAP:(3,\"Kirrowind\",-40)\0\0\0", 30), u"Kirrowind"},
      {u"no marks at all", u""},
      {u"+CWLAP:(3,\"Home", u""},                  // no closing mark
      {u"xHome\",-60", u"Home"},                   // no opening mark: from the second character
      {u"\",", u""},
      {u"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NetworkNameFromScanEntry(c.entry), c.name)
        << std::string(c.entry.begin(), c.entry.end());
  }
}

TEST(ScanEntryDetails, EveryFieldTheModuleListsAndNothingWhereOneIsMissingOrWrong) {
  const struct {
    std::u16string entry;
    std::u16string name;
    std::optional<int> encryption, rssi;
    std::u16string mac;
    std::optional<int> channel;
  } cases[] = {
      {u"+CWLAP:(3,\"Home\",-60,\"aa:bb:cc:dd:ee:ff\",6)", u"Home", 3, -60, u"aa:bb:cc:dd:ee:ff", 6},
      {std::u16string(u"+CWLAP:(0,\"\",-71,\"aa:bb:cc:dd:ee:01\",13)\0\0", 42), u"", 0, -71, u"aa:bb:cc:dd:ee:01", 13},
      // A name with a quote and a comma keeps the window's reading of it.
      {u"+CWLAP:(4,\"A\",B\",-80,\"m\",11)", u"A", 4, std::nullopt, u"", std::nullopt},
      {u"+CWLAP:(3,\"Kirrowind\",-40)", u"Kirrowind", 3, -40, u"", std::nullopt},
      {u"+CWLAP:(x,\"Home\",strong,\"mac\",six)", u"Home", std::nullopt, std::nullopt, u"mac", std::nullopt},
      {u"+CWLAP:(3,\"Home\",-60,\"unterminated", u"Home", 3, -60, u"", std::nullopt},
      {u"+CWLAP:(3,\"Home\",-99999999,\"m\",6)", u"Home", 3, std::nullopt, u"m", 6},
      {u"no marks at all", u"", std::nullopt, std::nullopt, u"", std::nullopt},
      {u"", u"", std::nullopt, std::nullopt, u"", std::nullopt},
  };
  for (const auto& c : cases) {
    const ScanEntryDetails d = ScanEntryDetailsOf(c.entry);
    const std::string shown(c.entry.begin(), c.entry.end());
    EXPECT_EQ(d.name, c.name) << shown;
    EXPECT_EQ(d.encryption, c.encryption) << shown;
    EXPECT_EQ(d.rssi, c.rssi) << shown;
    EXPECT_EQ(d.mac, c.mac) << shown;
    EXPECT_EQ(d.channel, c.channel) << shown;
  }
}

}  // namespace
}  // namespace ombrel

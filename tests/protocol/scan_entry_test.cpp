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

}  // namespace
}  // namespace ombrel

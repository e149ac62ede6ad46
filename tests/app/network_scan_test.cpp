#include <gtest/gtest.h>

#include <QComboBox>

#include "tests/app/unit_fixture.h"

namespace {

class NetworkScanTest : public UnitFixture {
 protected:
  // An input report of parameter 4 carrying one entry of the module's list.
  static std::vector<std::uint8_t> ScanAnswer(const std::string& entry) {
    std::vector<std::uint8_t> report(65, 0);
    report[0] = 1;
    report[1] = Param_Wi_Fi_scan;
    report[2] = static_cast<std::uint8_t>(entry.size());
    std::copy(entry.begin(), entry.end(), report.begin() + 3);
    return report;
  }

  static std::vector<std::vector<std::uint8_t>> ScanCommands() {
    return Concat({Frames(4, Byte(1)), Frames(1, u"AT+CWQAP\r\n"), Frames(1, u"AT+CWMODE_DEF=1\r\n"),
                   Frames(1, u"AT+CWLAP\r\n")});
  }

  static std::vector<std::vector<std::uint8_t>> ClosingSequence() {
    return Concat({Frames(4, Byte(0)), Frames(3, Byte(0)), Frames(3, Byte(1))});
  }
};

TEST_F(NetworkScanTest, ThreeNetworksFillTheListAndTheScanClosesOnce) {
  auto& unit = StartWithQuietUnit();
  unit.Model().SetVisibleNetworks({{3, "Home", -60, "aa:bb:cc:dd:ee:01", 6},
                                   {4, "Neighbour 5G", -75, "aa:bb:cc:dd:ee:02", 11},
                                   {0, "Cafe", -82, "aa:bb:cc:dd:ee:03", 1}});
  TForm1& f = *form;
  const std::size_t before = unit.Device().OutputReportCount();
  pauseMarks.clear();
  QTest::mouseClick(f.Button_Search_Wi_Fi, Qt::LeftButton);
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QStringLiteral("Please wait..."));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->count(), 0);
  EXPECT_EQ(WrittenSince(unit, before), ScanCommands());
  EXPECT_EQ(pauseMarks, (std::vector<std::pair<unsigned, std::size_t>>{{100, before + 2}, {100, before + 3}}));
  EXPECT_TRUE(f.Timer1->isActive());

  ASSERT_TRUE(WaitFor([&] { return f.ComboBox_Wi_Fi_name->count() == 3; }));
  EXPECT_FALSE(f.Timer1->isActive());
  EXPECT_TRUE(f.Timer2->isActive());
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->itemText(0), QStringLiteral("Home"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->itemText(1), QStringLiteral("Neighbour 5G"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->itemText(2), QStringLiteral("Cafe"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentIndex(), 0);

  // 1.5 s after the first answer the module is restarted, once.
  ASSERT_TRUE(WaitFor([&] { return !f.Timer2->isActive(); }));
  QTest::qWait(300);
  const auto afterCommands = WrittenSince(unit, before + ScanCommands().size());
  EXPECT_EQ(afterCommands, ClosingSequence());
  EXPECT_EQ(pauses.back(), 200u);
}

TEST_F(NetworkScanTest, NameIsTakenBetweenTheMarks) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  const struct {
    const char* entry;
    const char* name;
  } cases[] = {
      {"+CWLAP:(3,\"Home\",-60,\"aa:bb:cc:dd:ee:ff\",6)", "Home"},
      {"+CWLAP:(3,\"\",-60,\"aa:bb:cc:dd:ee:ff\",6)", ""},
      {"noise,\"Attic \"AP\",tail", "Attic \"AP"},
      {"xHome\",rest", "Home"},  // no opening mark: the name starts at the second character
      {"+CWLAP:(3,\"Home", ""},  // no closing mark
  };
  for (const auto& c : cases) ASSERT_TRUE(unit.Device().PushInputReport(ScanAnswer(c.entry)));
  ASSERT_TRUE(WaitFor([&] { return f.ComboBox_Wi_Fi_name->count() == 5; }));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(f.ComboBox_Wi_Fi_name->itemText(i), QString::fromLatin1(cases[i].name)) << i;
  // An answer while idle starts the closing time all the same.
  EXPECT_TRUE(f.Timer2->isActive());
}

TEST_F(NetworkScanTest, SilentModuleIsAskedAgainUntilItAnswers) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  const std::size_t before = unit.Device().OutputReportCount();
  QTest::mouseClick(f.Button_Search_Wi_Fi, Qt::LeftButton);
  EXPECT_TRUE(f.Timer1->isActive());
  EXPECT_EQ(f.Timer1->interval(), 2000);
  f.Timer1Timer(f.Timer1);  // a tick of the repeat
  const auto commands = ScanCommands();
  EXPECT_EQ(WrittenSince(unit, before), Concat({commands, commands}));
  EXPECT_FALSE(f.Timer2->isActive());
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->count(), 0);
}

TEST_F(NetworkScanTest, SecondPressWhileTheModuleIsAskedKeepsTheRepeatSchedule) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  QTest::mouseClick(f.Button_Search_Wi_Fi, Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return f.Timer1->remainingTime() <= 1500; }));
  const std::size_t before = unit.Device().OutputReportCount();
  QTest::mouseClick(f.Button_Search_Wi_Fi, Qt::LeftButton);
  EXPECT_TRUE(f.Timer1->isActive());
  EXPECT_LE(f.Timer1->remainingTime(), 1500);
  // The press itself still clears the list and sends the commands.
  EXPECT_EQ(WrittenSince(unit, before), ScanCommands());
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QStringLiteral("Please wait..."));
}

TEST_F(NetworkScanTest, SpacedAnswersCloseTheScanOneAndAHalfSecondsAfterTheFirst) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  ASSERT_TRUE(unit.Device().PushInputReport(ScanAnswer("+CWLAP:(3,\"First\",-60,\"aa:bb:cc:dd:ee:01\",6)")));
  ASSERT_TRUE(WaitFor([&] { return f.ComboBox_Wi_Fi_name->count() == 1; }));
  ASSERT_TRUE(f.Timer2->isActive());
  const std::size_t before = unit.Device().OutputReportCount();
  // The second answer comes well into the collection time.
  ASSERT_TRUE(WaitFor([&] { return f.Timer2->remainingTime() <= 700; }));
  const int remaining = f.Timer2->remainingTime();
  ASSERT_TRUE(unit.Device().PushInputReport(ScanAnswer("+CWLAP:(4,\"Second\",-70,\"aa:bb:cc:dd:ee:02\",1)")));
  ASSERT_TRUE(WaitFor([&] { return f.ComboBox_Wi_Fi_name->count() == 2; }));
  EXPECT_TRUE(f.Timer2->isActive());
  EXPECT_LE(f.Timer2->remainingTime(), remaining);
  ASSERT_TRUE(WaitFor([&] { return !f.Timer2->isActive(); }));
  EXPECT_EQ(WrittenSince(unit, before), ClosingSequence());
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->itemText(1), QStringLiteral("Second"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentIndex(), 0);
}

}  // namespace

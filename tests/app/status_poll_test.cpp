#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/control_colours.h"
#include "protocol/read_back_walk.h"
#include "tests/app/unit_fixture.h"

namespace {

class StatusPollTest : public UnitFixture {
 protected:
  // One poll tick; returns what it wrote.
  std::vector<std::vector<std::uint8_t>> Poll(ombrel::sim::SimulatedUnit& unit) {
    const std::size_t before = unit.Device().OutputReportCount();
    pauseMarks.clear();
    form->Timer3Timer(form->Timer3);
    return WrittenSince(unit, before);
  }
};

TEST_F(StatusPollTest, PollAsksForTheFilterTimeOnlyWhileItsPageShows) {
  auto& unit = StartWithQuietUnit();
  form->show();
  const std::size_t before = unit.Device().OutputReportCount();
  EXPECT_EQ(Poll(unit), (std::vector<std::vector<std::uint8_t>>{ReadRequestReport(34), ReadRequestReport(41)}));
  EXPECT_EQ(pauseMarks, (std::vector<std::pair<unsigned, std::size_t>>{{20, before + 1}}));

  form->PageControl->setCurrentWidget(form->Filter);
  EXPECT_EQ(Poll(unit), (std::vector<std::vector<std::uint8_t>>{ReadRequestReport(34), ReadRequestReport(41),
                                                                ReadRequestReport(38)}));
  EXPECT_EQ(pauses.size(), 3u);
}

TEST_F(StatusPollTest, FilterTimeIsAskedForOnlyWhileTheWindowIsShown) {
  auto& unit = StartWithQuietUnit();
  form->PageControl->setCurrentWidget(form->Filter);
  const std::vector<std::vector<std::uint8_t>> states = {ReadRequestReport(34), ReadRequestReport(41)};
  const std::vector<std::vector<std::uint8_t>> withFilter = {ReadRequestReport(34), ReadRequestReport(41),
                                                             ReadRequestReport(38)};
  ASSERT_FALSE(form->isVisible());
  EXPECT_EQ(Poll(unit), states);
  form->show();
  EXPECT_EQ(Poll(unit), withFilter);
  form->hide();
  EXPECT_EQ(Poll(unit), states);
}

TEST_F(StatusPollTest, FilterLabelShowsTheRunTime) {
  auto& unit = StartWithQuietUnit();
  form->show();
  form->PageControl->setCurrentWidget(form->Filter);
  const struct {
    std::uint32_t seconds;
    const char* text;
  } cases[] = {
      {0, "Days: 00    Hours: 00    Minutes: 00    Seconds: 00"},
      {90061, "Days: 01    Hours: 01    Minutes: 01    Seconds: 01"},
      {16777215, "Days: 194    Hours: 04    Minutes: 20    Seconds: 15"},
  };
  for (const auto& c : cases) {
    unit.Model().SetFilterRunSeconds(c.seconds);
    form->Label_Timer_filter->clear();
    Poll(unit);
    EXPECT_TRUE(WaitFor([&] { return form->Label_Timer_filter->text() == QString::fromLatin1(c.text); }))
        << c.text << " shown as " << form->Label_Timer_filter->text().toStdString();
  }

  // Another page: the label keeps its last text.
  form->PageControl->setCurrentWidget(form->Fan);
  unit.Model().SetFilterRunSeconds(5);
  Poll(unit);
  Settle();
  EXPECT_EQ(form->Label_Timer_filter->text(), QString::fromLatin1(cases[2].text));
}

TEST_F(StatusPollTest, StatePanelsFollowTheAnswersInTheCurrentLanguage) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  unit.Model().SetWiFiState(2);  // any value but 0 is connected
  unit.Model().SetMasterState(0);
  Poll(unit);
  ASSERT_TRUE(WaitFor([&] { return f.Panel_Wi_Fi_State_connection->text() == QStringLiteral("Wi-Fi Connected"); }));
  EXPECT_EQ(BackgroundColour(f.Panel_Wi_Fi_State_connection), kStateGreen);
  EXPECT_EQ(f.Panel_Master_State_connection->text(), QStringLiteral("Master Disconnected"));
  EXPECT_EQ(BackgroundColour(f.Panel_Master_State_connection), kStateRed);

  // A language switch leaves them until the next answer.
  LanguageIndex = LangRus;
  f.ApplyLanguage();
  EXPECT_EQ(f.Panel_Wi_Fi_State_connection->text(), QStringLiteral("Wi-Fi Connected"));
  unit.Model().SetMasterState(1);
  Poll(unit);
  ASSERT_TRUE(WaitFor([&] { return f.Panel_Wi_Fi_State_connection->text() == Utf8(LangStrings[27][LangRus]); }));
  ASSERT_TRUE(WaitFor([&] { return f.Panel_Master_State_connection->text() == Utf8(LangStrings[29][LangRus]); }));
  EXPECT_EQ(BackgroundColour(f.Panel_Master_State_connection), kStateGreen);
}

TEST_F(StatusPollTest, PollWithoutAUnitWritesAndShowsNothing) {
  StartForm();
  Settle();
  ASSERT_EQ(CurrentDevice, nullptr);
  form->Timer3Timer(form->Timer3);
  EXPECT_TRUE(pauses.empty());
  EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(StatusPollTest, RestoreDefaultsThenReadsTheRestoredSettingsBack) {
  auto& unit = StartWithQuietUnit();
  unit.Model().SetText(Param_Wi_Fi_name, "Birchwood");
  const std::size_t before = unit.Device().OutputReportCount();
  QTest::mouseClick(form->Button_Restore_default_parameters, Qt::LeftButton);
  const auto written = WrittenSince(unit, before);
  ASSERT_GE(written.size(), 3u);
  EXPECT_EQ(std::vector(written.begin(), written.begin() + 3),
            Concat({Frames(13, Byte(1)), Frames(39, Byte(0)), {ReadRequestReport(5)}}));
  EXPECT_EQ(pauseMarks.front(), (std::pair<unsigned, std::size_t>{200, before + 2}));
  // The walk that follows shows the factory settings.
  ASSERT_TRUE(WaitFor([&] { return unit.Device().OutputReportCount() == before + 2 + ombrel::kReadBackLength; }));
  ASSERT_TRUE(WaitFor([&] { return form->ComboBox_Wi_Fi_name->currentText() == QStringLiteral("Kirrowind_Pendra"); }));
  EXPECT_TRUE(unit.Model().SettingsTransferOpen());  // the unit is not told the transfer ended
}

TEST_F(StatusPollTest, ResetFilterTimerWritesOnlyTheReset) {
  auto& unit = StartWithQuietUnit();
  unit.Model().SetFilterRunSeconds(90061);
  const std::size_t before = unit.Device().OutputReportCount();
  QTest::mouseClick(form->Button_Reset_filter_timer, Qt::LeftButton);
  EXPECT_EQ(WrittenSince(unit, before), Frames(40, Byte(0)));
  EXPECT_EQ(unit.Model().FilterRunSeconds(), 0u);
}

// Every command that needs a unit asks for one, in the current language,
// and writes nothing.
TEST_F(StatusPollTest, CommandsWithoutAUnitAskForOne) {
  storedLanguage = LangDeu;
  StartForm();
  Settle();
  TForm1& f = *form;
  f.ComboBox_Wi_Fi_name->addItem(QStringLiteral("Kept"));
  QAbstractButton* buttons[] = {f.Button_Get_current_parameters, f.Button_Restore_default_parameters,
                                f.Button_Reset_filter_timer,     f.Button_Apply_Save_Wi_Fi,
                                f.Button_Apply_Save_Fan,         f.Button_Search_Wi_Fi};
  for (QAbstractButton* button : buttons) {
    messages.boxes.clear();
    // Hidden buttons are pressed the way their handlers are reached.
    button->click();
    ASSERT_EQ(messages.boxes.size(), 1u) << button->objectName().toStdString();
    EXPECT_EQ(messages.boxes[0].second, QStringLiteral("Gerät wählen"));
  }
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->count(), 1);
  EXPECT_FALSE(f.Timer1->isActive());
  EXPECT_TRUE(pauses.empty());
}

}  // namespace

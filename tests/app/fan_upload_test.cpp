#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>

#include "app/jv_time_edit.h"
#include "tests/app/unit_fixture.h"

namespace {

class FanUploadTest : public UnitFixture {};

TEST_F(FanUploadTest, ThirteenWritesWithTimesAsThreeBytes) {
  auto& unit = StartWithQuietUnit("Pendra");  // the model without the DUO panel
  TForm1& f = *form;
  f.JvTimeEdit_Timer_after_reacting_any_sensor->setText(QStringLiteral("01:30"));
  f.JvTimeEdit_Timer_night_mode->setText(QStringLiteral("23:59"));
  f.JvTimeEdit_Timer_party_mode->setText(QStringLiteral("00:00"));
  const std::size_t before = unit.Device().OutputReportCount();
  pauses.clear();
  QTest::mouseClick(f.Button_Apply_Save_Fan, Qt::LeftButton);

  const auto expected = Concat({
      Frames(13, Byte(1)),
      Frames(24, Byte(1)),
      Frames(25, Byte(0)),     // supply
      Frames(26, Byte(1)),
      Frames(27, Byte(1)),
      Frames(28, Byte(1)),
      Frames(29, Byte(70)),    // position 14
      Frames(30, Byte(50)),    // position 10
      Frames(33, std::u16string{0x00, 0x15, 0x18}),
      Frames(31, std::u16string{0x01, 0x51, 0x44}),  // 86,340 s
      Frames(32, std::u16string(3, u'\0')),
      Frames(43, Byte(1)),     // the hidden pair's default: boost and exhaust
      Frames(13, Byte(0)),
  });
  EXPECT_EQ(WrittenSince(unit, before), expected);
  EXPECT_TRUE(pauses.empty());  // the writes follow one another without pauses
  EXPECT_EQ(unit.Model().StoredValue(Param_Timer_night_mode), (std::vector<std::uint8_t>{0x01, 0x51, 0x44}));
}

TEST_F(FanUploadTest, ChangedControlsGoOut) {
  auto& unit = StartWithQuietUnit();
  TForm1& f = *form;
  f.CheckBox_Available_OFF_device->setChecked(false);
  f.RadioButton_Exhaust->setChecked(true);
  f.CheckBox_External_sensor1->setChecked(false);
  f.TrackBar_Humidity_sensor->setValue(16);
  f.TrackBar_External_sensor2->setValue(1);
  f.RadioButton_Supply_Exhaust_DUO->setChecked(true);
  const std::size_t before = unit.Device().OutputReportCount();
  QTest::mouseClick(f.Button_Apply_Save_Fan, Qt::LeftButton);
  const auto written = WrittenSince(unit, before);
  ASSERT_EQ(written.size(), 13u);
  const std::pair<std::size_t, std::uint8_t> values[] = {{1, 0}, {2, 1}, {4, 0}, {6, 80}, {7, 5}, {11, 0}};
  for (const auto& [index, value] : values) EXPECT_EQ(written[index][3], value) << "write " << index;
}

}  // namespace

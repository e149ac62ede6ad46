// "Apply/Save" of the Fan page: every fan setting goes to the unit in one
// transfer, both direction pairs whichever model is shown.

#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>

#include "app/jv_time_edit.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "i18n/lang_qt.h"
#include "protocol/value_layouts.h"

using namespace ombrel;

namespace {

std::u16string Flag(bool on) { return EncodeByte(on ? 1 : 0); }

// The field's text is always HH:MM; hours and minutes are read from it as
// the unit's one-byte numbers.
std::u16string SecondsOf(const TJvTimeEdit* field) {
  const QString text = field->text();
  const auto hours = static_cast<std::uint8_t>(text.mid(0, 2).toUInt());
  const auto minutes = static_cast<std::uint8_t>(text.mid(3, 2).toUInt());
  return EncodeSeconds(hours * 3600u + minutes * 60u);
}

}  // namespace

void TForm1::Button_Apply_Save_FanClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  SendParameter(Param_Settings_transfer, EncodeByte(1));
  SendParameter(Param_Available_OFF_device, Flag(CheckBox_Available_OFF_device->isChecked()));
  SendParameter(Param_Direction, Flag(RadioButton_Exhaust->isChecked()));
  SendParameter(Param_Humidity_sensor, Flag(CheckBox_Humidity_sensor->isChecked()));
  SendParameter(Param_External_sensor1, Flag(CheckBox_External_sensor1->isChecked()));
  SendParameter(Param_External_sensor2, Flag(CheckBox_External_sensor2->isChecked()));
  SendParameter(Param_Humidity_sensor_threshold, EncodeByte(static_cast<std::uint8_t>(TrackBar_Humidity_sensor->value() * 5)));
  SendParameter(Param_External_sensor2_threshold,
                EncodeByte(static_cast<std::uint8_t>(TrackBar_External_sensor2->value() * 5)));
  SendParameter(Param_Timer_after_reacting_any_sensor, SecondsOf(JvTimeEdit_Timer_after_reacting_any_sensor));
  SendParameter(Param_Timer_night_mode, SecondsOf(JvTimeEdit_Timer_night_mode));
  SendParameter(Param_Timer_party_mode, SecondsOf(JvTimeEdit_Timer_party_mode));
  SendParameter(Param_Direction_DUO, Flag(RadioButton_Exhaust_DUO->isChecked()));
  SendParameter(Param_Settings_transfer, EncodeByte(0));
}

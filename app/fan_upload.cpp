// "Apply/Save" of the Fan page: the page's controls go to the unit work,
// both direction pairs whichever model is shown.

#include <QCheckBox>
#include <QRadioButton>
#include <QSlider>

#include "app/jv_time_edit.h"
#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "app/window_link.h"
#include "protocol/conversions.h"
#include "protocol/fan_upload.h"

using namespace ombrel;

namespace {

// The field's text is always HH:MM.
std::uint32_t SecondsOf(const TJvTimeEdit* field) {
  return SecondsFromTimeText(field->text().toStdString()).value_or(0);
}

}  // namespace

void TForm1::Button_Apply_Save_FanClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  FanPage page;
  page.offAllowed = CheckBox_Available_OFF_device->isChecked();
  page.exhaust = RadioButton_Exhaust->isChecked();
  page.humiditySensor = CheckBox_Humidity_sensor->isChecked();
  page.relaySensor = CheckBox_External_sensor1->isChecked();
  page.sensor0To10V = CheckBox_External_sensor2->isChecked();
  page.humidityPosition = TrackBar_Humidity_sensor->value();
  page.sensor0To10VPosition = TrackBar_External_sensor2->value();
  page.turnOffDelay = SecondsOf(JvTimeEdit_Timer_after_reacting_any_sensor);
  page.nightMode = SecondsOf(JvTimeEdit_Timer_night_mode);
  page.partyMode = SecondsOf(JvTimeEdit_Timer_party_mode);
  page.boostAndExhaust = RadioButton_Exhaust_DUO->isChecked();
  UploadFan(page, WindowLink());
}

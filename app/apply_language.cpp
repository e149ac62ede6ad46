// Captions the window in the language of LanguageIndex. Sets texts only: no
// handler of the window runs as a result.

#include "app/lang_qt.h"
#include "app/main_window.h"
#include "protocol/conversions.h"

void TForm1::ApplyLanguage() {
  SetLabelText(Label_Choose_device, LangQ(0));
  SetLabelText(Label_Choose_device_mode, LangQ(1));
  SetLabelText(Label_Choose_type_of_connection, LangQ(2));
  RadioButton_master->setText(LangQ(3));
  RadioButton_slave->setText(LangQ(4));
  RadioButton_without_router->setText(LangQ(5));
  RadioButton_with_router->setText(LangQ(6));
  Button_Get_current_parameters->setText(LangQ(7));
  Button_Restore_default_parameters->setText(LangQ(8));
  PageControl->setTabText(PageControl->indexOf(Wi_Fi), LangQ(9));
  PageControl->setTabText(PageControl->indexOf(Fan), LangQ(10));
  PageControl->setTabText(PageControl->indexOf(Filter), LangQ(11));
  Button_Search_Wi_Fi->setText(LangQ(12));
  SetLabelText(Label_Wi_Fi_name, LangQ(13));
  SetLabelText(Label_type_security, LangQ(14));
  // A master without a router is the access point and needs a new password.
  SetLabelText(Label_Password,
               LangQ(RadioButton_master->isChecked() && RadioButton_without_router->isChecked() ? 19 : 20));
  SetLabelText(Label_Wi_Fi_channel, LangQ(21));
  SetLabelText(Label_IP_Master, LangQ(22));
  SetLabelText(Label_IP_Slave, LangQ(23));
  SetLabelText(Label_Number_Slave, LangQ(24));
  // With a unit selected the state panels keep their texts until its next
  // status report re-captions them.
  if (CurrentDevice == nullptr) {
    SetLabelText(Panel_Wi_Fi_State_connection, LangQ(28));
    SetLabelText(Panel_Master_State_connection, LangQ(30));
  }
  Button_Apply_Save_Wi_Fi->setText(LangQ(31));
  Button_Apply_Save_Fan->setText(LangQ(31));
  CheckBox_Available_OFF_device->setText(LangQ(32));
  SetLabelText(Label_Direction, LangQ(33));
  RadioButton_Supply->setText(LangQ(34));
  RadioButton_Exhaust->setText(LangQ(35));
  SetLabelText(Label_Humidity_sensor, QString::number(ombrel::PercentFromTrackBarPosition(TrackBar_Humidity_sensor->value())) + LangQ(36));
  SetLabelText(Label_Timer_filter, FilterTimeText(0));
  Button_Reset_filter_timer->setText(LangQ(41));
  SetLabelText(Label_S_N, LangQ(42));
  SetLabelText(Label_Language, LangQ(43));
  PageControl->setTabText(PageControl->indexOf(Information), LangQ(44));
  SetLabelText(Label_Turn_off_timer, LangQ(45));
  SetLabelText(Label_Timer_night_mode, LangQ(46));
  SetLabelText(Label_Timer_party_mode, LangQ(47));
  CheckBox_Humidity_sensor->setText(LangQ(48));
  CheckBox_External_sensor1->setText(LangQ(49));
  CheckBox_External_sensor2->setText(LangQ(50));
  SetLabelText(Label_Versio_of_program, LangQ(51) + QString::fromStdString(ProgramVersion));
  SetLabelText(Label_Create_By, LangQ(52));
  SetLabelText(Label_User_Manual, LangQ(53));
  // A selected entry shows its own text.
  if (ComboBox_Choose_device->currentIndex() == -1) ComboBox_Choose_device->setEditText(LangQ(54));
  RadioButton_Supply_Exhaust_DUO->setText(LangQ(60));
  RadioButton_Exhaust_DUO->setText(LangQ(61));
  SetLabelText(Label_Direction_DUO, LangQ(62));
  SetLabelText(Label_Gateway, LangQ(63));
}

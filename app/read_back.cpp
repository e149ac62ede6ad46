// The unit's answers: every input report of the selected unit is decoded by
// its parameter and put into the window as the unit work decides; an answer
// of the settings walk asks for the next parameter at once.

#include <QComboBox>
#include <QMessageBox>

#include "app/jv_ip_address.h"
#include "app/jv_time_edit.h"
#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "app/typing_limit.h"
#include "app/window_link.h"
#include "protocol/conversions.h"
#include "protocol/device_settings.h"
#include "protocol/input_decoding.h"
#include "protocol/read_back.h"

using namespace ombrel;

namespace {

QString Shown(const std::u16string& text) { return QString::fromStdU16String(std::u16string(ShownText(text))); }

QString Dotted(const Ipv4Octets& octets) { return QString::fromStdString(DottedText(octets)); }

// 1 checks one button, 0 the other; any other value changes nothing.
void CheckByByte(std::uint8_t value, QAbstractButton* onOne, QAbstractButton* onZero) {
  if (const auto one = FlagOfByte(value)) (*one ? onOne : onZero)->setChecked(true);
}

void SetCheckByByte(std::uint8_t value, QAbstractButton* box) {
  if (const auto on = FlagOfByte(value)) box->setChecked(*on);
}

// A value with no item leaves the list without a selection: an upload that
// takes its number then fails instead of sending a value the unit lacks.
void SelectOrClear(QComboBox* box, int index) { box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1); }

}  // namespace

void TForm1::Button_Get_current_parametersClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  StartReadBack(WindowLink());
}

void TForm1::JvHidDeviceController1DeviceData(TJvHidDevice* HidDev, std::uint8_t, const std::uint8_t* Data,
                                              std::uint16_t Size) {
  if (HidDev != CurrentDevice || Data == nullptr) return;
  const auto answer = DecodeDeviceData({Data, Size});
  if (!answer) return;  // an ID the unit does not send, or a report too short for its value
  const InputParameter& a = *answer;
  StoreReadBackAnswer(DeviceSettings, a);

  switch (a.id) {
    case Param_AT_command: break;  // the module's replies are not shown
    case Param_Wi_Fi_scan: ScanAnswer(a); break;
    case Param_Device_mode: CheckByByte(a.byte, RadioButton_master, RadioButton_slave); break;
    case Param_Type_of_connection:
      // For a slave the connection type follows from the network name instead.
      if (DeviceSettings.role == 1) {
        if (const auto withRouter = MasterWithRouterOfConnectionType(a.byte))
          (*withRouter ? RadioButton_with_router : RadioButton_without_router)->setChecked(true);
      }
      break;
    case Param_Wi_Fi_name: {
      const QString name = Shown(a.text);
      SetWholeText(ComboBox_Wi_Fi_name->lineEdit(), name);
      if (DeviceSettings.role == 0) {
        (SlaveJoinsRouter(name.toStdU16String()) ? RadioButton_with_router : RadioButton_without_router)
            ->setChecked(true);
      }
      break;
    }
    case Param_Wi_Fi_password: SetWholeText(Edit_Password, Shown(a.text)); break;
    case Param_Number_Slave: SelectOrClear(ComboBox_Number_Slave, a.byte); break;
    case Param_IP_Slave_mode:
      if (const auto index = SlaveAddressIndexOfMode(a.byte)) ComboBox_IP_Slave->setCurrentIndex(*index);
      ComboBox_IP_SlaveChange(ComboBox_IP_Slave);
      break;
    case Param_IP_Slave: JvIPAddress_IP_Slave->SetText(Dotted(a.address)); break;
    case Param_IP_Master: JvIPAddress_IP_Master->SetText(Dotted(a.address)); break;
    case Param_Wi_Fi_channel: SelectOrClear(ComboBox_Wi_Fi_channel, int(a.byte) - 1); break;
    case Param_Security_Wi_Fi:
      if (const auto index = SecurityIndexFromDigit(a.byte)) ComboBox_Security_WI_FI->setCurrentIndex(*index);
      ComboBox_Security_WI_FIChange(ComboBox_Security_WI_FI);
      break;
    case Param_Available_OFF_device: SetCheckByByte(a.byte, CheckBox_Available_OFF_device); break;
    case Param_Direction: CheckByByte(a.byte, RadioButton_Exhaust, RadioButton_Supply); break;
    case Param_Humidity_sensor: SetCheckByByte(a.byte, CheckBox_Humidity_sensor); break;
    case Param_External_sensor1: SetCheckByByte(a.byte, CheckBox_External_sensor1); break;
    case Param_External_sensor2: SetCheckByByte(a.byte, CheckBox_External_sensor2); break;
    case Param_Humidity_sensor_threshold:
      TrackBar_Humidity_sensor->setValue(TrackBarPositionFromPercent(a.byte, kHumidityTrackBar));
      break;
    case Param_External_sensor2_threshold:
      TrackBar_External_sensor2->setValue(TrackBarPositionFromPercent(a.byte, kExternalSensor2TrackBar));
      break;
    case Param_Timer_after_reacting_any_sensor: JvTimeEdit_Timer_after_reacting_any_sensor->SetSeconds(a.seconds); break;
    case Param_Timer_night_mode: JvTimeEdit_Timer_night_mode->SetSeconds(a.seconds); break;
    case Param_Timer_party_mode: JvTimeEdit_Timer_party_mode->SetSeconds(a.seconds); break;
    case Param_Direction_DUO: CheckByByte(a.byte, RadioButton_Exhaust_DUO, RadioButton_Supply_Exhaust_DUO); break;
    case Param_Gateway: JvGateway->SetText(Dotted(a.address)); break;
    case Param_Wi_Fi_State_connection: WiFiStateAnswer(a); break;
    case Param_Master_State_connection: MasterStateAnswer(a); break;
    case Param_Timer_filter: FilterTimeAnswer(a); break;
    case Param_Serial_number: SetLabelText(Label_Serial_number, Shown(a.text)); break;
    default: return;
  }

  ContinueReadBack(a.id, WindowLink());
}

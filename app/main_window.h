#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>
#include <string>

#include "app/startup_services.h"
#include "app/ui_main_window.h"
#include "hid/hid_controller.h"
#include "hid/platform/hid_platform.h"
#include "protocol/input_decoding.h"
#include "protocol/send_parameter.h"

class QtWindowThread;

// major.minor.release of the program file; empty until FormCreate read it.
extern std::string ProgramVersion;

// The one window of the program. Its controls are laid out in
// main_window.ui and reached by their names (`Form1->RadioButton_master`).
class TForm1 : public QWidget, public Ui::TForm1 {
  Q_OBJECT

 public:
  enum class StartDecision { Run, EndProcess };

  // `platform`: the HID services the window's controller lists devices
  // through; none gives the unbound platform, which lists nothing.
  explicit TForm1(StartupServices services, std::shared_ptr<ombrel::platform::HidPlatform> platform = nullptr,
                  QWidget* parent = nullptr);
  ~TForm1() override;

  // The creation handler: language, single copy, version, captions. Runs
  // once before the window is first shown. EndProcess means the program must
  // end at once without showing the window.
  StartDecision FormCreate();

  // Re-captions the window in the language of LanguageIndex.
  void ApplyLanguage();

  // Handlers, named after the control and its event.
  void ComboBox_LanguageChange(QObject* Sender);
  void RadioButton_masterClick(QObject* Sender);
  void RadioButton_slaveClick(QObject* Sender);
  void RadioButton_without_routerClick(QObject* Sender);
  void RadioButton_with_routerClick(QObject* Sender);
  void ComboBox_Security_WI_FIChange(QObject* Sender);
  void ComboBox_IP_SlaveChange(QObject* Sender);
  void JvIPAddress_IP_MasterKeyUp(QObject* Sender);
  void TrackBar_Humidity_sensorChange(QObject* Sender);
  void TrackBar_External_sensor2Change(QObject* Sender);
  void Label_User_ManualClick(QObject* Sender);
  void ComboBox_Choose_deviceClick(QObject* Sender);
  void Button_Get_current_parametersClick(QObject* Sender);
  void Button_Restore_default_parametersClick(QObject* Sender);
  void Button_Reset_filter_timerClick(QObject* Sender);
  void Button_Apply_Save_Wi_FiClick(QObject* Sender);
  void Button_Apply_Save_FanClick(QObject* Sender);
  void Button_Search_Wi_FiClick(QObject* Sender);

  // The controller's events.
  void JvHidDeviceController1DeviceChange(TJvHidDeviceController* Sender);
  bool JvHidDeviceController1Enumerate(TJvHidDevice* HidDev, int Idx);
  void JvHidDeviceController1DeviceData(TJvHidDevice* HidDev, std::uint8_t ReportID, const std::uint8_t* Data,
                                        std::uint16_t Size);
  void Timer1Timer(QObject* Sender);
  void Timer2Timer(QObject* Sender);
  void Timer3Timer(QObject* Sender);

  QTimer* Timer1;
  QTimer* Timer2;
  QTimer* Timer3;

 private:
  // Declared before the controller: the window thread must outlive it.
  std::unique_ptr<QtWindowThread> FWindowThread;

 public:
  // Created with the layout; its first device-change pass is posted and
  // runs once the event loop runs.
  std::unique_ptr<TJvHidDeviceController> JvHidDeviceController1;

  // Sets a label's text; a label that sizes to its text follows it.
  static void SetLabelText(QLabel* label, const QString& text);

  StartupServices& Services() { return services_; }

 private:
  template <typename Sender, typename Signal>
  void ConnectHandler(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*));
  // A radio button's click: it became checked, by the user or the program.
  void ConnectClick(QRadioButton* button, void (TForm1::*handler)(QObject*));

  // Shows and hides the Wi-Fi page's panels for the checked role and
  // connection type, and captions the password label.
  void ApplyModeTable();
  void DisablePasswordIfOpen();

  // Answers of the network scan and of the status poll.
  void ScanAnswer(const ombrel::InputParameter& answer);
  void WiFiStateAnswer(const ombrel::InputParameter& answer);
  void MasterStateAnswer(const ombrel::InputParameter& answer);
  void FilterTimeAnswer(const ombrel::InputParameter& answer);

  void SetUpControls();
  void ConnectHandlers();
  // Once the start is decided: the first device pass, the device changes
  // and the status poll go ahead. Until then nothing reaches a device.
  void StartDeviceWork();
  // The controller's events, set while it loads with the layout.
  void ConnectDeviceHandlers();

  StartupServices services_;
  bool FDeviceWorkStarted = false;
};

// The filter label's text for a run time in seconds, in the current language.
QString FilterTimeText(std::uint32_t seconds);

// The one window, while it exists.
extern TForm1* Form1;


#include "app/main_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <cstdio>

#include "app/control_colours.h"
#include "app/lang_qt.h"
#include "startup/locale_code.h"
#include "app/qt_window_thread.h"
#include "app/show_message.h"
#include "app/typing_limit.h"
#include "app/wheel_needs_focus.h"
#include "hid/platform/unbound_platform.h"
#include "i18n/lang_strings.h"
#include "protocol/network_scan.h"
#include "protocol/status_poll.h"

std::string ProgramVersion;
TForm1* Form1 = nullptr;

namespace {
constexpr int kWiFiNameMaxLength = 32;
constexpr int kPasswordMaxLength = 60;
// The box a fixed-size label has in the form.
constexpr char kDesignGeometry[] = "designGeometry";
}  // namespace

TForm1::TForm1(StartupServices services, std::shared_ptr<ombrel::platform::HidPlatform> platform, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
  setupUi(this);
  SetUpControls();

  // Held until the start is decided: the controller's first pass and its
  // device changes wait for StartDeviceWork.
  FWindowThread = std::make_unique<QtWindowThread>(/*held=*/true);
  JvHidDeviceController1 = std::make_unique<TJvHidDeviceController>(
      platform ? std::move(platform) : std::make_shared<ombrel::platform::UnboundHidPlatform>(), *FWindowThread);
  JvHidDeviceController1->BeginLoading();
  ConnectDeviceHandlers();
  JvHidDeviceController1->EndLoading();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(ombrel::kScanRepeatInterval);
  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  Timer2->setInterval(ombrel::kScanCollectionTime);
  Timer3 = new QTimer(this);
  Timer3->setObjectName(QStringLiteral("Timer3"));
  Timer3->setInterval(static_cast<int>(ombrel::kStatusPollIntervalMs));

  ConnectHandlers();
  Form1 = this;
}

TForm1::~TForm1() {
  // A start that never went ahead leaves the devices alone to the end: the
  // controller's last pass would list them.
  if (!FDeviceWorkStarted) JvHidDeviceController1->BeginLoading();
  // Devices and their readers go first, while every control still exists.
  JvHidDeviceController1.reset();
  FWindowThread.reset();
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::ConnectDeviceHandlers() {
  JvHidDeviceController1->SetOnEnumerate({this, &TForm1::JvHidDeviceController1Enumerate});
  JvHidDeviceController1->SetOnDeviceChange({this, &TForm1::JvHidDeviceController1DeviceChange});
  JvHidDeviceController1->SetOnDeviceData({this, &TForm1::JvHidDeviceController1DeviceData});
}

void TForm1::SetUpControls() {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(728, 488);

  SetTypingLimit(ComboBox_Wi_Fi_name->lineEdit(), kWiFiNameMaxLength);
  SetTypingLimit(Edit_Password, kPasswordMaxLength);
  auto* wheel = new WheelNeedsFocus(this);
  for (QComboBox* list : findChildren<QComboBox*>()) wheel->Watch(list);
  // The first control of the tab order, so that a stray key changes nothing.
  PageControl->setFocus();
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label->property("sizesToText").toBool()) {
      label->adjustSize();
    } else {
      label->setProperty(kDesignGeometry, label->geometry());
    }
  }
  for (QWidget* coloured : {static_cast<QWidget*>(ComboBox_Choose_device),
                            static_cast<QWidget*>(Panel_Master_State_connection),
                            static_cast<QWidget*>(Panel_Wi_Fi_State_connection)}) {
    SetBackgroundColour(coloured, kStateRed);
  }
}

template <typename Sender, typename Signal>
void TForm1::ConnectHandler(Sender* sender, Signal signal, void (TForm1::*handler)(QObject*)) {
  connect(sender, signal, this, [this, sender, handler] { RunGuarded([&] { (this->*handler)(sender); }); });
}

void TForm1::ConnectClick(QRadioButton* button, void (TForm1::*handler)(QObject*)) {
  connect(button, &QRadioButton::toggled, this, [this, button, handler](bool checked) {
    if (checked) RunGuarded([&] { (this->*handler)(button); });
  });
}

void TForm1::ConnectHandlers() {
  // `activated` is raised by a user's choice only, never by the program.
  ConnectHandler(ComboBox_Language, &QComboBox::activated, &TForm1::ComboBox_LanguageChange);
  ConnectHandler(ComboBox_Choose_device, &QComboBox::activated, &TForm1::ComboBox_Choose_deviceClick);
  ConnectHandler(Button_Get_current_parameters, &QPushButton::clicked, &TForm1::Button_Get_current_parametersClick);
  ConnectHandler(Button_Restore_default_parameters, &QPushButton::clicked,
                 &TForm1::Button_Restore_default_parametersClick);
  ConnectHandler(Button_Reset_filter_timer, &QPushButton::clicked, &TForm1::Button_Reset_filter_timerClick);
  ConnectHandler(Button_Apply_Save_Wi_Fi, &QPushButton::clicked, &TForm1::Button_Apply_Save_Wi_FiClick);
  ConnectHandler(Button_Apply_Save_Fan, &QPushButton::clicked, &TForm1::Button_Apply_Save_FanClick);
  ConnectHandler(Button_Search_Wi_Fi, &QPushButton::clicked, &TForm1::Button_Search_Wi_FiClick);
  ConnectHandler(ComboBox_Security_WI_FI, &QComboBox::activated, &TForm1::ComboBox_Security_WI_FIChange);
  ConnectHandler(ComboBox_IP_Slave, &QComboBox::activated, &TForm1::ComboBox_IP_SlaveChange);
  ConnectClick(RadioButton_master, &TForm1::RadioButton_masterClick);
  ConnectClick(RadioButton_slave, &TForm1::RadioButton_slaveClick);
  ConnectClick(RadioButton_without_router, &TForm1::RadioButton_without_routerClick);
  ConnectClick(RadioButton_with_router, &TForm1::RadioButton_with_routerClick);
  ConnectHandler(JvIPAddress_IP_Master, &TJvIPAddress::keyUp, &TForm1::JvIPAddress_IP_MasterKeyUp);
  // `valueChanged` comes only when the position really changed.
  ConnectHandler(TrackBar_Humidity_sensor, &QSlider::valueChanged, &TForm1::TrackBar_Humidity_sensorChange);
  ConnectHandler(TrackBar_External_sensor2, &QSlider::valueChanged, &TForm1::TrackBar_External_sensor2Change);
  ConnectHandler(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
  ConnectHandler(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);
  ConnectHandler(Timer3, &QTimer::timeout, &TForm1::Timer3Timer);
  // A network picked from the list is shown whole, also past the typing limit.
  connect(ComboBox_Wi_Fi_name, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) SetWholeText(ComboBox_Wi_Fi_name->lineEdit(), ComboBox_Wi_Fi_name->itemText(index));
  });
}

void TForm1::StartDeviceWork() {
  FDeviceWorkStarted = true;
  FWindowThread->Release();
  Timer3->start();
}

void TForm1::SetLabelText(QLabel* label, const QString& text) {
  label->setText(text);
  if (label->property("sizesToText").toBool()) {
    label->adjustSize();
    return;
  }
  // A caption wider than its fixed box grows around the box's centre rather
  // than being cut off; it never shrinks below the box of the form.
  const QVariant design = label->property(kDesignGeometry);
  if (!design.isValid()) return;
  QRect box = design.toRect();
  const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * label->frameWidth() + 2;
  if (needed > box.width()) {
    const int grow = needed - box.width();
    box.adjust(-grow / 2, 0, grow - grow / 2, 0);
  }
  label->setGeometry(box);
}

TForm1::StartDecision TForm1::FormCreate() {
  LanguageIndex = LanguageIndexForCode(services_.locale->LanguageCode());

  if (const auto stored = services_.settings->ReadLanguage()) {
    // Only 0..7 name a column; anything else keeps the locale's language.
    const auto column = static_cast<std::uint8_t>(static_cast<std::uint64_t>(*stored) & 0xFF);
    if (column < LangColumnCount) LanguageIndex = column;
  }

  if (services_.mutexes->Exists(services_.names.instanceMutex)) return StartDecision::EndProcess;

  if (services_.mutexes->Exists(kServiceMutexName)) {
    ShowMessage(LangQ(59));
    return StartDecision::EndProcess;
  }

  services_.mutexes->Create(services_.names.instanceMutex);

  for (TJvTimeEdit* time : {JvTimeEdit_Timer_after_reacting_any_sensor, JvTimeEdit_Timer_night_mode,
                            JvTimeEdit_Timer_party_mode}) {
    time->setText(QStringLiteral("00:00"));
  }

  if (const auto version = services_.version->ReadFileVersion()) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d.%d", (*version)[0], (*version)[1], (*version)[2]);
    ProgramVersion = text;
  }

  ComboBox_Language->setCurrentIndex(LanguageIndex);
  ApplyLanguage();
  StartDeviceWork();
  return StartDecision::Run;
}


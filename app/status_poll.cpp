// The once-a-second status poll and its answers, the serial number, and the
// two maintenance buttons.

#include <QLabel>

#include "app/control_colours.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "i18n/lang_qt.h"
#include "protocol/pause.h"
#include "protocol/read_back_walk.h"
#include "protocol/value_layouts.h"

using namespace ombrel;

namespace {

QString TwoDigits(std::uint32_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

void ShowState(QLabel* panel, std::uint8_t state, int connectedRow, int disconnectedRow) {
  const bool connected = state != 0;
  TForm1::SetLabelText(panel, LangQ(connected ? connectedRow : disconnectedRow));
  SetBackgroundColour(panel, connected ? kStateGreen : kStateRed);
}

}  // namespace

QString FilterTimeText(std::uint32_t seconds) {
  return LangQ(37) + TwoDigits(seconds / 86400) + LangQ(38) + TwoDigits(seconds / 3600 % 24) + LangQ(39) +
         TwoDigits(seconds / 60 % 60) + LangQ(40) + TwoDigits(seconds % 60);
}

void TForm1::Timer3Timer(QObject*) {
  if (CurrentDevice == nullptr) return;
  SendParameter(Param_Read_request, ReadRequestValue(Param_Wi_Fi_State_connection));
  Pause(20);
  SendParameter(Param_Read_request, ReadRequestValue(Param_Master_State_connection));
  if (isVisible() && PageControl->currentWidget() == Filter) {
    Pause(20);
    SendParameter(Param_Read_request, ReadRequestValue(Param_Timer_filter));
  }
}

void TForm1::WiFiStateAnswer(const InputParameter& answer) {
  ShowState(Panel_Wi_Fi_State_connection, answer.byte, 27, 28);
}

void TForm1::MasterStateAnswer(const InputParameter& answer) {
  ShowState(Panel_Master_State_connection, answer.byte, 29, 30);
}

void TForm1::FilterTimeAnswer(const InputParameter& answer) {
  SetLabelText(Label_Timer_filter, FilterTimeText(answer.seconds));
}

void TForm1::Button_Restore_default_parametersClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  SendParameter(Param_Settings_transfer, EncodeByte(1));
  SendParameter(Param_Restore_default_parameters, EncodeByte(0));
  Pause(200);
  // Reading the settings back shows the restored ones.
  SendParameter(Param_Read_request, ReadRequestValue(kReadBackFirst));
}

void TForm1::Button_Reset_filter_timerClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  SendParameter(Param_Reset_filter_timer, EncodeByte(0));
}

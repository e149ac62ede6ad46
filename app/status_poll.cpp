// The once-a-second status poll and its answers, and the two maintenance
// buttons: the unit work writes, the window shows.

#include <QLabel>

#include "app/control_colours.h"
#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "app/window_link.h"
#include "protocol/status_poll.h"

using namespace ombrel;

namespace {

QString TwoDigits(std::uint32_t value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

void ShowState(QLabel* panel, std::uint8_t state, int connectedRow, int disconnectedRow) {
  const bool connected = IsConnectedState(state);
  TForm1::SetLabelText(panel, LangQ(connected ? connectedRow : disconnectedRow));
  SetBackgroundColour(panel, connected ? kStateGreen : kStateRed);
}

}  // namespace

QString FilterTimeText(std::uint32_t seconds) {
  const FilterTimeParts t = SplitFilterTime(seconds);
  return LangQ(37) + TwoDigits(t.days) + LangQ(38) + TwoDigits(t.hours) + LangQ(39) + TwoDigits(t.minutes) +
         LangQ(40) + TwoDigits(t.seconds);
}

void TForm1::Timer3Timer(QObject*) {
  if (CurrentDevice == nullptr) return;
  WriteStatusRequests(WindowLink(), isVisible() && PageControl->currentWidget() == Filter);
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
  // Ends with the read-back's request, so the window shows the restored settings.
  RestoreDefaults(WindowLink());
}

void TForm1::Button_Reset_filter_timerClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  ResetFilterTimer(WindowLink());
}

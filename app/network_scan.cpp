// The network scan: the unit work writes the module's commands and the
// closing sequence; the window's two timers pace them, the first repeating
// the commands until the first answer, the second closing the scan 1.5 s
// after it.

#include <QComboBox>

#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/show_message.h"
#include "app/window_link.h"
#include "protocol/network_scan.h"

using namespace ombrel;

void TForm1::Button_Search_Wi_FiClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  // A press while the module is being asked keeps the repeat's schedule.
  if (!Timer1->isActive()) Timer1->start();
  ComboBox_Wi_Fi_name->clear();
  ComboBox_Wi_Fi_name->setEditText(LangQ(56));
  WriteScanCommands(WindowLink());
}

void TForm1::Timer1Timer(QObject*) { WriteScanCommands(WindowLink()); }

void TForm1::Timer2Timer(QObject*) {
  WriteScanClosing(WindowLink());
  Timer2->stop();
}

void TForm1::ScanAnswer(const InputParameter& answer) {
  Timer1->stop();
  // Only the first answer starts the collection time; later ones add to it.
  if (!Timer2->isActive()) Timer2->start();
  ComboBox_Wi_Fi_name->addItem(QString::fromStdU16String(ScannedNetworkName(answer).value_or(u"")));
  ComboBox_Wi_Fi_name->setCurrentIndex(0);
}

// The network scan: the unit's Wi-Fi module is told to list the access
// points in reach, once and then every two seconds until the first answer;
// the answers of the next 1.5 s fill the network list, then the module is
// restarted.

#include <QComboBox>

#include "app/main_window.h"
#include "app/show_message.h"
#include "i18n/lang_qt.h"
#include "protocol/pause.h"
#include "protocol/scan_entry.h"
#include "protocol/value_layouts.h"

using namespace ombrel;

namespace {

void WriteScanCommands() {
  SendParameter(Param_Wi_Fi_scan, EncodeByte(1));
  SendParameter(Param_AT_command, u"AT+CWQAP\r\n");  // leave the joined access point
  Pause(100);
  SendParameter(Param_AT_command, u"AT+CWMODE_DEF=1\r\n");  // station mode, kept as default
  Pause(100);
  SendParameter(Param_AT_command, u"AT+CWLAP\r\n");  // list the access points
}

}  // namespace

void TForm1::Button_Search_Wi_FiClick(QObject*) {
  if (CurrentDevice == nullptr) {
    ShowMessage(LangQ(55));
    return;
  }
  // A press while the module is being asked keeps the repeat's schedule.
  if (!Timer1->isActive()) Timer1->start();
  ComboBox_Wi_Fi_name->clear();
  ComboBox_Wi_Fi_name->setEditText(LangQ(56));
  WriteScanCommands();
}

void TForm1::Timer1Timer(QObject*) { WriteScanCommands(); }

void TForm1::Timer2Timer(QObject*) {
  SendParameter(Param_Wi_Fi_scan, EncodeByte(0));
  SendParameter(Param_Wi_Fi_module_switch, EncodeByte(0));
  Pause(200);
  SendParameter(Param_Wi_Fi_module_switch, EncodeByte(1));
  Timer2->stop();
}

void TForm1::ScanAnswer(const InputParameter& answer) {
  Timer1->stop();
  // Only the first answer starts the collection time; later ones add to it.
  if (!Timer2->isActive()) Timer2->start();
  ComboBox_Wi_Fi_name->addItem(QString::fromStdU16String(NetworkNameFromScanEntry(answer.text)));
  ComboBox_Wi_Fi_name->setCurrentIndex(0);
}

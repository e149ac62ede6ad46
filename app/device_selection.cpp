// Device selection: the device box lists the connected units by model, each
// entry carrying the device object checked out for it; the selected entry's
// object is CurrentDevice.

#include <QComboBox>

#include "app/control_colours.h"
#include "app/lang_qt.h"
#include "app/main_window.h"
#include "app/window_link.h"
#include "protocol/unit_identity.h"

namespace {

TJvHidDevice* DeviceOfEntry(const QComboBox* box, int index) {
  return static_cast<TJvHidDevice*>(box->itemData(index).value<void*>());
}

}  // namespace

void TForm1::JvHidDeviceController1DeviceChange(TJvHidDeviceController*) {
  // Every listed object goes back first: a unit still present gets a fresh
  // object, one that is gone is dropped. Releasing waits for the object's
  // reader and meanwhile handles the reports it had queued, those of the
  // selected unit included; only then is the object gone.
  for (int i = 0; i < ComboBox_Choose_device->count(); ++i) {
    TJvHidDevice* device = DeviceOfEntry(ComboBox_Choose_device, i);
    if (device == nullptr) continue;
    ComboBox_Choose_device->setItemData(i, QVariant());
    const bool selected = device == CurrentDevice;
    device->Free();
    if (selected) CurrentDevice = nullptr;
  }

  ComboBox_Choose_device->clear();
  SetBackgroundColour(ComboBox_Choose_device, kStateRed);
  ComboBox_Choose_device->setEditText(LangQ(54));

  JvHidDeviceController1->Enumerate();

  if (ComboBox_Choose_device->count() > 0) {
    ComboBox_Choose_device->setCurrentIndex(0);
    ComboBox_Choose_deviceClick(ComboBox_Choose_device);
    return;
  }

  CurrentDevice = nullptr;
  SetLabelText(Label_Serial_number, QString());
  SetLabelText(Panel_Wi_Fi_State_connection, LangQ(28));
  SetLabelText(Panel_Master_State_connection, LangQ(30));
  SetBackgroundColour(Panel_Wi_Fi_State_connection, kStateRed);
  SetBackgroundColour(Panel_Master_State_connection, kStateRed);
  SetLabelText(Label_Timer_filter, FilterTimeText(0));
}

bool TForm1::JvHidDeviceController1Enumerate(TJvHidDevice* HidDev, int Idx) {
  const auto& attributes = HidDev->Attributes();
  if (!ombrel::IsUnit(attributes.VendorID, attributes.ProductID)) return true;

  const std::string_view model = ombrel::ModelName(HidDev->ProductName());
  const QString entry = QString::number(ComboBox_Choose_device->count() + 1) + QStringLiteral(". ") +
                        QString::fromLatin1(model.data(), static_cast<qsizetype>(model.size()));
  ComboBox_Choose_device->addItem(entry);

  TJvHidDevice* checkedOut = HidDev;
  if (!JvHidDeviceController1->CheckOutByIndex(checkedOut, Idx)) checkedOut = nullptr;
  ComboBox_Choose_device->setItemData(ComboBox_Choose_device->count() - 1,
                                      QVariant::fromValue(static_cast<void*>(checkedOut)));
  return true;
}

void TForm1::ComboBox_Choose_deviceClick(QObject*) {
  const int selected = ComboBox_Choose_device->currentIndex();
  if (ComboBox_Choose_device->count() == 0 || selected < 0) return;
  TJvHidDevice* device = DeviceOfEntry(ComboBox_Choose_device, selected);
  // An entry whose check-out failed has no unit to talk to; it stays listed
  // but selects nothing.
  if (device == nullptr) return;

  CurrentDevice = device;
  SetBackgroundColour(ComboBox_Choose_device, kStateGreen);
  // A unit the system lets us see but not open (on Linux: no udev rule for
  // it) is listed all the same; say why it will not answer.
  ComboBox_Choose_device->setToolTip(
      device->HasReadWriteAccess()
          ? QString()
          : QStringLiteral("This unit was found, but this user may not open it for reading and writing, so it "
                           "will not answer. On Linux, install Ombrel's udev rule and plug the unit in again."));
  ombrel::RequestParameter(WindowLink(), Param_Serial_number);

  const bool duo = ombrel::IsPendraDuo(device->ProductName());
  Panel_Direction_Fan_Pendra->setVisible(!duo);
  Panel_Direction_Fan_DUO->setVisible(duo);
}

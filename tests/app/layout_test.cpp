#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include "app/control_colours.h"
#include "app/jv_ip_address.h"
#include "app/jv_time_edit.h"
#include "app/wrap_button.h"
#include "tests/app/form_fixture.h"

namespace {

enum class Kind { Label, Panel, StatePanel, Button, Radio, Check, List, EditableCombo, Edit, TrackBar, Tabs, Address, Time };

struct Place {
  const char* name;
  Kind kind;
  const char* container;  // "" for the window itself
  int left, top, width, height;
};

// Every ordinary control of the window: kind, container, place and size.
const Place kPlaces[] = {
    {"Panel3", Kind::Panel, "", 19, 12, 231, 78},
    {"Panel1", Kind::Panel, "", 258, 12, 155, 78},
    {"Panel2", Kind::Panel, "", 422, 12, 186, 78},
    {"Label_Language", Kind::Label, "", 629, 17, 60, 14},
    {"ComboBox_Language", Kind::List, "", 632, 51, 55, 21},
    {"Button_Get_current_parameters", Kind::Button, "", 119, 109, 222, 25},
    {"Button_Restore_default_parameters", Kind::Button, "", 365, 109, 235, 25},
    {"PageControl", Kind::Tabs, "", 19, 143, 686, 328},
    {"Label_Choose_device", Kind::Label, "Panel3", 2, 5, 225, 14},
    {"ComboBox_Choose_device", Kind::EditableCombo, "Panel3", 11, 28, 209, 21},
    {"Label_S_N", Kind::Label, "Panel3", 11, 55, 24, 14},
    {"Label_Choose_device_mode", Kind::Label, "Panel1", -3, 5, 160, 14},
    {"RadioButton_master", Kind::Radio, "Panel1", 13, 30, 68, 17},
    {"RadioButton_slave", Kind::Radio, "Panel1", 13, 53, 68, 17},
    {"Label_Choose_type_of_connection", Kind::Label, "Panel2", 4, 5, 179, 14},
    {"RadioButton_without_router", Kind::Radio, "Panel2", 14, 29, 171, 17},
    {"RadioButton_with_router", Kind::Radio, "Panel2", 14, 52, 171, 17},
    {"Panel_Wi_Fi_name", Kind::Panel, "Wi_Fi", 22, 17, 386, 66},
    {"Label_Wi_Fi_name", Kind::Label, "Panel_Wi_Fi_name", 129, 9, 250, 13},
    {"Button_Search_Wi_Fi", Kind::Button, "Panel_Wi_Fi_name", 20, 23, 82, 31},
    {"ComboBox_Wi_Fi_name", Kind::EditableCombo, "Panel_Wi_Fi_name", 128, 28, 252, 21},
    {"Panel_Password", Kind::Panel, "Wi_Fi", 22, 98, 386, 63},
    {"Label_type_security", Kind::Label, "Panel_Password", 7, 9, 110, 13},
    {"Label_Password", Kind::Label, "Panel_Password", 130, 9, 248, 13},
    {"ComboBox_Security_WI_FI", Kind::List, "Panel_Password", 7, 29, 110, 21},
    {"Edit_Password", Kind::Edit, "Panel_Password", 128, 29, 252, 21},
    {"Panel_Wi_Fi_channel", Kind::Panel, "Wi_Fi", 575, 98, 80, 63},
    {"Label_Wi_Fi_channel", Kind::Label, "Panel_Wi_Fi_channel", 0, 9, 81, 13},
    {"ComboBox_Wi_Fi_channel", Kind::List, "Panel_Wi_Fi_channel", 13, 29, 55, 21},
    {"Panel_IP_Master", Kind::Panel, "Wi_Fi", 490, 98, 165, 108},
    {"Label_IP_Master", Kind::Label, "Panel_IP_Master", 1, 9, 161, 13},
    {"JvIPAddress_IP_Master", Kind::Address, "Panel_IP_Master", 8, 29, 150, 21},
    {"JvGateway", Kind::Address, "Panel_IP_Master", 8, 78, 150, 21},
    {"JvIPAddress_IP_Slave", Kind::Address, "Panel_IP_Slave", 79, 29, 150, 21},
    {"JvTimeEdit_Timer_after_reacting_any_sensor", Kind::Time, "Fan", 101, 121, 121, 21},
    {"JvTimeEdit_Timer_night_mode", Kind::Time, "Fan", 273, 121, 121, 21},
    {"JvTimeEdit_Timer_party_mode", Kind::Time, "Fan", 443, 121, 121, 21},
    {"Label_Gateway", Kind::Label, "Panel_IP_Master", 4, 59, 161, 13},
    {"Panel_Number_of_slave", Kind::Panel, "Wi_Fi", 22, 177, 131, 63},
    {"Label_Number_Slave", Kind::Label, "Panel_Number_of_slave", 6, 10, 122, 13},
    {"ComboBox_Number_Slave", Kind::List, "Panel_Number_of_slave", 39, 29, 54, 21},
    {"Panel_IP_Slave", Kind::Panel, "Wi_Fi", 173, 177, 235, 63},
    {"Label_IP_Slave", Kind::Label, "Panel_IP_Slave", 48, 10, 137, 13},
    {"ComboBox_IP_Slave", Kind::List, "Panel_IP_Slave", 9, 29, 54, 21},
    {"Panel_Master_State_connection", Kind::StatePanel, "Wi_Fi", 490, 17, 165, 32},
    {"Panel_Wi_Fi_State_connection", Kind::StatePanel, "Wi_Fi", 490, 51, 165, 32},
    {"Button_Apply_Save_Wi_Fi", Kind::Button, "Wi_Fi", 287, 266, 100, 25},
    {"CheckBox_Available_OFF_device", Kind::Check, "Fan", 101, 39, 169, 17},
    {"Panel_Direction_Fan_Pendra", Kind::Panel, "Fan", 385, 26, 179, 44},
    {"Label_Direction", Kind::Label, "Panel_Direction_Fan_Pendra", 13, 3, 155, 14},
    {"RadioButton_Supply", Kind::Radio, "Panel_Direction_Fan_Pendra", 19, 22, 59, 17},
    {"RadioButton_Exhaust", Kind::Radio, "Panel_Direction_Fan_Pendra", 96, 23, 70, 17},
    {"Panel_Direction_Fan_DUO", Kind::Panel, "Fan", 298, 14, 266, 68},
    {"Label_Direction_DUO", Kind::Label, "Panel_Direction_Fan_DUO", 20, 3, 225, 14},
    {"RadioButton_Exhaust_DUO", Kind::Radio, "Panel_Direction_Fan_DUO", 9, 23, 248, 17},
    {"RadioButton_Supply_Exhaust_DUO", Kind::Radio, "Panel_Direction_Fan_DUO", 9, 46, 248, 17},
    {"Label_Turn_off_timer", Kind::Label, "Fan", 78, 99, 170, 13},
    {"Label_Timer_night_mode", Kind::Label, "Fan", 264, 100, 139, 13},
    {"Label_Timer_party_mode", Kind::Label, "Fan", 430, 99, 148, 13},
    {"CheckBox_Humidity_sensor", Kind::Check, "Fan", 162, 164, 126, 17},
    {"TrackBar_Humidity_sensor", Kind::TrackBar, "Fan", 294, 161, 171, 28},
    {"CheckBox_External_sensor1", Kind::Check, "Fan", 162, 194, 143, 17},
    {"CheckBox_External_sensor2", Kind::Check, "Fan", 162, 222, 121, 17},
    {"TrackBar_External_sensor2", Kind::TrackBar, "Fan", 292, 221, 171, 35},
    {"Button_Apply_Save_Fan", Kind::Button, "Fan", 287, 266, 100, 25},
    {"Label_Timer_filter", Kind::Label, "Filter", 192, 123, 273, 13},
    {"Button_Reset_filter_timer", Kind::Button, "Filter", 252, 168, 151, 25},
    {"Label_Versio_of_program", Kind::Label, "Information", 241, 109, 176, 13},
    {"Label_Create_By", Kind::Label, "Information", 198, 141, 264, 13},
    {"Label_User_Manual", Kind::Label, "Information", 241, 173, 176, 13},
};

// Labels whose box follows their text from the given left and top.
const Place kTextSizedLabels[] = {
    {"Label_Serial_number", Kind::Label, "Panel3", 58, 56, 0, 0},
    {"Label_Humidity_sensor", Kind::Label, "Fan", 471, 168, 0, 0},
    {"Label_External_sensor2", Kind::Label, "Fan", 474, 226, 0, 0},
};

bool IsKind(const QWidget* w, Kind kind) {
  switch (kind) {
    case Kind::Label: return qobject_cast<const QLabel*>(w) && qobject_cast<const QLabel*>(w)->alignment() == Qt::AlignCenter;
    case Kind::Panel: return w->metaObject() == &QFrame::staticMetaObject;
    case Kind::StatePanel: return qobject_cast<const QLabel*>(w) && qobject_cast<const QLabel*>(w)->frameShape() != QFrame::NoFrame;
    case Kind::Button: return qobject_cast<const QPushButton*>(w) != nullptr;
    case Kind::Radio: return qobject_cast<const QRadioButton*>(w) != nullptr;
    case Kind::Check: return qobject_cast<const QCheckBox*>(w) != nullptr;
    case Kind::List: return qobject_cast<const QComboBox*>(w) && !qobject_cast<const QComboBox*>(w)->isEditable();
    case Kind::EditableCombo: return qobject_cast<const QComboBox*>(w) && qobject_cast<const QComboBox*>(w)->isEditable();
    case Kind::Edit: return qobject_cast<const QLineEdit*>(w) != nullptr;
    case Kind::TrackBar: return qobject_cast<const QSlider*>(w) && qobject_cast<const QSlider*>(w)->orientation() == Qt::Horizontal;
    case Kind::Tabs: return qobject_cast<const QTabWidget*>(w) != nullptr;
    case Kind::Address: return qobject_cast<const TJvIPAddress*>(w) != nullptr;
    case Kind::Time: return qobject_cast<const TJvTimeEdit*>(w) != nullptr;
  }
  return false;
}

class LayoutTest : public FormFixture {};

TEST_F(LayoutTest, EveryControlHasItsKindContainerPlaceAndSize) {
  TForm1& f = MakeForm();
  for (const Place& p : kPlaces) {
    SCOPED_TRACE(p.name);
    auto* w = f.findChild<QWidget*>(QString::fromLatin1(p.name));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsKind(w, p.kind));
    const QString container = *p.container ? QString::fromLatin1(p.container) : QStringLiteral("TForm1");
    EXPECT_EQ(w->parentWidget()->objectName(), container);
    EXPECT_EQ(w->geometry(), QRect(p.left, p.top, p.width, p.height));
  }
  for (const Place& p : kTextSizedLabels) {
    SCOPED_TRACE(p.name);
    auto* label = f.findChild<QLabel*>(QString::fromLatin1(p.name));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->parentWidget()->objectName(), QString::fromLatin1(p.container));
    EXPECT_EQ(label->pos(), QPoint(p.left, p.top));
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
  }
}

TEST_F(LayoutTest, WindowIsFixedCentredlessOfMaximiseAndTitled) {
  TForm1& f = MakeForm();
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Ombrel"));
  EXPECT_EQ(f.size(), QSize(728, 488));
  EXPECT_EQ(f.minimumSize(), QSize(728, 488));
  EXPECT_EQ(f.maximumSize(), QSize(728, 488));
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(f.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(LayoutTest, PagesInOrderWithWiFiShown) {
  TForm1& f = MakeForm();
  ASSERT_EQ(f.PageControl->count(), 4);
  const char* pages[] = {"Wi_Fi", "Fan", "Filter", "Information"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(f.PageControl->widget(i)->objectName(), QString::fromLatin1(pages[i]));
  EXPECT_EQ(f.PageControl->currentWidget(), f.Wi_Fi);
}

TEST_F(LayoutTest, ListsHoldTheirItemsAndSelection) {
  TForm1& f = MakeForm();
  const struct {
    QComboBox* box;
    QStringList items;
    int selected;
  } lists[] = {
      {f.ComboBox_Language,
       {QStringLiteral("РУС"), QStringLiteral("ENG"), QStringLiteral("中文"), QStringLiteral("УКР"),
        QStringLiteral("DEU"), QStringLiteral("DAN"), QStringLiteral("POL"), QStringLiteral("NOR")},
       1},
      {f.ComboBox_Security_WI_FI,
       {QStringLiteral("OPEN"), QStringLiteral("WPA_PSK"), QStringLiteral("WPA2_PSK"), QStringLiteral("WPA_WPA2_PSK")},
       3},
      {f.ComboBox_IP_Slave, {QStringLiteral("DHCP"), QStringLiteral("Static")}, 0},
      {f.ComboBox_Choose_device, {}, -1},
      {f.ComboBox_Wi_Fi_name, {}, -1},
  };
  for (const auto& l : lists) {
    SCOPED_TRACE(l.box->objectName().toStdString());
    QStringList items;
    for (int i = 0; i < l.box->count(); ++i) items << l.box->itemText(i);
    EXPECT_EQ(items, l.items);
    EXPECT_EQ(l.box->currentIndex(), l.selected);
  }
  ASSERT_EQ(f.ComboBox_Wi_Fi_channel->count(), 13);
  EXPECT_EQ(f.ComboBox_Wi_Fi_channel->itemText(0), QStringLiteral("1"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_channel->itemText(12), QStringLiteral("13"));
  EXPECT_EQ(f.ComboBox_Wi_Fi_channel->currentText(), QStringLiteral("11"));
  ASSERT_EQ(f.ComboBox_Number_Slave->count(), 32);
  EXPECT_EQ(f.ComboBox_Number_Slave->itemText(31), QStringLiteral("32"));
  EXPECT_EQ(f.ComboBox_Number_Slave->currentIndex(), 0);
}

TEST_F(LayoutTest, DefaultStates) {
  TForm1& f = MakeForm();
  for (QAbstractButton* on : std::initializer_list<QAbstractButton*>{
           f.RadioButton_master, f.RadioButton_without_router, f.RadioButton_Supply, f.RadioButton_Exhaust_DUO,
           f.CheckBox_Available_OFF_device, f.CheckBox_Humidity_sensor, f.CheckBox_External_sensor1,
           f.CheckBox_External_sensor2}) {
    EXPECT_TRUE(on->isChecked()) << on->objectName().toStdString();
  }
  for (QAbstractButton* off : std::initializer_list<QAbstractButton*>{
           f.RadioButton_slave, f.RadioButton_with_router, f.RadioButton_Exhaust, f.RadioButton_Supply_Exhaust_DUO}) {
    EXPECT_FALSE(off->isChecked()) << off->objectName().toStdString();
  }
  for (QWidget* hidden : std::initializer_list<QWidget*>{
           f.Panel_Wi_Fi_name, f.Panel_IP_Master, f.Panel_Number_of_slave, f.Panel_IP_Slave,
           f.Panel_Master_State_connection, f.Panel_Wi_Fi_State_connection, f.Panel_Direction_Fan_DUO,
           f.Label_User_Manual}) {
    EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
  }
  for (QWidget* shown : std::initializer_list<QWidget*>{f.Panel_Password, f.Panel_Wi_Fi_channel,
                                                         f.Button_Apply_Save_Wi_Fi, f.Panel_Direction_Fan_Pendra}) {
    EXPECT_FALSE(shown->isHidden()) << shown->objectName().toStdString();
  }
  EXPECT_EQ(f.TrackBar_Humidity_sensor->minimum(), 8);
  EXPECT_EQ(f.TrackBar_Humidity_sensor->maximum(), 16);
  EXPECT_EQ(f.TrackBar_Humidity_sensor->value(), 14);
  EXPECT_EQ(f.TrackBar_External_sensor2->minimum(), 1);
  EXPECT_EQ(f.TrackBar_External_sensor2->maximum(), 20);
  EXPECT_EQ(f.TrackBar_External_sensor2->value(), 10);
  EXPECT_EQ(f.Label_Serial_number->text(), QStringLiteral("FFFFFFFFFFFFFFFFFFFFFFFF"));
  EXPECT_EQ(f.Label_External_sensor2->text(), QStringLiteral("50 %"));
  EXPECT_TRUE(f.Edit_Password->text().isEmpty());
  EXPECT_TRUE(f.Edit_Password->isEnabled());
  EXPECT_EQ(f.Label_User_Manual->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(f.JvIPAddress_IP_Master->Text(), QStringLiteral("192.168.0.2"));
  EXPECT_EQ(f.JvGateway->Text(), QStringLiteral("192.168.0.1"));
  EXPECT_EQ(f.JvIPAddress_IP_Slave->Text(), QStringLiteral("192.168.0.3"));
  EXPECT_TRUE(f.JvIPAddress_IP_Master->isEnabled());
  EXPECT_FALSE(f.JvIPAddress_IP_Slave->isEnabled());
  EXPECT_NE(qobject_cast<WrapButton*>(f.Button_Search_Wi_Fi), nullptr);
}

TEST_F(LayoutTest, TimersWithTheirIntervalsAndStartStates) {
  // The status poll runs once the start is decided.
  TForm1& f = StartForm();
  const struct {
    QTimer* timer;
    const char* name;
    int interval;
    bool running;
  } timers[] = {{f.Timer1, "Timer1", 2000, false}, {f.Timer2, "Timer2", 1500, false}, {f.Timer3, "Timer3", 1000, true}};
  for (const auto& t : timers) {
    EXPECT_EQ(t.timer->objectName(), QString::fromLatin1(t.name));
    EXPECT_EQ(t.timer->interval(), t.interval) << t.name;
    EXPECT_EQ(t.timer->isActive(), t.running) << t.name;
  }
}

TEST_F(LayoutTest, TypingPastTheNameAndPasswordLimitsIsRefused) {
  TForm1& f = MakeForm();
  f.show();
  f.RadioButton_with_router->setChecked(true);  // shows the name box
  QTest::keyClicks(f.ComboBox_Wi_Fi_name->lineEdit(), QString(33, QLatin1Char('n')));
  EXPECT_EQ(f.ComboBox_Wi_Fi_name->currentText(), QString(32, QLatin1Char('n')));
  QTest::keyClicks(f.Edit_Password, QString(61, QLatin1Char('p')));
  EXPECT_EQ(f.Edit_Password->text(), QString(60, QLatin1Char('p')));
}

TEST_F(LayoutTest, FontsOfTheCaptions) {
  TForm1& f = MakeForm();
  const struct {
    QWidget* w;
    int pointSize;
    bool bold, underline;
  } fonts[] = {
      {f.Label_Language, 9, true, true},          {f.Label_Choose_device, 9, true, true},
      {f.Label_S_N, 9, false, true},              {f.Button_Get_current_parameters, 9, true, false},
      {f.Label_Direction, 9, false, true},        {f.Button_Apply_Save_Wi_Fi, 8, true, false},
      {f.Label_User_Manual, 8, false, true},      {f.RadioButton_master, 8, false, false},
      {f.Label_Serial_number, 8, false, false},   {f.Label_Direction_DUO, 9, false, true},
  };
  for (const auto& x : fonts) {
    SCOPED_TRACE(x.w->objectName().toStdString());
    EXPECT_EQ(x.w->font().pointSize(), x.pointSize);
    EXPECT_EQ(x.w->font().bold(), x.bold);
    EXPECT_EQ(x.w->font().underline(), x.underline);
  }
}

// The control that a focused widget belongs to (a combo box's text field,
// the tab control's tab bar).
QString ControlOf(QWidget* w) {
  while (w && (w->objectName().isEmpty() || w->objectName().startsWith(QStringLiteral("qt_")))) w = w->parentWidget();
  return w ? w->objectName() : QString();
}

TEST_F(LayoutTest, TabKeyWalksTheControlsInTheirOrder) {
  TForm1& f = MakeForm();
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.PageControl->setFocus(Qt::TabFocusReason);
  const QStringList expected = {
      QStringLiteral("PageControl"),
      QStringLiteral("Button_Apply_Save_Wi_Fi"),
      QStringLiteral("ComboBox_Security_WI_FI"),
      QStringLiteral("Edit_Password"),
      QStringLiteral("ComboBox_Wi_Fi_channel"),
      QStringLiteral("RadioButton_master"),
      // Entering a group of radio buttons lands on the first of its order.
      QStringLiteral("RadioButton_with_router"),
      QStringLiteral("ComboBox_Choose_device"),
      QStringLiteral("Button_Get_current_parameters"),
      QStringLiteral("Button_Restore_default_parameters"),
      QStringLiteral("ComboBox_Language"),
      QStringLiteral("PageControl"),
  };
  QStringList seen;
  for (int i = 0; i < expected.size(); ++i) {
    seen << ControlOf(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(seen, expected);
}

TEST_F(LayoutTest, KeyboardFocusStartsOnTheFirstControlOfTheTabOrder) {
  TForm1& f = StartForm();
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  EXPECT_EQ(ControlOf(QApplication::focusWidget()), QStringLiteral("PageControl"));
  // A stray key does not overwrite the device box's text.
  const QString deviceText = f.ComboBox_Choose_device->currentText();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
  EXPECT_EQ(f.ComboBox_Choose_device->currentText(), deviceText);
}

// One notch of the mouse wheel, turned towards the user, at `point` of `w`:
// it reaches the widget under the pointer first (an editable box's text
// field) and goes up from there.
void TurnWheelAt(QWidget* w, QPoint point) {
  QWidget* under = w->childAt(point);
  QWidget* target = under ? under : w;
  QWheelEvent wheel(QPointF(target->mapFrom(w, point)), w->mapToGlobal(QPointF(point)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &wheel);
}

// Over the middle of a list and over its arrow button at the right.
void TurnWheelOver(QWidget* w) {
  TurnWheelAt(w, w->rect().center());
  TurnWheelAt(w, QPoint(w->width() - 4, w->height() / 2));
}

TEST_F(LayoutTest, WheelChangesOnlyTheListThatHasFocus) {
  TForm1& f = StartForm();
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.ComboBox_Choose_device->addItems({QStringLiteral("1. Pendra"), QStringLiteral("2. Pendra DUO")});
  f.ComboBox_Choose_device->setCurrentIndex(0);
  f.ComboBox_Wi_Fi_name->addItems({QStringLiteral("Home"), QStringLiteral("Cafe")});
  f.ComboBox_Wi_Fi_name->setCurrentIndex(0);
  f.ComboBox_Security_WI_FI->setCurrentIndex(0);  // so that a turn could move it
  f.PageControl->setFocus();
  const QList<QComboBox*> lists = f.findChildren<QComboBox*>();
  ASSERT_EQ(lists.size(), 7);
  for (QComboBox* list : lists) {
    SCOPED_TRACE(list->objectName().toStdString());
    const int before = list->currentIndex();
    TurnWheelOver(list);
    EXPECT_EQ(list->currentIndex(), before);
    EXPECT_FALSE(list->hasFocus());
  }
  EXPECT_EQ(LanguageIndex, LangEng);
  EXPECT_FALSE(settings->stored.has_value());
  EXPECT_TRUE(messages.boxes.empty());

  // With focus the wheel moves the list, as a pick does.
  f.ComboBox_Language->setFocus();
  ASSERT_TRUE(f.ComboBox_Language->hasFocus());
  TurnWheelAt(f.ComboBox_Language, f.ComboBox_Language->rect().center());
  EXPECT_EQ(f.ComboBox_Language->currentIndex(), LangZh);
  EXPECT_EQ(settings->stored, LangZh);
}

TEST_F(LayoutTest, ColouredControlsKeepTheirRedUnderTheStyle) {
  TForm1& f = MakeForm();
  for (QWidget* w : std::initializer_list<QWidget*>{f.ComboBox_Choose_device, f.Panel_Master_State_connection,
                                                     f.Panel_Wi_Fi_State_connection}) {
    SCOPED_TRACE(w->objectName().toStdString());
    EXPECT_EQ(BackgroundColour(w), kStateRed);
  }
  // And the colour really reaches the screen: sample the device box's field.
  f.show();
  const QImage image = f.ComboBox_Choose_device->grab().toImage();
  EXPECT_EQ(QColor(image.pixel(image.width() / 3, image.height() / 2)), kStateRed);
}

}  // namespace

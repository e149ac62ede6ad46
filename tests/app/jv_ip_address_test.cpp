#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVariant>

#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/jv_ip_address.h"
#include "tests/app/qt_printers.h"

static void PrintTo(const QColor& colour, std::ostream* os) { *os << colour.name().toStdString(); }

namespace {

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(b) << 16 |
         static_cast<std::uint32_t>(c) << 8 | static_cast<std::uint32_t>(d);
}

// Keys go to whatever has the focus at the moment, as from a keyboard: the
// press and the release separately, since a key may move the focus.
void Hit(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyPress(QApplication::focusWidget(), key, mods);
  QTest::keyRelease(QApplication::focusWidget(), key, mods);
}

void Type(const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    QTest::keyPress(QApplication::focusWidget(), *c);
    QTest::keyRelease(QApplication::focusWidget(), *c);
  }
}

QStringList FieldTexts(const TJvIPAddress& ip) {
  QStringList texts;
  for (int k = 1; k <= 4; ++k) texts << ip.Field(k)->text();
  return texts;
}

// The window part of the Wi-Fi page that matters here: an edit before, the
// address field, an edit after.
class JvIPAddressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(320, 120);
    before = new QLineEdit(&window);
    before->setObjectName(QStringLiteral("Before"));
    before->setGeometry(8, 4, 150, 21);
    ip = new TJvIPAddress(&window);
    ip->setObjectName(QStringLiteral("JvIPAddress_IP_Master"));
    ip->setGeometry(8, 29, 150, 21);
    ip->SetAddress(Ip(192, 168, 0, 2));
    after = new QLineEdit(&window);
    after->setObjectName(QStringLiteral("After"));
    after->setGeometry(8, 78, 150, 21);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  // Enters the field k with all its text selected, as Tab does.
  void EnterField(int k) {
    ip->Field(k)->setFocus(Qt::TabFocusReason);
    ip->Field(k)->selectAll();
    ASSERT_EQ(QApplication::focusWidget(), ip->Field(k));
  }

  QWidget window;
  QLineEdit* before = nullptr;
  TJvIPAddress* ip = nullptr;
  QLineEdit* after = nullptr;
};

TEST_F(JvIPAddressTest, OctetsAreTheBytesOfAddressMostSignificantFirst) {
  ip->SetAddress(0xC0A80102u);
  EXPECT_EQ(ip->AddressValue(1), 192);
  EXPECT_EQ(ip->AddressValue(2), 168);
  EXPECT_EQ(ip->AddressValue(3), 1);
  EXPECT_EQ(ip->AddressValue(4), 2);
  EXPECT_EQ(ip->AddressValue(0), 0);
  EXPECT_EQ(ip->AddressValue(5), 0);
  EXPECT_EQ(ip->Text(), QStringLiteral("192.168.1.2"));

  TJvIPAddressDual dual;
  dual.SetAddress(0xC0A80102u);
  EXPECT_EQ(dual.Comps[0], 2);
  EXPECT_EQ(dual.Comps[3], 192);
  dual.Comps[1] = 7;
  EXPECT_EQ(dual.Address(), 0xC0A80702u);
}

TEST_F(JvIPAddressTest, AFormSetsTheAddressAsASignedNumber) {
  // The layout stores 192.168.0.2 as -1062731774.
  ASSERT_TRUE(ip->setProperty("Address", QVariant(-1062731774)));
  EXPECT_EQ(ip->Address(), Ip(192, 168, 0, 2));
  EXPECT_EQ(ip->Text(), QStringLiteral("192.168.0.2"));
  ASSERT_TRUE(ip->setProperty("Address", QVariant(-1062731775)));
  EXPECT_EQ(ip->Text(), QStringLiteral("192.168.0.1"));
}

struct TextCase {
  const char* text;
  std::uint32_t address;
  const char* shown;
};

TEST_F(JvIPAddressTest, SettingTheTextTakesFourPartsAndShowsThemPlain) {
  // Each case starts from 192.168.0.2; parts out of range keep that octet.
  const TextCase cases[] = {
      {"10.0.0.7", Ip(10, 0, 0, 7), "10.0.0.7"},
      {"  192.168.1.20  ", Ip(192, 168, 1, 20), "192.168.1.20"},
      {"\t10.20.30.40\n", Ip(10, 20, 30, 40), "10.20.30.40"},
      {"10.1", Ip(10, 1, 0, 0), "10.1.0.0"},
      {"1.2.3", Ip(1, 2, 3, 0), "1.2.3.0"},
      {"10", Ip(10, 0, 0, 0), "10.0.0.0"},
      {"", Ip(0, 0, 0, 0), "0.0.0.0"},
      {"192.168.001.020", Ip(192, 168, 1, 20), "192.168.1.20"},
      {"a.b.c.d", Ip(0, 0, 0, 0), "0.0.0.0"},
      {"10.x.7.1", Ip(10, 0, 7, 1), "10.0.7.1"},
      {"10..7.1", Ip(10, 0, 7, 1), "10.0.7.1"},
      {"1.2.3.4.5", Ip(1, 2, 3, 0), "1.2.3.0"},
      {"0x10.1.1.1", Ip(0, 1, 1, 1), "0.1.1.1"},
      {"255.255.255.255", Ip(255, 255, 255, 255), "255.255.255.255"},
      {"300.1.1.1", Ip(192, 1, 1, 1), "192.1.1.1"},
      {"-1.1.1.256", Ip(192, 1, 1, 2), "192.1.1.2"},
      {"1.2.3.99999999999999999999", Ip(1, 2, 3, 2), "1.2.3.2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ip->SetAddress(Ip(192, 168, 0, 2));
    ip->SetText(QString::fromLatin1(c.text));
    EXPECT_EQ(ip->Address(), c.address);
    EXPECT_EQ(ip->Text(), QString::fromLatin1(c.shown));
    const QStringList parts = QString::fromLatin1(c.shown).split(QLatin1Char('.'));
    for (int k = 1; k <= 4; ++k) {
      EXPECT_EQ(ip->Field(k)->text(), parts[k - 1]) << "field " << k;
      EXPECT_EQ(ip->AddressValue(k), parts[k - 1].toInt()) << "octet " << k;
    }
  }
}

struct OctetCase {
  int k;
  int value;
  std::uint32_t address;
};

TEST_F(JvIPAddressTest, SetAddressValueChangesOneOctetOrIgnoresSilently) {
  const OctetCase cases[] = {
      {2, 5, Ip(192, 5, 0, 1)},     {1, 10, Ip(10, 168, 0, 1)},   {4, 254, Ip(192, 168, 0, 254)},
      {3, 255, Ip(192, 168, 255, 1)}, {0, 9, Ip(192, 168, 0, 1)},  {5, 9, Ip(192, 168, 0, 1)},
      {-1, 9, Ip(192, 168, 0, 1)},  {2, 256, Ip(192, 168, 0, 1)}, {2, -1, Ip(192, 168, 0, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "k=" << c.k << " value=" << c.value);
    ip->SetAddress(Ip(192, 168, 0, 1));
    QSignalSpy changed(ip, &TJvIPAddress::addressChanged);
    ip->SetAddressValue(c.k, c.value);
    EXPECT_EQ(ip->Address(), c.address);
    EXPECT_EQ(changed.count(), c.address == Ip(192, 168, 0, 1) ? 0 : 1);
    // Shown at once.
    TJvIPAddressDual dual;
    dual.SetAddress(c.address);
    EXPECT_EQ(ip->Text(), QStringLiteral("%1.%2.%3.%4").arg(dual.Comps[3]).arg(dual.Comps[2]).arg(dual.Comps[1]).arg(dual.Comps[0]));
  }
}

TEST_F(JvIPAddressTest, SetAddressValueToTheSameValueTouchesNothing) {
  EnterField(3);
  Type("007");
  ASSERT_EQ(ip->AddressValue(3), 7);
  std::vector<std::unique_ptr<QSignalSpy>> spies;
  for (int k = 1; k <= 4; ++k) spies.push_back(std::make_unique<QSignalSpy>(ip->Field(k), &QLineEdit::textChanged));
  ip->SetAddressValue(3, 7);
  // The field still shows what was typed: it was not rewritten.
  EXPECT_EQ(ip->Field(3)->text(), QStringLiteral("007"));
  for (const auto& spy : spies) EXPECT_EQ(spy->count(), 0);
}

TEST_F(JvIPAddressTest, RangeLimitsOctetSetsAndTyping) {
  TJvIPAddressRange range;
  range.Field2Max = 100;
  range.Field4Min = 1;
  ip->SetRange(range);
  ip->SetAddressValue(2, 101);
  EXPECT_EQ(ip->AddressValue(2), 168);
  ip->SetAddressValue(2, 100);
  EXPECT_EQ(ip->AddressValue(2), 100);
  ip->SetAddressValue(4, 0);
  EXPECT_EQ(ip->AddressValue(4), 2);
  EnterField(2);
  Type("200");
  EXPECT_EQ(ip->Field(2)->text(), QStringLiteral("100"));
  EXPECT_EQ(ip->AddressValue(2), 100);
}

TEST_F(JvIPAddressTest, KeyUpSeesTheEditOfItsKeyInEveryField) {
  // The gateway rule of the Wi-Fi page: the gateway follows octets 1 to 3.
  auto* gateway = new TJvIPAddress(&window);
  gateway->setGeometry(170, 29, 150, 21);
  gateway->SetAddress(Ip(192, 168, 0, 1));
  gateway->show();
  std::vector<std::pair<int, QString>> seen;
  QObject::connect(ip, &TJvIPAddress::keyUp, ip, [&](int key, Qt::KeyboardModifiers) {
    for (int k = 1; k <= 3; ++k) gateway->SetAddressValue(k, ip->AddressValue(k));
    seen.emplace_back(key, gateway->Text());
  });
  EnterField(1);
  Type("10.1.2.33");
  EXPECT_EQ(ip->Text(), QStringLiteral("10.1.2.33"));
  EXPECT_EQ(ip->Address(), Ip(10, 1, 2, 33));
  const std::vector<std::pair<int, QString>> expected = {
      {Qt::Key_1, QStringLiteral("1.168.0.1")},      {Qt::Key_0, QStringLiteral("10.168.0.1")},
      {Qt::Key_Period, QStringLiteral("10.168.0.1")}, {Qt::Key_1, QStringLiteral("10.1.0.1")},
      {Qt::Key_Period, QStringLiteral("10.1.0.1")},   {Qt::Key_2, QStringLiteral("10.1.2.1")},
      {Qt::Key_Period, QStringLiteral("10.1.2.1")},   {Qt::Key_3, QStringLiteral("10.1.2.1")},
      {Qt::Key_3, QStringLiteral("10.1.2.1")},
  };
  EXPECT_EQ(seen, expected);
}

TEST_F(JvIPAddressTest, AddressFollowsDeletingAndAnEmptiedFieldReadsZero) {
  std::vector<int> octets;
  QObject::connect(ip, &TJvIPAddress::keyUp, ip, [&] { octets.push_back(ip->AddressValue(2)); });
  EnterField(2);
  ip->Field(2)->setCursorPosition(3);
  Hit(Qt::Key_Backspace);
  Hit(Qt::Key_Backspace);
  Hit(Qt::Key_Backspace);
  EXPECT_EQ(octets, (std::vector<int>{16, 1, 0}));
  EXPECT_EQ(ip->Field(2)->text(), QString());
  EXPECT_EQ(ip->Address(), Ip(192, 0, 0, 2));
}

TEST_F(JvIPAddressTest, AHeldKeyRaisesOneKeyUpWhenLetGo) {
  int keyUps = 0;
  QObject::connect(ip, &TJvIPAddress::keyUp, ip, [&] { ++keyUps; });
  EnterField(4);
  QKeyEvent repeatedRelease(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(ip->Field(4), &repeatedRelease);
  EXPECT_EQ(keyUps, 0);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
  QApplication::sendEvent(ip->Field(4), &release);
  EXPECT_EQ(keyUps, 1);
}

TEST_F(JvIPAddressTest, AClickOnADotGoesToTheNearestField) {
  for (int gap = 1; gap <= 3; ++gap) {
    SCOPED_TRACE(gap);
    const int left = ip->Field(gap)->geometry().right();
    const int right = ip->Field(gap + 1)->geometry().left();
    const int y = ip->height() / 2;
    QTest::mouseClick(ip, Qt::LeftButton, Qt::NoModifier, QPoint(left + 1, y));
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(gap));
    EXPECT_EQ(ip->Field(gap)->cursorPosition(), ip->Field(gap)->text().size());
    QTest::mouseClick(ip, Qt::LeftButton, Qt::NoModifier, QPoint(right - 1, y));
    EXPECT_EQ(QApplication::focusWidget(), ip->Field(gap + 1));
    EXPECT_EQ(ip->Field(gap + 1)->cursorPosition(), 0);
  }
}

struct TypingCase {
  const char* typed;
  const char* field1;
  int octet1;
  bool movedOn;
};

TEST_F(JvIPAddressTest, AFieldTakesUpToThreeDigitsAndAtMost255) {
  const TypingCase cases[] = {
      {"300", "255", 255, true}, {"256", "255", 255, true}, {"255", "255", 255, true}, {"007", "007", 7, true},
      {"0a1", "01", 1, false},   {"1-2", "12", 12, false},  {"x", "", 0, false},       {"9 ", "9", 9, false},
      {".", "192", 192, true},   {"12.", "12", 12, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    ip->SetAddress(Ip(192, 168, 0, 2));
    EnterField(1);
    if (std::string(c.typed) != ".") ip->Field(1)->clear();
    Type(c.typed);
    EXPECT_EQ(ip->Field(1)->text(), QString::fromLatin1(c.field1));
    EXPECT_EQ(ip->AddressValue(1), c.octet1);
    EXPECT_EQ(QApplication::focusWidget(), c.movedOn ? ip->Field(2) : ip->Field(1));
    if (c.movedOn) {
      EXPECT_EQ(ip->Field(2)->selectedText(), QStringLiteral("168"));
    }
  }
}

TEST_F(JvIPAddressTest, LosingTheFocusRewritesTheFieldsFromAddress) {
  EnterField(3);
  Type("007");
  EnterField(2);
  ip->Field(2)->del();
  EXPECT_EQ(FieldTexts(*ip), (QStringList{"192", "", "007", "2"}));
  // Moving between its own fields is no loss of focus.
  Hit(Qt::Key_Tab);
  EXPECT_EQ(FieldTexts(*ip), (QStringList{"192", "", "007", "2"}));
  QTest::mouseClick(after, Qt::LeftButton);
  ASSERT_EQ(QApplication::focusWidget(), after);
  EXPECT_EQ(FieldTexts(*ip), (QStringList{"192", "0", "7", "2"}));
  EXPECT_EQ(ip->Address(), Ip(192, 0, 7, 2));
}

TEST_F(JvIPAddressTest, AnEntirelyBlankAddressStaysBlankOnLosingTheFocus) {
  for (int k = 1; k <= 4; ++k) ip->Field(k)->clear();
  EXPECT_EQ(ip->Address(), 0u);
  EnterField(2);
  QTest::mouseClick(after, Qt::LeftButton);
  ASSERT_EQ(QApplication::focusWidget(), after);
  EXPECT_EQ(FieldTexts(*ip), (QStringList{"", "", "", ""}));
  EXPECT_EQ(ip->Address(), 0u);
}

TEST_F(JvIPAddressTest, TabAndShiftTabWalkTheFieldsThenLeaveWithoutKeyUp) {
  std::vector<int> keys;
  QObject::connect(ip, &TJvIPAddress::keyUp, ip, [&](int key) { keys.push_back(key); });
  const std::vector<QWidget*> forward = {ip->Field(1), ip->Field(2), ip->Field(3), ip->Field(4), after};
  before->setFocus(Qt::OtherFocusReason);
  for (QWidget* next : forward) {
    Hit(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
  const std::vector<QWidget*> backward = {ip->Field(4), ip->Field(3), ip->Field(2), ip->Field(1), before};
  for (QWidget* next : backward) {
    Hit(Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
  for (const int key : keys) {
    EXPECT_NE(key, Qt::Key_Tab);
    EXPECT_NE(key, Qt::Key_Backtab);
  }
  EXPECT_EQ(ip->Address(), Ip(192, 168, 0, 2));
  EXPECT_EQ(FieldTexts(*ip), (QStringList{"192", "168", "0", "2"}));
}

TEST_F(JvIPAddressTest, TabFollowsTheTabOrderAFormSets) {
  // Created in another order than the tab order, as a form may do.
  QWidget form;
  auto* third = new QLineEdit(&form);
  auto* address = new TJvIPAddress(&form);
  auto* first = new QLineEdit(&form);
  QWidget::setTabOrder(first, address);
  QWidget::setTabOrder(address, third);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  first->setFocus(Qt::OtherFocusReason);
  for (QWidget* next : std::vector<QWidget*>{address->Field(1), address->Field(2), address->Field(3),
                                             address->Field(4), third}) {
    Hit(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), next);
  }
  Hit(Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), address->Field(4));
  address->Field(1)->setFocus(Qt::OtherFocusReason);
  Hit(Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), first);
}

TEST_F(JvIPAddressTest, WithoutTabThroughFieldsTabLeavesAtOnce) {
  ip->SetTabThroughFields(false);
  EnterField(2);
  Hit(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), after);
  EnterField(3);
  Hit(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), before);
}

// The colour of the pixel at p of the control as drawn.
QColor PixelAt(TJvIPAddress& ip, QPoint p) { return ip.grab().toImage().pixelColor(p); }

// The darkest pixel inside field k as drawn: the colour of its digits.
QColor DarkestIn(TJvIPAddress& ip, int k) {
  const QImage image = ip.grab().toImage();
  const QRect r = ip.Field(k)->geometry();
  QColor darkest = Qt::white;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.lightness() < darkest.lightness()) darkest = c;
    }
  }
  return darkest;
}

TEST_F(JvIPAddressTest, DisabledIsButtonFaceWithShadowTextAndEnabledWindowColours) {
  const QPalette system = QApplication::palette();
  const QColor window = system.color(QPalette::Active, QPalette::Base);
  const QColor windowText = system.color(QPalette::Active, QPalette::Text);
  const QColor face = system.color(QPalette::Active, QPalette::Button);
  const QColor shadow = system.color(QPalette::Active, QPalette::Dark);
  ASSERT_NE(window, face);
  ASSERT_NE(windowText, shadow);
  // A point inside field 1, left of its centred digits.
  const QPoint inside = ip->Field(1)->geometry().bottomLeft() + QPoint(2, -2);
  for (const bool enabled : {false, true, false, true}) {
    SCOPED_TRACE(enabled ? "enabled" : "disabled");
    ip->setEnabled(enabled);
    EXPECT_EQ(ip->Field(1)->isEnabled(), enabled);
    EXPECT_EQ(PixelAt(*ip, inside), enabled ? window : face);
    // Anti-aliased digits come within a few steps of their colour.
    const QColor digits = DarkestIn(*ip, 1);
    const QColor expected = enabled ? windowText : shadow;
    EXPECT_NEAR(digits.red(), expected.red(), 12) << digits.name().toStdString();
    EXPECT_NEAR(digits.green(), expected.green(), 12) << digits.name().toStdString();
    EXPECT_NEAR(digits.blue(), expected.blue(), 12) << digits.name().toStdString();
  }
  // Disabled fields take no typing.
  ip->setEnabled(false);
  QTest::keyClicks(ip->Field(1), "7");
  EXPECT_EQ(ip->Address(), Ip(192, 168, 0, 2));
}

TEST_F(JvIPAddressTest, AnAddressSetWhileHiddenIsShownOnceVisible) {
  auto* panel = new QWidget(&window);
  panel->setGeometry(0, 100, 200, 40);
  auto* slave = new TJvIPAddress(panel);
  slave->setGeometry(79, 10, 150, 21);
  slave->SetAddress(Ip(192, 168, 0, 3));
  panel->hide();
  slave->SetText(QStringLiteral("10.0.0.9"));
  slave->SetAddressValue(3, 4);
  EXPECT_EQ(slave->Address(), Ip(10, 0, 4, 9));
  panel->show();
  ASSERT_TRUE(slave->isVisible());
  EXPECT_EQ(FieldTexts(*slave), (QStringList{"10", "0", "4", "9"}));
  EXPECT_EQ(slave->Address(), Ip(10, 0, 4, 9));
}

TEST_F(JvIPAddressTest, FourFieldsInOneRowWithADotDrawnBetweenNeighbours) {
  const QImage image = ip->grab().toImage();
  const QColor background = QApplication::palette().color(QPalette::Active, QPalette::Base);
  for (int k = 1; k <= 4; ++k) {
    const QRect r = ip->Field(k)->geometry();
    EXPECT_TRUE(ip->rect().contains(r)) << "field " << k;
    EXPECT_EQ(r.top(), ip->Field(1)->geometry().top());
    EXPECT_GE(r.width(), ip->fontMetrics().horizontalAdvance(QStringLiteral("255")));
  }
  for (int gap = 1; gap <= 3; ++gap) {
    const QRect left = ip->Field(gap)->geometry();
    const QRect right = ip->Field(gap + 1)->geometry();
    ASSERT_LT(left.right() + 1, right.left()) << "no room for a dot after field " << gap;
    int marks = 0;
    for (int x = left.right() + 1; x < right.left(); ++x) {
      for (int y = left.top(); y <= left.bottom(); ++y) {
        if (image.pixelColor(x, y).lightness() < background.lightness() - 64) ++marks;
      }
    }
    EXPECT_GT(marks, 0) << "no dot after field " << gap;
  }
}

}  // namespace

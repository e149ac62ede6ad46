#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QWheelEvent>

#include <cstdint>
#include <ostream>
#include <tuple>

#include "app/jv_time_edit.h"
#include "tests/app/qt_printers.h"

namespace {

// A Fan page in small: an edit before the time field, and the field itself
// at the size the window gives it.
class JvTimeEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(300, 80);
    before = new QLineEdit(&window);
    before->setGeometry(8, 8, 80, 21);
    edit = new TJvTimeEdit(&window);
    edit->setObjectName(QStringLiteral("JvTimeEdit_Timer_night_mode"));
    edit->setGeometry(101, 40, 121, 21);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  // The field focused, showing `text` with the caret at `caret`.
  void Put(const char* text, int caret) {
    edit->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(edit->hasFocus());
    edit->setText(QString::fromLatin1(text));
    ASSERT_EQ(edit->text(), QString::fromLatin1(text));
    edit->deselect();
    edit->setCursorPosition(caret);
  }

  QPoint UpperPart() const { return {2, 2}; }
  QPoint LowerPart() const {
    const QWidget* button = edit->SpinButton();
    return {button->width() - 3, button->height() - 3};
  }

  void FireRepeat() {
    QTimer* timer = edit->RepeatTimer();
    ASSERT_TRUE(timer->isActive());
    QTimerEvent tick(timer->timerId());
    QCoreApplication::sendEvent(timer, &tick);
  }

  QWidget window;
  QLineEdit* before = nullptr;
  TJvTimeEdit* edit = nullptr;
};

TEST_F(JvTimeEditTest, StartsAtMidnight) {
  EXPECT_EQ(edit->text(), QStringLiteral("00:00"));
  EXPECT_EQ(edit->Seconds(), 0u);
}

struct TypingCase {
  const char* start;
  int caret;
  char typed;
  const char* text;
  int caretAfter;
};

std::ostream& operator<<(std::ostream& os, const TypingCase& c) {
  return os << c.start << " caret " << c.caret << " typing '" << c.typed << "'";
}

class JvTimeEditTyping : public JvTimeEditTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(JvTimeEditTyping, OverwritesByCaretPosition) {
  const TypingCase& c = GetParam();
  Put(c.start, c.caret);
  QTest::keyClick(edit, c.typed);
  EXPECT_EQ(edit->text(), QString::fromLatin1(c.text));
  EXPECT_EQ(edit->cursorPosition(), c.caretAfter);
  EXPECT_FALSE(edit->hasSelectedText());
}

INSTANTIATE_TEST_SUITE_P(
    Table, JvTimeEditTyping,
    ::testing::Values(
        // First hour digit: 0 to 2 only.
        TypingCase{"14:30", 0, '1', "14:30", 1}, TypingCase{"14:30", 0, '0', "04:30", 1},
        TypingCase{"09:30", 0, '2', "00:00", 1},  // 29 is no hour
        TypingCase{"14:30", 0, '2', "00:00", 1},  // nor 24
        TypingCase{"03:30", 0, '2', "23:30", 1}, TypingCase{"14:30", 0, '3', "14:30", 0},
        TypingCase{"14:30", 0, 'a', "14:30", 0}, TypingCase{"14:30", 0, ':', "14:30", 0},
        // Second hour digit: any digit, the result read back.
        TypingCase{"14:30", 1, '9', "19:30", 2}, TypingCase{"20:30", 1, '4', "00:00", 2},
        TypingCase{"14:30", 1, 'x', "14:30", 1},
        // The separator: a minute digit 0-5 goes past it, anything else only moves the caret.
        TypingCase{"12:30", 2, '4', "12:40", 4}, TypingCase{"12:30", 2, 'x', "12:30", 3},
        TypingCase{"12:30", 2, '7', "12:30", 3}, TypingCase{"12:30", 2, ':', "12:30", 3},
        // Minutes.
        TypingCase{"12:30", 3, '5', "12:50", 4}, TypingCase{"12:30", 3, '6', "12:30", 3},
        TypingCase{"12:30", 4, '9', "12:39", 5}, TypingCase{"12:30", 4, '-', "12:30", 4},
        // The end of the text takes nothing.
        TypingCase{"12:30", 5, '1', "12:30", 5}));

TEST_F(JvTimeEditTest, BackspaceDeletesNothingAnywhere) {
  for (int caret = 0; caret <= 5; ++caret) {
    SCOPED_TRACE(caret);
    Put("12:34", caret);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("12:34"));
    EXPECT_EQ(edit->cursorPosition(), caret);
  }
}

TEST_F(JvTimeEditTest, EnteringByKeyboardSelectsAllAndTypingReplacesTheFirstDigit) {
  edit->setText(QStringLiteral("14:30"));
  before->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(before, Qt::Key_Tab);
  ASSERT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->selectedText(), QStringLiteral("14:30"));
  QTest::keyClick(edit, '0');
  EXPECT_EQ(edit->text(), QStringLiteral("04:30"));
  EXPECT_EQ(edit->cursorPosition(), 1);
  EXPECT_FALSE(edit->hasSelectedText());

  // Back in with Shift+Tab, after the caret was left elsewhere.
  edit->setCursorPosition(4);
  QTest::keyClick(edit, Qt::Key_Tab);
  ASSERT_FALSE(edit->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
  ASSERT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->selectedText(), QStringLiteral("04:30"));
}

enum class Stepper { Keys, Wheel, SpinButton };

std::ostream& operator<<(std::ostream& os, Stepper s) {
  switch (s) {
    case Stepper::Keys: return os << "Up/Down keys";
    case Stepper::Wheel: return os << "wheel";
    case Stepper::SpinButton: return os << "spin button";
  }
  return os;
}

struct StepCase {
  const char* start;
  int caret;
  int direction;
  const char* text;
};

std::ostream& operator<<(std::ostream& os, const StepCase& c) {
  return os << c.start << " caret " << c.caret << (c.direction > 0 ? " up" : " down");
}

class JvTimeEditStepping : public JvTimeEditTest,
                           public ::testing::WithParamInterface<std::tuple<Stepper, StepCase>> {
 protected:
  void StepOnce(Stepper how, int direction) {
    switch (how) {
      case Stepper::Keys:
        QTest::keyClick(edit, direction > 0 ? Qt::Key_Up : Qt::Key_Down);
        break;
      case Stepper::Wheel: {
        // Turned away from the user is a positive angle.
        const QPointF at(10, 10);
        QWheelEvent wheel(at, edit->mapToGlobal(at), QPoint(), QPoint(0, direction > 0 ? 120 : -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit, &wheel);
        break;
      }
      case Stepper::SpinButton: {
        const QPoint at = direction > 0 ? UpperPart() : LowerPart();
        QTest::mousePress(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, at);
        break;
      }
    }
  }
};

TEST_P(JvTimeEditStepping, StepsThePartUnderTheCaretWithWrapAndNoCarry) {
  const auto [how, c] = GetParam();
  Put(c.start, c.caret);
  StepOnce(how, c.direction);
  EXPECT_EQ(edit->text(), QString::fromLatin1(c.text));
  EXPECT_EQ(edit->cursorPosition(), c.caret);
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_FALSE(edit->RepeatTimer()->isActive());
}

INSTANTIATE_TEST_SUITE_P(
    Table, JvTimeEditStepping,
    ::testing::Combine(::testing::Values(Stepper::Keys, Stepper::Wheel, Stepper::SpinButton),
                       ::testing::Values(StepCase{"23:59", 0, +1, "00:59"}, StepCase{"23:59", 2, +1, "00:59"},
                                         StepCase{"00:00", 1, -1, "23:00"}, StepCase{"09:15", 1, +1, "10:15"},
                                         StepCase{"23:59", 3, +1, "23:00"}, StepCase{"23:59", 5, +1, "23:00"},
                                         StepCase{"00:00", 4, -1, "00:59"}, StepCase{"12:00", 5, -1, "12:59"},
                                         StepCase{"12:30", 3, +1, "12:31"})));

TEST_F(JvTimeEditTest, WheelStepsOncePerNotchAndFollowsTheWheelNotTheDesktopSetting) {
  Put("10:10", 4);
  const QPointF at(10, 10);
  // Half notches from a touchpad add up.
  for (int i = 0; i < 2; ++i) {
    QWheelEvent half(at, edit->mapToGlobal(at), QPoint(), QPoint(0, 60), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit, &half);
  }
  EXPECT_EQ(edit->text(), QStringLiteral("10:11"));
  // Natural scrolling reports the turn away from the user as negative.
  QWheelEvent inverted(at, edit->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, true);
  QApplication::sendEvent(edit, &inverted);
  EXPECT_EQ(edit->text(), QStringLiteral("10:12"));
}

TEST_F(JvTimeEditTest, SpinButtonTakesTheFocusSelectsAllAndStepsTheHour) {
  edit->setText(QStringLiteral("10:20"));
  edit->setCursorPosition(4);
  before->setFocus(Qt::OtherFocusReason);
  ASSERT_FALSE(edit->hasFocus());
  QTest::mouseClick(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, UpperPart());
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->text(), QStringLiteral("11:20"));
  EXPECT_EQ(edit->selectedText(), QStringLiteral("11:20"));
  // Still all selected: the hour again.
  QTest::mouseClick(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, LowerPart());
  QTest::mouseClick(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, LowerPart());
  EXPECT_EQ(edit->text(), QStringLiteral("09:20"));
}

TEST_F(JvTimeEditTest, HoldingTheSpinButtonRepeatsAfter400ThenEvery100) {
  Put("00:05", 4);
  QTest::mousePress(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, LowerPart());
  EXPECT_EQ(edit->text(), QStringLiteral("00:04"));
  ASSERT_TRUE(edit->RepeatTimer()->isActive());
  EXPECT_EQ(edit->RepeatTimer()->interval(), 400);

  const char* expected[] = {"00:03", "00:02", "00:01", "00:00", "00:59", "00:58"};
  for (const char* text : expected) {
    FireRepeat();
    EXPECT_EQ(edit->text(), QString::fromLatin1(text));
    EXPECT_TRUE(edit->RepeatTimer()->isActive());
    EXPECT_EQ(edit->RepeatTimer()->interval(), 100);
  }
  EXPECT_EQ(edit->cursorPosition(), 4);

  QTest::mouseRelease(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, LowerPart());
  EXPECT_FALSE(edit->RepeatTimer()->isActive());
  EXPECT_EQ(edit->text(), QStringLiteral("00:58"));

  // A new press waits the long pause first again, and repeats its own way.
  QTest::mousePress(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, UpperPart());
  EXPECT_EQ(edit->text(), QStringLiteral("00:59"));
  EXPECT_EQ(edit->RepeatTimer()->interval(), 400);
  FireRepeat();
  EXPECT_EQ(edit->text(), QStringLiteral("00:00"));
  QTest::mouseRelease(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, UpperPart());
  EXPECT_FALSE(edit->RepeatTimer()->isActive());
}

TEST_F(JvTimeEditTest, DisablingWhileHeldStopsTheRepeat) {
  Put("00:05", 4);
  QTest::mousePress(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, LowerPart());
  ASSERT_TRUE(edit->RepeatTimer()->isActive());
  edit->setEnabled(false);
  EXPECT_FALSE(edit->RepeatTimer()->isActive());
  EXPECT_EQ(edit->text(), QStringLiteral("00:04"));
}

struct ReadCase {
  const char* text;
  const char* shown;
};

TEST_F(JvTimeEditTest, EveryTextIsReadBackAsATimeOfDayOrMidnight) {
  const ReadCase cases[] = {
      {"12:30", "12:30"}, {"7:5", "07:05"},   {"12:3", "12:03"},   {"0:0", "00:00"},    {"23:59", "23:59"},
      {"24:00", "00:00"}, {"25:00", "00:00"}, {"12:60", "00:00"},  {"abc", "00:00"},    {"", "00:00"},
      {"1230", "00:00"},  {"123:4", "00:00"}, {"-1:30", "00:00"},  {" 12:30", "00:00"}, {"12:30:15", "00:00"},
      {"12:", "00:00"},   {":30", "00:00"},   {"\u0661:30", "00:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    edit->setText(QStringLiteral("11:11"));
    edit->setText(QString::fromUtf8(c.text));
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.shown));
    const QString shown = QString::fromLatin1(c.shown);
    EXPECT_EQ(edit->Hour(), shown.left(2).toInt());
    EXPECT_EQ(edit->Minute(), shown.mid(3).toInt());
  }
}

TEST_F(JvTimeEditTest, DeleteCutAndPasteAreReadBackKeepingTheCaret) {
  Put("12:34", 0);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), QStringLiteral("02:34"));
  EXPECT_EQ(edit->cursorPosition(), 0);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), QStringLiteral("02:34"));
  EXPECT_EQ(edit->cursorPosition(), 0);

  Put("12:34", 2);
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->text(), QStringLiteral("00:00"));

  Put("12:34", 0);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), QStringLiteral("00:00"));
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("12:34"));

  const ReadCase pastes[] = {{"9:15", "09:15"}, {"hello", "00:00"}, {"23:59", "23:59"}, {"29:00", "00:00"}};
  for (const auto& c : pastes) {
    SCOPED_TRACE(c.text);
    Put("12:34", 0);
    edit->selectAll();
    QApplication::clipboard()->setText(QString::fromLatin1(c.text));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.shown));
  }
}

TEST_F(JvTimeEditTest, LosingTheFocusKeepsAValidTime) {
  Put("12:34", 0);
  QTest::keyClick(edit, Qt::Key_Delete);
  before->setFocus(Qt::OtherFocusReason);
  ASSERT_FALSE(edit->hasFocus());
  EXPECT_EQ(edit->text(), QStringLiteral("02:34"));
  EXPECT_EQ(edit->Seconds(), 2u * 3600u + 34u * 60u);
}

struct SecondsCase {
  std::uint32_t seconds;
  const char* text;
};

TEST_F(JvTimeEditTest, SecondsInAndOut) {
  const SecondsCase cases[] = {
      {0, "00:00"},     {5400, "01:30"},     {86340, "23:59"},    {86399, "23:59"},
      {90000, "01:00"}, {3599, "00:59"},     {16777215, "04:20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    edit->SetSeconds(c.seconds);
    EXPECT_EQ(edit->text(), QString::fromLatin1(c.text));
    EXPECT_EQ(edit->Seconds(), c.seconds % 86400u / 60u * 60u);
  }
  edit->setText(QStringLiteral("23:59"));
  EXPECT_EQ(edit->Seconds(), 86340u);
}

TEST_F(JvTimeEditTest, TimeChangedOnlyWhenTheValueChanges) {
  edit->setText(QStringLiteral("10:00"));
  QSignalSpy changed(edit, &TJvTimeEdit::timeChanged);
  edit->setText(QStringLiteral("10:0"));
  EXPECT_EQ(changed.count(), 0);
  Put("10:00", 4);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(JvTimeEditTest, DisabledFieldIgnoresTheSpinButton) {
  edit->setText(QStringLiteral("10:20"));
  edit->setEnabled(false);
  QTest::mouseClick(edit->SpinButton(), Qt::LeftButton, Qt::NoModifier, UpperPart());
  EXPECT_EQ(edit->text(), QStringLiteral("10:20"));
  EXPECT_FALSE(edit->RepeatTimer()->isActive());
}

}  // namespace

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>

#include <stdexcept>

#include "app/show_message.h"
#include "tests/app/form_fixture.h"

namespace {

// Throws from its key handler, as a faulty event handler would.
class ThrowingEdit : public QLineEdit {
 protected:
  void keyPressEvent(QKeyEvent*) override { throw std::runtime_error("the handler failed"); }
};

TEST(ShowMessageTest, ErrorEscapingAHandlerIsReportedAndTheProgramGoesOn) {
  MessageBoxRecorder messages;
  EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("Failed to set data for 'Number of language'"); }));
  EXPECT_TRUE(RunGuarded([] {}));
  EXPECT_FALSE(RunGuarded([] { throw 42; }));
  ASSERT_EQ(messages.boxes.size(), 2u);
  EXPECT_EQ(messages.boxes[0].first, MessageKind::Error);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("Failed to set data for 'Number of language'"));
  EXPECT_EQ(messages.boxes[1].first, MessageKind::Error);
  EXPECT_FALSE(messages.boxes[1].second.isEmpty());
}

TEST(ShowMessageTest, ErrorEscapingAnEventHandlerStopsAtTheApplication) {
  MessageBoxRecorder messages;
  ThrowingEdit edit;
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  QApplication::sendEvent(&edit, &press);
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, MessageKind::Error);
  EXPECT_EQ(messages.boxes[0].second, QStringLiteral("the handler failed"));
}

TEST(ShowMessageTest, BoxesCarryTheApplicationTitle) { EXPECT_EQ(ApplicationTitle(), QStringLiteral("Ombrel")); }

}  // namespace

#include "app/typing_limit.h"

#include <QLineEdit>
#include <QVariant>

#include <algorithm>

namespace {
constexpr char kTypingLimit[] = "typingLimit";

int TypingLimitOf(const QLineEdit* edit) {
  const QVariant limit = edit->property(kTypingLimit);
  return limit.isValid() ? limit.toInt() : edit->maxLength();
}
}  // namespace

void SetTypingLimit(QLineEdit* edit, int limit) {
  edit->setProperty(kTypingLimit, limit);
  edit->setMaxLength(std::max(limit, static_cast<int>(edit->text().size())));
  // QLineEdit refuses characters past its maximum length, but also cuts any
  // text set from the program to it; so the maximum follows a longer text
  // down as the person shortens it, and never rises above it again.
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, limit] {
    edit->setMaxLength(std::max(limit, static_cast<int>(edit->text().size())));
  });
}

void SetWholeText(QLineEdit* edit, const QString& text) {
  edit->setMaxLength(std::max(TypingLimitOf(edit), static_cast<int>(text.size())));
  edit->setText(text);
}

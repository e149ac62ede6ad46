#include "app/wrap_button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int kTextMargin = 4;
}

QSize WrapButton::sizeHint() const {
  const QRect room(0, 0, width() - 2 * kTextMargin, 1000);
  const QRect needed = fontMetrics().boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, text());
  return {width(), needed.height() + 2 * kTextMargin};
}

void WrapButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);

  QRect textRect = rect().adjusted(kTextMargin, kTextMargin, -kTextMargin, -kTextMargin);
  if (isDown() || isChecked()) {
    textRect.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  }
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  painter.drawText(textRect, Qt::AlignCenter | Qt::TextWordWrap, text());
}

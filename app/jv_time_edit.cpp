#include "app/jv_time_edit.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QWheelEvent>

namespace {

QString FormatTime(int hour, int minute) {
  return QStringLiteral("%1:%2").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'));
}

// Hour 0..23 and minute 0..59, each of one or two digits, separated by ':'.
bool ReadTime(const QString& text, int& hour, int& minute) {
  static const QRegularExpression form(QStringLiteral("^([0-9]{1,2}):([0-9]{1,2})$"));
  const auto match = form.match(text);
  if (!match.hasMatch()) return false;
  const int h = match.captured(1).toInt();
  const int m = match.captured(2).toInt();
  if (h > 23 || m > 59) return false;
  hour = h;
  minute = m;
  return true;
}

bool InRange(QChar c, char low, char high) { return c >= QLatin1Char(low) && c <= QLatin1Char(high); }

}  // namespace

// One button split along the diagonal from its lower-left to its upper-right
// corner: the upper-left half steps up, the lower-right half steps down.
class TJvTimeEditButton : public QWidget {
 public:
  explicit TJvTimeEditButton(TJvTimeEdit* edit) : QWidget(edit), edit_(edit) {
    setObjectName(QStringLiteral("SpinButton"));
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
  }

  // +1 for a point in the upper-left half, -1 in the lower-right half.
  int PartAt(QPointF p) const {
    const qreal w = width();
    const qreal h = height();
    return p.x() * h + p.y() * w < w * h ? +1 : -1;
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = PartAt(event->position());
    update();
    edit_->SpinPressed(pressed_);
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || pressed_ == 0) return;
    Release();
  }

  void hideEvent(QHideEvent*) override { Release(); }

  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) Release();
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Button));
    if (pressed_ != 0) {
      QPainterPath half;
      if (pressed_ > 0) {
        half.moveTo(r.topLeft());
        half.lineTo(r.topRight());
        half.lineTo(r.bottomLeft());
      } else {
        half.moveTo(r.topRight());
        half.lineTo(r.bottomRight());
        half.lineTo(r.bottomLeft());
      }
      half.closeSubpath();
      p.fillPath(half, pal.color(QPalette::Mid));
    }
    // The edit's own frame closes the button on the other three sides.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(rect().topLeft(), rect().bottomLeft());
    p.drawLine(rect().bottomLeft(), rect().topRight());

    // Small arrow heads, each in the middle of its half.
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const qreal a = std::max<qreal>(2.0, width() / 5.0);
    const QPointF up(width() * 0.30, height() * 0.30);
    const QPointF down(width() * 0.70, height() * 0.70);
    p.drawPolygon(QPolygonF{{up.x() - a, up.y() + a / 2}, {up.x() + a, up.y() + a / 2}, {up.x(), up.y() - a / 2}});
    p.drawPolygon(
        QPolygonF{{down.x() - a, down.y() - a / 2}, {down.x() + a, down.y() - a / 2}, {down.x(), down.y() + a / 2}});
  }

 private:
  void Release() {
    if (pressed_ == 0) return;
    pressed_ = 0;
    update();
    edit_->SpinReleased();
  }

  TJvTimeEdit* edit_;
  int pressed_ = 0;
};

TJvTimeEdit::TJvTimeEdit(QWidget* parent) : QLineEdit(parent) {
  FButton = new TJvTimeEditButton(this);
  FRepeatTimer = new QTimer(this);
  FRepeatTimer->setObjectName(QStringLiteral("RepeatTimer"));
  connect(FRepeatTimer, &QTimer::timeout, this, &TJvTimeEdit::RepeatStep);
  connect(this, &QLineEdit::textChanged, this, &TJvTimeEdit::ReRead);
  setText(FormatTime(0, 0));
}

TJvTimeEdit::~TJvTimeEdit() = default;

std::uint32_t TJvTimeEdit::Seconds() const {
  return static_cast<std::uint32_t>(FHour) * 3600u + static_cast<std::uint32_t>(FMinute) * 60u;
}

void TJvTimeEdit::SetSeconds(std::uint32_t seconds) {
  setText(FormatTime(static_cast<int>(seconds / 3600u % 24u), static_cast<int>(seconds / 60u % 60u)));
}

QWidget* TJvTimeEdit::SpinButton() const { return FButton; }

QSize TJvTimeEdit::sizeHint() const {
  const QFontMetrics fm = fontMetrics();
  const int height = fm.height() + 2 * FrameWidth() + 4;
  return {fm.horizontalAdvance(QStringLiteral("00:00")) + 2 * FrameWidth() + 8 + height, height};
}

QSize TJvTimeEdit::minimumSizeHint() const { return sizeHint(); }

int TJvTimeEdit::Caret() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

void TJvTimeEdit::TypeChar(QChar c) {
  int pos = Caret();
  bool accepted = false;
  switch (pos) {
    case 0: accepted = InRange(c, '0', '2'); break;
    case 1: accepted = InRange(c, '0', '9'); break;
    case 2:
      // The separator: a minute's first digit goes on past it; anything
      // else only moves the caret past it.
      if (!InRange(c, '0', '5')) {
        deselect();
        setCursorPosition(3);
        return;
      }
      pos = 3;
      accepted = true;
      break;
    case 3: accepted = InRange(c, '0', '5'); break;
    case 4: accepted = InRange(c, '0', '9'); break;
    default: break;
  }
  QString replaced = text();
  if (!accepted || pos >= replaced.size()) return;
  replaced[pos] = c;
  setText(replaced);
  deselect();
  setCursorPosition(pos + 1);
}

void TJvTimeEdit::Step(int delta) {
  if (Caret() <= 2) {
    SetTextKeepingCaret(FormatTime((FHour + delta + 24) % 24, FMinute));
  } else {
    SetTextKeepingCaret(FormatTime(FHour, (FMinute + delta + 60) % 60));
  }
}

void TJvTimeEdit::SpinPressed(int delta) {
  if (!isEnabled()) return;
  // The toolkit may already have focused the field for this very press.
  const bool entering = !hasFocus() || FFocusedByThisClick;
  FFocusedByThisClick = false;
  if (!hasFocus() && (focusPolicy() & Qt::ClickFocus) != 0) setFocus(Qt::MouseFocusReason);
  // Entered from the spin button: the whole text, so the hour steps.
  if (entering && hasFocus()) selectAll();
  if (!isReadOnly()) Step(delta);
  FRepeatDelta = delta;
  FRepeatTimer->start(InitRepeatPause);
}

void TJvTimeEdit::SpinReleased() {
  FRepeatTimer->stop();
  FRepeatDelta = 0;
}

void TJvTimeEdit::RepeatStep() {
  if (FRepeatDelta == 0 || !isEnabled()) {
    SpinReleased();
    return;
  }
  if (FRepeatTimer->interval() != RepeatPause) FRepeatTimer->setInterval(RepeatPause);
  if (!isReadOnly()) Step(FRepeatDelta);
}

void TJvTimeEdit::ReRead() {
  if (FReReading) return;
  int hour = 0;
  int minute = 0;
  if (!ReadTime(text(), hour, minute)) {
    hour = 0;
    minute = 0;
  }
  const bool changed = hour != FHour || minute != FMinute;
  FHour = hour;
  FMinute = minute;
  const QString shown = FormatTime(hour, minute);
  if (text() != shown) {
    FReReading = true;
    SetTextKeepingCaret(shown);
    FReReading = false;
  }
  if (changed) emit timeChanged();
}

void TJvTimeEdit::SetTextKeepingCaret(const QString& newText) {
  const int caret = cursorPosition();
  const int start = selectionStart();
  const int length = static_cast<int>(selectedText().size());
  setText(newText);
  const int size = static_cast<int>(text().size());
  if (start >= 0 && length > 0 && start + length <= size) {
    // Keep the caret at the same end of the selection as before.
    if (caret == start) {
      setSelection(start + length, -length);
    } else {
      setSelection(start, length);
    }
  } else {
    setCursorPosition(std::min(caret, size));
  }
}

int TJvTimeEdit::FrameWidth() const {
  QStyleOptionFrame option;
  initStyleOption(&option);
  return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
}

void TJvTimeEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::EnabledChange && !isEnabled()) SpinReleased();
}

void TJvTimeEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  const auto reason = event->reason();
  if (reason == Qt::MouseFocusReason) {
    // A click on the spin button focuses the field before the button sees
    // the press; the press follows within the same event.
    FFocusedByThisClick = true;
    QTimer::singleShot(0, this, [this] { FFocusedByThisClick = false; });
  }
  if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
    selectAll();
  }
}

void TJvTimeEdit::mousePressEvent(QMouseEvent* event) {
  FFocusedByThisClick = false;
  QLineEdit::mousePressEvent(event);
}

void TJvTimeEdit::focusOutEvent(QFocusEvent* event) {
  FFocusedByThisClick = false;
  QLineEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) ReRead();
}

void TJvTimeEdit::inputMethodEvent(QInputMethodEvent* event) {
  // Composed characters are typed like keys; nothing is inserted.
  if (!isReadOnly()) {
    for (const QChar c : event->commitString()) TypeChar(c);
  }
  event->accept();
}

void TJvTimeEdit::keyPressEvent(QKeyEvent* event) {
  if (isReadOnly()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  const auto mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && mods == 0) {
    Step(event->key() == Qt::Key_Up ? +1 : -1);
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Backspace && mods == 0) {
    event->accept();
    return;
  }
  const QString typed = event->text();
  if (mods == 0 && !typed.isEmpty() && typed.front().isPrint()) {
    for (const QChar c : typed) TypeChar(c);
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TJvTimeEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  const int frame = FrameWidth();
  const int side = std::max(0, height() - 2 * frame);
  FButton->setGeometry(width() - frame - side, frame, side, side);
  setTextMargins(0, 0, side, 0);
}

void TJvTimeEdit::wheelEvent(QWheelEvent* event) {
  const int y = event->angleDelta().y();
  if (y == 0 || isReadOnly()) {
    event->ignore();
    return;
  }
  // Follow the wheel itself, whatever the desktop's scrolling direction.
  FWheelDelta += event->inverted() ? -y : y;
  while (FWheelDelta >= 120) {
    Step(+1);
    FWheelDelta -= 120;
  }
  while (FWheelDelta <= -120) {
    Step(-1);
    FWheelDelta += 120;
  }
  event->accept();
}

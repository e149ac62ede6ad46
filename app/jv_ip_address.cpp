#include "app/jv_ip_address.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

#include <algorithm>
#include <climits>

std::uint32_t TJvIPAddressDual::Address() const {
  return static_cast<std::uint32_t>(Comps[3]) << 24 | static_cast<std::uint32_t>(Comps[2]) << 16 |
         static_cast<std::uint32_t>(Comps[1]) << 8 | static_cast<std::uint32_t>(Comps[0]);
}

void TJvIPAddressDual::SetAddress(std::uint32_t address) {
  for (auto& comp : Comps) {
    comp = static_cast<std::uint8_t>(address & 0xFFu);
    address >>= 8;
  }
}

int TJvIPAddressRange::Min(int k) const {
  switch (k) {
    case 1: return Field1Min;
    case 2: return Field2Min;
    case 3: return Field3Min;
    case 4: return Field4Min;
    default: return 0;
  }
}

int TJvIPAddressRange::Max(int k) const {
  switch (k) {
    case 1: return Field1Max;
    case 2: return Field2Max;
    case 3: return Field3Max;
    case 4: return Field4Max;
    default: return 255;
  }
}

namespace {

bool IsAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// One field takes up to three decimal digits; a number above the field's
// highest value becomes that value as it is typed or pasted.
class OctetValidator : public QValidator {
 public:
  OctetValidator(const TJvIPAddress* owner, int k, QObject* parent) : QValidator(parent), owner_(owner), k_(k) {}

  State validate(QString& input, int& pos) const override {
    if (input.size() > 3 || !std::all_of(input.cbegin(), input.cend(), IsAsciiDigit)) return Invalid;
    if (input.isEmpty()) return Intermediate;
    const int max = owner_->Range().Max(k_);
    if (input.toInt() > max) {
      input = QString::number(max);
      pos = static_cast<int>(input.size());
    }
    return Acceptable;
  }

 private:
  const TJvIPAddress* owner_;
  int k_;
};

// A part of a dotted address: a decimal number with an optional sign, else 0.
// Numbers too long for an octet come back out of range rather than wrapped.
long long ParsePart(const QString& part) {
  qsizetype i = 0;
  const bool negative = !part.isEmpty() && part.front() == QLatin1Char('-');
  if (!part.isEmpty() && (part.front() == QLatin1Char('+') || negative)) i = 1;
  if (i == part.size()) return 0;
  long long value = 0;
  for (; i < part.size(); ++i) {
    if (!IsAsciiDigit(part[i])) return 0;
    value = std::min(value * 10 + (part[i].unicode() - '0'), 1000000LL);
  }
  return negative ? -value : value;
}

}  // namespace

TJvIPAddress::TJvIPAddress(QWidget* parent) : QWidget(parent) {
  for (int i = 0; i < 4; ++i) {
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("Field%1").arg(i + 1));
    field->setFrame(false);
    field->setAlignment(Qt::AlignCenter);
    field->setMaxLength(3);
    field->setValidator(new OctetValidator(this, i + 1, field));
    field->setTextMargins(0, 0, 0, 0);
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, [this] { ReadFields(); });
    connect(field, &QLineEdit::textEdited, this, [this, i, field](const QString& text) {
      // A full field hands the caret on, as the system's address control does.
      if (i < 3 && field->hasFocus() && text.size() == 3 && field->cursorPosition() == 3) MoveTo(i + 1, true);
    });
    FFields[static_cast<std::size_t>(i)] = field;
  }
  // The box takes part in the window's tab order and hands the focus to its
  // first field, so a form can place it like any single control.
  setFocusPolicy(Qt::StrongFocus);
  setFocusProxy(FFields[0]);
  ApplyColours();
  ShowAddress();
}

void TJvIPAddress::SetAddress(quint32 address) {
  TJvIPAddressDual dual;
  dual.SetAddress(address);
  StoreAddress(dual);
  ShowAddress();
}

int TJvIPAddress::AddressValue(int k) const {
  if (k < 1 || k > 4) return 0;
  return FAddress.Comps[static_cast<std::size_t>(4 - k)];
}

void TJvIPAddress::SetAddressValue(int k, int value) {
  if (k < 1 || k > 4) return;
  if (value == AddressValue(k)) return;
  if (value < FRange.Min(k) || value > FRange.Max(k)) return;
  TJvIPAddressDual dual = FAddress;
  dual.Comps[static_cast<std::size_t>(4 - k)] = static_cast<std::uint8_t>(value);
  StoreAddress(dual);
  ShowAddress();
}

QString TJvIPAddress::Text() const {
  QStringList parts;
  for (const auto* field : FFields) parts << field->text();
  return parts.join(QLatin1Char('.'));
}

void TJvIPAddress::SetText(const QString& text) {
  QString rest = text.trimmed();
  TJvIPAddressDual dual = FAddress;
  for (int k = 1; k <= 4; ++k) {
    QString part;
    const auto dot = rest.indexOf(QLatin1Char('.'));
    if (k == 4 || dot < 0) {
      part = rest;
      rest.clear();
    } else {
      part = rest.left(dot);
      rest.remove(0, dot + 1);
    }
    const long long value = ParsePart(part);
    // Out of range: that octet keeps its value, as a direct octet set would.
    if (value < FRange.Min(k) || value > FRange.Max(k)) continue;
    dual.Comps[static_cast<std::size_t>(4 - k)] = static_cast<std::uint8_t>(value);
  }
  StoreAddress(dual);
  ShowAddress();
}

void TJvIPAddress::SetRange(const TJvIPAddressRange& range) { FRange = range; }

QLineEdit* TJvIPAddress::Field(int k) const {
  if (k < 1 || k > 4) return nullptr;
  return FFields[static_cast<std::size_t>(k - 1)];
}

bool TJvIPAddress::FieldHasFocus() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && IndexOf(focus) >= 0;
}

QSize TJvIPAddress::sizeHint() const {
  const QFontMetrics fm = fontMetrics();
  const int fieldWidth = fm.horizontalAdvance(QStringLiteral("888")) + 6;
  return {4 * fieldWidth + 3 * DotWidth() + 2 * FrameWidth(), fm.height() + 2 * FrameWidth() + 4};
}

QSize TJvIPAddress::minimumSizeHint() const { return sizeHint(); }

int TJvIPAddress::IndexOf(const QObject* watched) const {
  for (int i = 0; i < 4; ++i) {
    if (FFields[static_cast<std::size_t>(i)] == watched) return i;
  }
  return -1;
}

bool TJvIPAddress::eventFilter(QObject* watched, QEvent* event) {
  const int index = IndexOf(watched);
  if (index < 0) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
      return FieldKeyPress(index, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
      const auto* key = static_cast<QKeyEvent*>(event);
      // Tab belongs to the control, never to a field or its key-up handler.
      if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return true;
      // One key-up per key, as the system sends it, also for a held key.
      if (!key->isAutoRepeat()) emit keyUp(key->key(), key->modifiers());
      return false;
    }
    case QEvent::FocusIn:
      update();
      return false;
    case QEvent::FocusOut: {
      update();
      const auto* focus = static_cast<QFocusEvent*>(event);
      // A context menu of a field keeps the control focused in effect.
      if (focus->reason() == Qt::PopupFocusReason || FieldHasFocus()) return false;
      const bool blank = std::all_of(FFields.cbegin(), FFields.cend(),
                                     [](const QLineEdit* field) { return field->text().isEmpty(); });
      if (!blank) ShowAddress();
      return false;
    }
    default:
      return false;
  }
}

bool TJvIPAddress::FieldKeyPress(int index, QKeyEvent* event) {
  QLineEdit* field = FFields[static_cast<std::size_t>(index)];
  const int key = event->key();
  const auto mods = event->modifiers();
  const bool plain = (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;

  if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && plain) {
    const bool forward = key == Qt::Key_Tab && (mods & Qt::ShiftModifier) == 0;
    if (FTabThroughFields) {
      if (forward && index < 3) {
        MoveTo(index + 1, true);
        return true;
      }
      if (!forward && index > 0) {
        MoveTo(index - 1, true);
        return true;
      }
    } else {
      // Tab leaves the control at once: go on from its edge field.
      FFields[forward ? 3 : 0]->setFocus(Qt::OtherFocusReason);
    }
    focusNextPrevChild(forward);
    return true;
  }

  const bool selection = field->hasSelectedText();
  const int caret = field->cursorPosition();
  if (key == Qt::Key_Backspace && !selection && caret == 0 && index > 0) {
    MoveTo(index - 1, false, static_cast<int>(FFields[static_cast<std::size_t>(index - 1)]->text().size()));
    return true;
  }
  if (key == Qt::Key_Left && mods == Qt::NoModifier && !selection && caret == 0 && index > 0) {
    MoveTo(index - 1, false, static_cast<int>(FFields[static_cast<std::size_t>(index - 1)]->text().size()));
    return true;
  }
  if (key == Qt::Key_Right && mods == Qt::NoModifier && !selection && caret == field->text().size() &&
      index < 3) {
    MoveTo(index + 1, false, 0);
    return true;
  }

  const QString text = event->text();
  if (plain && !text.isEmpty() && text.front().isPrint() && !IsAsciiDigit(text.front())) {
    // The dot closes a field that holds a number; other characters are dropped.
    if (text.front() == QLatin1Char('.') && index < 3 && !field->text().isEmpty()) MoveTo(index + 1, true);
    return true;
  }
  return false;
}

void TJvIPAddress::MoveTo(int index, bool selectAll, int caret) {
  QLineEdit* field = FFields[static_cast<std::size_t>(index)];
  field->setFocus(selectAll ? Qt::TabFocusReason : Qt::OtherFocusReason);
  if (selectAll) {
    field->selectAll();
  } else {
    field->deselect();
    field->setCursorPosition(caret);
  }
}

void TJvIPAddress::ReadFields() {
  if (FShowing) return;
  TJvIPAddressDual dual;
  for (int k = 1; k <= 4; ++k) {
    // An emptied field reads as the field's lowest value.
    const int value = std::clamp(FFields[static_cast<std::size_t>(k - 1)]->text().toInt(), FRange.Min(k), FRange.Max(k));
    dual.Comps[static_cast<std::size_t>(4 - k)] = static_cast<std::uint8_t>(value);
  }
  StoreAddress(dual);
}

void TJvIPAddress::ShowAddress() {
  FShowing = true;
  for (int k = 1; k <= 4; ++k) {
    FFields[static_cast<std::size_t>(k - 1)]->setText(QString::number(AddressValue(k)));
  }
  FShowing = false;
}

void TJvIPAddress::StoreAddress(const TJvIPAddressDual& address) {
  if (address.Comps == FAddress.Comps) return;
  FAddress = address;
  emit addressChanged(FAddress.Address());
}

void TJvIPAddress::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) ApplyColours();
}

void TJvIPAddress::mousePressEvent(QMouseEvent* event) {
  // A click on the frame or a dot goes to the nearest field.
  const int x = event->position().toPoint().x();
  int nearest = 0;
  int best = INT_MAX;
  for (int i = 0; i < 4; ++i) {
    const QRect r = FFields[static_cast<std::size_t>(i)]->geometry();
    const int distance = x < r.left() ? r.left() - x : (x > r.right() ? x - r.right() : 0);
    if (distance < best) {
      best = distance;
      nearest = i;
    }
  }
  QLineEdit* field = FFields[static_cast<std::size_t>(nearest)];
  const bool before = x < field->geometry().center().x();
  MoveTo(nearest, false, before ? 0 : static_cast<int>(field->text().size()));
  event->accept();
}

QColor TJvIPAddress::BackgroundColour() const {
  return palette().color(QPalette::Active, isEnabled() ? QPalette::Base : QPalette::Button);
}

QColor TJvIPAddress::TextColour() const {
  return palette().color(QPalette::Active, isEnabled() ? QPalette::Text : QPalette::Dark);
}

void TJvIPAddress::ApplyColours() {
  const QColor background = BackgroundColour();
  const QColor text = TextColour();
  for (auto* field : FFields) {
    QPalette palette = field->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, QPalette::Base, background);
      palette.setColor(group, QPalette::Window, background);
      palette.setColor(group, QPalette::Text, text);
    }
    field->setPalette(palette);
  }
  update();
}

int TJvIPAddress::FrameWidth() const {
  QStyleOptionFrame option;
  option.initFrom(this);
  return style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
}

int TJvIPAddress::DotWidth() const { return fontMetrics().horizontalAdvance(QLatin1Char('.')) + 3; }

QRect TJvIPAddress::DotRect(int gap) const {
  const QRect left = FFields[static_cast<std::size_t>(gap)]->geometry();
  const QRect right = FFields[static_cast<std::size_t>(gap + 1)]->geometry();
  return {left.right() + 1, left.top(), right.left() - left.right() - 1, left.height()};
}

void TJvIPAddress::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int frame = FrameWidth();
  const QRect inner = rect().adjusted(frame, frame, -frame, -frame);
  const int dot = DotWidth();
  const int total = std::max(0, inner.width() - 3 * dot);
  int x = inner.left();
  for (int i = 0; i < 4; ++i) {
    // Spread the odd pixels over the first fields so the dots sit evenly.
    const int width = total / 4 + (i < total % 4 ? 1 : 0);
    FFields[static_cast<std::size_t>(i)]->setGeometry(x, inner.top(), width, inner.height());
    x += width + dot;
  }
}

void TJvIPAddress::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionFrame option;
  option.initFrom(this);
  option.rect = rect();
  option.lineWidth = FrameWidth();
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  if (FieldHasFocus()) option.state |= QStyle::State_HasFocus;
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    option.palette.setColor(group, QPalette::Base, BackgroundColour());
  }
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);

  // The gaps match the fields, which cover the style's inner shading.
  painter.setPen(TextColour());
  painter.setFont(font());
  for (int gap = 0; gap < 3; ++gap) {
    painter.fillRect(DotRect(gap), BackgroundColour());
    painter.drawText(DotRect(gap), Qt::AlignCenter, QStringLiteral("."));
  }
}

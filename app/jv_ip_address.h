#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

class QLineEdit;

// The four octets of an IPv4 address over the 32-bit number they make up.
// Comps[0] is the least significant byte, the rightmost octet on screen;
// Comps[3] the most significant, the leftmost.
struct TJvIPAddressDual {
  std::array<std::uint8_t, 4> Comps{};

  std::uint32_t Address() const;
  void SetAddress(std::uint32_t address);
};

// The lowest and highest value of each of the four fields, leftmost first.
struct TJvIPAddressRange {
  std::uint8_t Field1Min = 0;
  std::uint8_t Field1Max = 255;
  std::uint8_t Field2Min = 0;
  std::uint8_t Field2Max = 255;
  std::uint8_t Field3Min = 0;
  std::uint8_t Field3Max = 255;
  std::uint8_t Field4Min = 0;
  std::uint8_t Field4Max = 255;

  // k = 1..4, counted from the left.
  int Min(int k) const;
  int Max(int k) const;
};

// IPv4 address entry: four decimal fields in one box with dots between them.
// Address follows every edit; keys typed in any field reach keyUp after
// their edit has been taken into Address.
class TJvIPAddress : public QWidget {
  Q_OBJECT
  // Settable from a form as a dynamic property; a signed number from the form
  // is taken bit for bit.
  Q_PROPERTY(quint32 Address READ Address WRITE SetAddress NOTIFY addressChanged)
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(bool TabThroughFields READ TabThroughFields WRITE SetTabThroughFields)

 public:
  explicit TJvIPAddress(QWidget* parent = nullptr);

  quint32 Address() const { return FAddress.Address(); }
  void SetAddress(quint32 address);

  // Octet k (1..4) from the left; 0 for any other k.
  int AddressValue(int k) const;
  // Sets octet k from the left. A k outside 1..4 or a value outside the
  // field's range is ignored; setting the value it already has does nothing.
  void SetAddressValue(int k, int value);

  // The four fields as shown, joined by dots.
  QString Text() const;
  // Takes a dotted address; parts missing or not decimal count as 0, parts
  // outside the range leave their octet as it was.
  void SetText(const QString& text);

  const TJvIPAddressRange& Range() const { return FRange; }
  void SetRange(const TJvIPAddressRange& range);

  bool TabThroughFields() const { return FTabThroughFields; }
  void SetTabThroughFields(bool on) { FTabThroughFields = on; }

  // Field k (1..4) from the left; nullptr for any other k.
  QLineEdit* Field(int k) const;

  // True while one of the four fields has the keyboard focus.
  bool FieldHasFocus() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // A key was released in one of the fields (never for Tab).
  void keyUp(int key, Qt::KeyboardModifiers shift);
  void addressChanged(quint32 address);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int IndexOf(const QObject* watched) const;
  bool FieldKeyPress(int index, QKeyEvent* event);
  void MoveTo(int index, bool selectAll, int caret = 0);
  void ReadFields();
  void ShowAddress();
  void StoreAddress(const TJvIPAddressDual& address);
  void ApplyColours();
  QColor BackgroundColour() const;
  QColor TextColour() const;
  int FrameWidth() const;
  int DotWidth() const;
  QRect DotRect(int gap) const;

  TJvIPAddressDual FAddress;
  TJvIPAddressRange FRange;
  bool FTabThroughFields = true;
  std::array<QLineEdit*, 4> FFields{};
  bool FShowing = false;
};

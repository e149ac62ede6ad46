#pragma once

#include <QLineEdit>

#include <cstdint>

class QTimer;
class TJvTimeEditButton;

// HH:MM entry (24-hour clock, no seconds) with a diagonal spin button at its
// right end. Typing overwrites digit by digit; Up/Down, the spin button and
// the wheel step the hour or the minute under the caret, wrapping without
// carry. Every change of the text, also by the program through setText(), is
// read back at once: the text is always a valid HH:MM, "00:00" when what was
// there is no time of day.
class TJvTimeEdit : public QLineEdit {
  Q_OBJECT

 public:
  // Pauses of the spin button held down: before the first repeat, then
  // between repeats (ms).
  static constexpr int InitRepeatPause = 400;
  static constexpr int RepeatPause = 100;

  explicit TJvTimeEdit(QWidget* parent = nullptr);
  ~TJvTimeEdit() override;

  // The time of day last accepted, as shown.
  int Hour() const { return FHour; }
  int Minute() const { return FMinute; }

  // hours * 3600 + minutes * 60.
  std::uint32_t Seconds() const;
  // Shows a count of seconds as a time of day: hours modulo 24, the
  // seconds below a full minute dropped.
  void SetSeconds(std::uint32_t seconds);

  // The spin button and its repeat timer, reachable for tests and tools.
  QWidget* SpinButton() const;
  QTimer* RepeatTimer() const { return FRepeatTimer; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The accepted time changed.
  void timeChanged();

 protected:
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  friend class TJvTimeEditButton;

  // Where typing and stepping act: the start of a selection, else the caret.
  int Caret() const;
  void TypeChar(QChar c);
  void Step(int delta);
  void SpinPressed(int delta);
  void SpinReleased();
  void RepeatStep();
  void ReRead();
  void SetTextKeepingCaret(const QString& text);
  int FrameWidth() const;

  int FHour = 0;
  int FMinute = 0;
  bool FReReading = false;
  bool FFocusedByThisClick = false;
  int FWheelDelta = 0;
  int FRepeatDelta = 0;
  TJvTimeEditButton* FButton = nullptr;
  QTimer* FRepeatTimer = nullptr;
};

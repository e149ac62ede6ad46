#pragma once

#include <QPushButton>

// A push button whose caption wraps onto further lines when it is wider than
// the button, as the network search button needs in most languages.
class WrapButton : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

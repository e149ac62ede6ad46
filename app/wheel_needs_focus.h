#pragma once

#include <QObject>

class QComboBox;

// Lets the mouse wheel change a list only while the list has keyboard focus,
// so that scrolling across the window never picks a language or a unit by
// accident. A wheel turn over a list without focus neither focuses nor
// changes it; it goes on to the list's container.
class WheelNeedsFocus : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Watches `list`; a list that took focus by the wheel now takes it only
  // by click and tab.
  void Watch(QComboBox* list);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

#include "app/wheel_needs_focus.h"

#include <QComboBox>
#include <QEvent>

void WheelNeedsFocus::Watch(QComboBox* list) {
  if (list->focusPolicy() == Qt::WheelFocus) list->setFocusPolicy(Qt::StrongFocus);
  list->installEventFilter(this);
}

bool WheelNeedsFocus::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    auto* list = qobject_cast<QComboBox*>(watched);
    if (list != nullptr && !list->hasFocus()) {
      // Not accepted: the event goes on to the container.
      event->ignore();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

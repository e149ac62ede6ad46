#include "app/control_colours.h"

#include <QComboBox>
#include <QPalette>
#include <QWidget>

void SetBackgroundColour(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  // An editable combo box paints its text field with Base and its button
  // with Button; panels and labels fill with Window.
  for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, role, colour);
    }
  }
  control->setPalette(palette);
  control->setAutoFillBackground(true);
}

QColor BackgroundColour(const QWidget* control) {
  const auto role = qobject_cast<const QComboBox*>(control) ? QPalette::Base : QPalette::Window;
  return control->palette().color(QPalette::Active, role);
}

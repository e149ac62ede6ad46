#pragma once

#include <QColor>

class QWidget;

// Pure red and pure green: the device box and the two connection panels.
inline const QColor kStateRed{255, 0, 0};
inline const QColor kStateGreen{0, 255, 0};

// Gives a control its own background colour, kept under the visual style.
void SetBackgroundColour(QWidget* control, const QColor& colour);

// The background colour a control shows.
QColor BackgroundColour(const QWidget* control);

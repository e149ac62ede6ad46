#pragma once

#include <QString>

#include <stdexcept>

// The number written in a list item, as the upload reads it. A list without
// a selected item gives an empty text, which is no number: the conversion
// fails with the toolkit's own message, and the caller's handler ends there.
inline int NumberOfText(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) throw std::invalid_argument("'" + text.toStdString() + "' is not a valid integer value");
  return value;
}

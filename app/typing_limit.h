#pragma once

#include <QString>

class QLineEdit;

// A limit on what a person types into a line edit that never cuts a text the
// program puts there: a longer text from the unit is kept whole, and a
// person's edits can only shorten it until it is within the limit again.

// Limits typing into `edit` to `limit` characters.
void SetTypingLimit(QLineEdit* edit, int limit);

// Puts `text` into `edit` whole, however long it is.
void SetWholeText(QLineEdit* edit, const QString& text);

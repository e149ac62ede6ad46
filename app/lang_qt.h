#pragma once

#include <QString>

#include "i18n/lang_strings.h"

// Row `row` of the message table in the column in use, for the window.
inline QString LangQ(std::size_t row) {
  const std::string_view text = LangText(row);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}


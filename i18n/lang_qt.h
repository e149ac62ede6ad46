#pragma once

#include <QString>

#include "i18n/lang_strings.h"

// Row `row` of the message table in the column in use, for the window.
inline QString LangQ(std::size_t row) {
  const std::string_view text = LangText(row);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The filter label with every field zero, as it reads without a unit.
inline QString ZeroFilterTimeText() {
  return LangQ(37) + QStringLiteral("00") + LangQ(38) + QStringLiteral("00") + LangQ(39) + QStringLiteral("00") +
         LangQ(40) + QStringLiteral("00");
}

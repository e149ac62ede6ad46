#include "i18n/lang_strings.h"

// Placeholder until the table is filled in.
const LangTable LangStrings{};
std::uint8_t LanguageIndex = LangEng;

std::string_view LangText(std::size_t row) {
  return row < LangRowCount ? LangStrings[row][LanguageIndex % LangColumnCount] : std::string_view{};
}

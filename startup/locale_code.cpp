#include "startup/locale_code.h"

#include <array>
#include <utility>

#include "i18n/lang_strings.h"

std::string LanguageCodeOfLocaleName(std::string_view name) {
  const auto end = name.find_first_of("_.@");
  const std::string_view language = name.substr(0, end);
  if (language.size() < 2 || language.size() > 3) return {};
  for (char c : language) {
    if (c < 'a' || c > 'z') return {};
  }
  return MacrolanguageCode(language);
}

std::string MacrolanguageCode(std::string_view code) {
  if (code == "nb" || code == "nn") return "no";
  return std::string(code);
}

std::uint8_t LanguageIndexForCode(std::string_view code) {
  static constexpr std::array<std::pair<std::string_view, std::uint8_t>, 8> kCodes{{
      {"ru", LangRus},
      {"en", LangEng},
      {"zh", LangZh},
      {"uk", LangUkr},
      {"de", LangDeu},
      {"da", LangDan},
      {"pl", LangPol},
      {"no", LangNor},
  }};
  for (const auto& [known, index] : kCodes) {
    if (code == known) return index;
  }
  return LangEng;
}

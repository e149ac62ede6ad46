#include <gtest/gtest.h>

#include "startup/locale_code.h"
#include "i18n/lang_strings.h"

namespace {

TEST(LocaleCodeTest, LanguageOfLocaleName) {
  const struct {
    const char* name;
    const char* code;
  } cases[] = {
      {"de_DE.UTF-8", "de"}, {"en_GB", "en"},  {"zh_CN.GB18030", "zh"}, {"nb_NO.UTF-8", "no"},
      {"nn_NO", "no"},       {"da", "da"},     {"sr_RS@latin", "sr"},   {"uk_UA.utf8", "uk"},
      {"C", ""},             {"POSIX", ""},    {"C.UTF-8", ""},         {"", ""},
      {"_US", ""},           {"EN_us", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageCodeOfLocaleName(c.name), c.code) << c.name;
}

TEST(LocaleCodeTest, NorwegianAsWindowsNamesItIsTheMacrolanguage) {
  EXPECT_EQ(MacrolanguageCode("nb"), "no");
  EXPECT_EQ(MacrolanguageCode("nn"), "no");
  EXPECT_EQ(MacrolanguageCode("no"), "no");
  EXPECT_EQ(MacrolanguageCode("de"), "de");
  EXPECT_EQ(MacrolanguageCode("nob"), "nob");
  EXPECT_EQ(MacrolanguageCode(""), "");
}

TEST(LocaleCodeTest, ColumnOfCode) {
  const struct {
    const char* code;
    std::uint8_t column;
  } cases[] = {
      {"ru", LangRus}, {"en", LangEng}, {"zh", LangZh}, {"uk", LangUkr}, {"de", LangDeu},
      {"da", LangDan}, {"pl", LangPol}, {"no", LangNor}, {"fr", LangEng}, {"", LangEng},
      {"nb", LangEng}, {"RU", LangEng},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageIndexForCode(c.code), c.column) << c.code;
}

}  // namespace

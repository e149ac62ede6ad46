#include "i18n/lang_strings.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

// Strict UTF-8: no stray or missing continuation bytes, no overlong forms,
// no surrogates, nothing above U+10FFFF. A table compiled with the wrong
// source or execution character set fails here.
bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

bool HasControlCharacter(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

struct FixedRow {
  std::size_t row;
  std::array<std::string_view, LangColumnCount> texts;  // RUS ENG ZH UKR DEU DAN POL NOR
};

// Rows whose wording is fixed in all eight languages: captions composed with
// other text, the device-box and status texts, and the messages. Blanks are
// part of the texts; the Danish rows 57 and 58 carry two zero-width spaces.
constexpr FixedRow kFixedRows[] = {
    {0,
     {{"Выберите устройство",
       "Select device",
       "选择设备",
       "Виберіть пристрій",
       "Gerät wählen",
       "Vælg en enhed",
       "Wybierz urządzenie",
       "Velg en enhet"}}},
    {31,
     {{"Применить",
       "Apply/Save",
       "申请/存储",
       "Зберегти",
       "Anwenden",
       "Anvend/Gem",
       "Użyj",
       "Anvend/Lagre"}}},
    {36,
     {{" %RH",
       " %RH",
       " %RH",
       " %RH",
       " %RF",
       " %RH",
       " %RH",
       " %RH"}}},
    {37,
     {{"Дней: ",
       "Days: ",
       "日期: ",
       "Днів: ",
       "Tage: ",
       "Dage",
       "Dni",
       "Dager"}}},
    {38,
     {{"    Часов: ",
       "    Hours: ",
       "    小时: ",
       "    Годин: ",
       "    Stunden: ",
       "    Timer",
       "    Godzin",
       "    Timer"}}},
    {39,
     {{"    Минут: ",
       "    Minutes: ",
       "    分钟: ",
       "    Хвилин: ",
       "    Minuten: ",
       "    Minutter",
       "    Minut",
       "    Minutter"}}},
    {40,
     {{"    Секунд: ",
       "    Seconds: ",
       "    秒数: ",
       "    Секунд: ",
       "    Sekunden: ",
       "    Sekunder",
       "    Sekund",
       "    Sekunder"}}},
    {42,
     {{"С/Н:",
       "S/N:",
       "编码:",
       "С/Н:",
       "S/N:",
       "S/N",
       "C/H",
       "S/N"}}},
    {51,
     {{"Версия: ",
       "Version: ",
       "版本: ",
       "Версія: ",
       "Version: ",
       "Version: ",
       "Wersja: ",
       "Versjon: "}}},
    {54,
     {{"   Нет устройств",
       "   No devices",
       "   沒有設備",
       "   Немає пристроїв",
       "   Keine Geräte",
       "   Ingen enheder",
       "   Brak urządzeń",
       "   Ingen enheter"}}},
    {55,
     {{"Пожалуйста, выберите устройство",
       "Select device",
       "請選擇設備",
       "Будь ласка, виберіть пристрій",
       "Gerät wählen",
       "Vælg enhed",
       "Proszę o wybranie urządzenia",
       "Velg enhet"}}},
    {56,
     {{"Пожалуйста, подождите...",
       "Please wait...",
       "請稍候...",
       "Будь ласка, зачекайте ...",
       "Bitte warten...",
       "Vent venligst",
       "Proszę zaczekać",
       "Vennligst vent"}}},
    {57,
     {{"Длина имени Wi-Fi должна быть 1 - 32 символов",
       "The length of name of Wi-Fi must be 1 - 32 characters",
       "對Wi-Fi的名稱長度必須是1 - 32個字符",
       "Довжина імені Wi-Fi повинна бути 1 - 32 символів",
       "Max. 32 Zeichen für WLAN Name ",
       "Længden af \u200B\u200Bnavnet på Wi-Fi skal være 1 - 32 tegn",
       "Długość nazwy sieci Wi-Fi ma stanowić 1 - 32 symbole",
       "Lengden på Wi-Fi-navn må være 1-32 tegn"}}},
    {58,
     {{"Длина пароля должна быть 8 - 60 символов",
       "The length of password must be 8 - 60 characters",
       "密碼必須為8 - 60個字符",
       "Довжина пароля повинна бути 8 - 60 символів",
       "Passwortlänge mind. 8 bis max. 60 Zeichen",
       "Længden af \u200B\u200Badgangskode skal være 8 - 60 tegn",
       "Długość hasła ma stanowić 8 - 60 symboli",
       "Lengden på passord må være 8-60 tegn"}}},
    {59,
     {{"Пожалуйста, закройте \"Service Kolvmark Tovra\"",
       "Please close \"Service Kolvmark Tovra\"",
       "請關閉 \"Service Kolvmark Tovra\"",
       "Будь ласка, закрийте \"Service Kolvmark Tovra\"",
       "Bitte \"Service Kolvmark Tovra\" schließen",
       "Luk venligst \"Service Kolvmark Tovra\"",
       "Proszę o zamknięcie \"Service Kolvmark Tovra\"",
       "Vennligst lukk \"Service Kolvmark Tovra\""}}},
};

// Column 1 of every row.
constexpr std::array<std::string_view, LangRowCount> kEnglish = {{
    "Select device",  // 0
    "Select device mode",  // 1
    "Select connection type",  // 2
    "Master",  // 3
    "Slave",  // 4
    "No Wi-Fi router",  // 5
    "With Wi-Fi router",  // 6
    "Receive current parameters",  // 7
    "Restore default parameters",  // 8
    "Wi-Fi",  // 9
    "Fan",  // 10
    "Filter",  // 11
    "Search Wi-Fi",  // 12
    "Name of Wi-Fi (1 - 32 characters)",  // 13
    "Type of security",  // 14
    "Open",  // 15
    "WPA_PSK",  // 16
    "WPA2_PSK",  // 17
    "WPA_WPA2_PSK",  // 18
    "New Wi-Fi password (8 - 60 characters)",  // 19
    "Wi-Fi Password (0 - 60 characters)",  // 20
    "Wi-Fi channel",  // 21
    "MASTER IP address",  // 22
    "SLAVE IP address",  // 23
    "SLAVE number",  // 24
    "DHCP",  // 25
    "Static",  // 26
    "Wi-Fi Connected",  // 27
    "Wi-Fi Disconnected",  // 28
    "Master Connected",  // 29
    "Master Disconnected",  // 30
    "Apply/Save",  // 31
    "Available OFF device",  // 32
    "Direction",  // 33
    "Supply",  // 34
    "Exhaust",  // 35
    " %RH",  // 36
    "Days: ",  // 37
    "    Hours: ",  // 38
    "    Minutes: ",  // 39
    "    Seconds: ",  // 40
    "Reset the filter timer",  // 41
    "S/N:",  // 42
    "Language",  // 43
    "Information",  // 44
    "Turn-off delay timer",  // 45
    "Night mode timer",  // 46
    "Party mode timer",  // 47
    "Humidity sensor",  // 48
    "Relay sensor",  // 49
    "0 - 10V sensor",  // 50
    "Version: ",  // 51
    "Developed by: Kolvmark",  // 52
    "User Manual",  // 53
    "   No devices",  // 54
    "Select device",  // 55
    "Please wait...",  // 56
    "The length of name of Wi-Fi must be 1 - 32 characters",  // 57
    "The length of password must be 8 - 60 characters",  // 58
    "Please close \"Service Kolvmark Tovra\"",  // 59
    "Boost in current mode",  // 60
    "Boost and switch to exhaust mode",  // 61
    "Humidity control scenario:",  // 62
    "Default Gateway",  // 63
}};

const FixedRow* FindFixedRow(std::size_t row) {
  for (const FixedRow& fixed : kFixedRows) {
    if (fixed.row == row) return &fixed;
  }
  return nullptr;
}

// Technical names that no language translates.
constexpr std::array<std::size_t, 4> kTechnicalRows = {{16, 17, 18, 25}};

// Entries of the freely translated rows that may equal the English text:
// the technical names, and "Filter", which is the German, Danish and
// Norwegian word as well.
bool MayEqualEnglish(std::size_t row, std::size_t column) {
  for (const std::size_t technical : kTechnicalRows) {
    if (row == technical) return true;
  }
  return row == 11 && (column == LangDeu || column == LangDan || column == LangNor);
}

TEST(LangStringsTest, EveryEntryIsNonEmptyUtf8WithoutControlCharacters) {
  // The checks themselves must reject what they are meant to catch.
  ASSERT_FALSE(IsValidUtf8("\xC3"));
  ASSERT_FALSE(IsValidUtf8("\xC0\xAF"));
  ASSERT_FALSE(IsValidUtf8("\xED\xA0\x80"));
  ASSERT_FALSE(IsValidUtf8("\xE4r"));
  ASSERT_TRUE(HasControlCharacter("a\tb"));

  for (std::size_t row = 0; row < LangRowCount; ++row) {
    for (std::size_t column = 0; column < LangColumnCount; ++column) {
      const std::string_view text = LangStrings[row][column];
      EXPECT_FALSE(text.empty()) << "row " << row << ", column " << column;
      EXPECT_TRUE(IsValidUtf8(text)) << "row " << row << ", column " << column;
      EXPECT_FALSE(HasControlCharacter(text)) << "row " << row << ", column " << column;
    }
  }
}

TEST(LangStringsTest, EnglishColumnHoldsEveryCaption) {
  for (std::size_t row = 0; row < LangRowCount; ++row) {
    EXPECT_EQ(LangStrings[row][LangEng], kEnglish[row]) << "row " << row;
  }
}

TEST(LangStringsTest, FixedRowsMatchInEveryLanguage) {
  for (const FixedRow& fixed : kFixedRows) {
    for (std::size_t column = 0; column < LangColumnCount; ++column) {
      EXPECT_EQ(LangStrings[fixed.row][column], fixed.texts[column])
          << "row " << fixed.row << ", column " << column;
    }
  }
}

TEST(LangStringsTest, TechnicalNamesStayUntranslated) {
  for (const std::size_t row : kTechnicalRows) {
    for (std::size_t column = 0; column < LangColumnCount; ++column) {
      EXPECT_EQ(LangStrings[row][column], kEnglish[row]) << "row " << row << ", column " << column;
    }
  }
}

TEST(LangStringsTest, TranslatedRowsAreNotCopiesOfEnglish) {
  for (std::size_t row = 0; row < LangRowCount; ++row) {
    if (FindFixedRow(row) != nullptr) continue;
    for (std::size_t column = 0; column < LangColumnCount; ++column) {
      if (column == LangEng || MayEqualEnglish(row, column)) continue;
      EXPECT_NE(LangStrings[row][column], LangStrings[row][LangEng])
          << "row " << row << ", column " << column;
    }
  }
}

TEST(LangStringsTest, TranslatedRowsCarryNoLeadingOrTrailingBlank) {
  for (std::size_t row = 0; row < LangRowCount; ++row) {
    if (FindFixedRow(row) != nullptr) continue;
    for (std::size_t column = 0; column < LangColumnCount; ++column) {
      const std::string_view text = LangStrings[row][column];
      ASSERT_FALSE(text.empty());
      EXPECT_NE(text.front(), ' ') << "row " << row << ", column " << column;
      EXPECT_NE(text.back(), ' ') << "row " << row << ", column " << column;
    }
  }
}

TEST(LangStringsTest, TranslationsKeepLimitsAndCompanyName) {
  struct Kept {
    std::size_t row;
    std::string_view fragment;
  };
  // The length limits shown above the name and password fields are the
  // limits the upload enforces; the sensor range and the company name are
  // the same in every language.
  constexpr Kept kKept[] = {
      {13, "1 - 32"}, {19, "8 - 60"}, {20, "0 - 60"}, {50, "0 - 10V"}, {52, "Kolvmark"},
  };
  for (const Kept& kept : kKept) {
    for (std::size_t column = 0; column < LangColumnCount; ++column) {
      EXPECT_NE(LangStrings[kept.row][column].find(kept.fragment), std::string_view::npos)
          << "row " << kept.row << ", column " << column << ": " << LangStrings[kept.row][column];
    }
  }
}

class LangTextTest : public ::testing::Test {
 protected:
  void TearDown() override { LanguageIndex = saved_; }

 private:
  std::uint8_t saved_ = LanguageIndex;
};

TEST_F(LangTextTest, ReadsTheColumnInUseAtEachCall) {
  // Row 0 differs in every language, so each column is recognisable.
  const FixedRow* row0 = FindFixedRow(0);
  ASSERT_NE(row0, nullptr);
  for (std::uint8_t column = 0; column < LangColumnCount; ++column) {
    LanguageIndex = column;
    EXPECT_EQ(LangText(0), row0->texts[column]) << "column " << int{column};
  }

  LanguageIndex = LangDeu;
  EXPECT_EQ(LangText(36), " %RF");
  LanguageIndex = LangEng;
  EXPECT_EQ(LangText(36), " %RH");
  LanguageIndex = LangDan;
  EXPECT_EQ(LangText(37), "Dage");
  EXPECT_EQ(LangText(63), LangStrings[63][LangDan]);
}

TEST_F(LangTextTest, RowOutsideTheTableGivesEmptyText) {
  for (std::uint8_t column = 0; column < LangColumnCount; ++column) {
    LanguageIndex = column;
    EXPECT_TRUE(LangText(LangRowCount).empty()) << "column " << int{column};
    EXPECT_TRUE(LangText(std::numeric_limits<std::size_t>::max()).empty()) << "column " << int{column};
  }
}

TEST_F(LangTextTest, ColumnOutsideTheTableStillGivesATextOfTheRow) {
  for (const std::uint8_t index : {std::uint8_t{8}, std::uint8_t{255}}) {
    LanguageIndex = index;
    const std::string_view text = LangText(0);
    bool found = false;
    for (const std::string_view candidate : LangStrings[0]) found = found || text == candidate;
    EXPECT_TRUE(found) << "index " << int{index};
  }
}

}  // namespace

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The language-dependent texts of the program: one row per caption or
// message, one column per language. Texts are UTF-8 and are shown exactly as
// stored, leading and trailing blanks included.

inline constexpr std::size_t LangRowCount = 64;
inline constexpr std::size_t LangColumnCount = 8;

// Columns; also the item indexes of the language box.
enum LangColumn : std::uint8_t {
  LangRus = 0,
  LangEng = 1,
  LangZh = 2,
  LangUkr = 3,
  LangDeu = 4,
  LangDan = 5,
  LangPol = 6,
  LangNor = 7,
};

using LangTable = std::array<std::array<std::string_view, LangColumnCount>, LangRowCount>;

// Indexed [row][column].
extern const LangTable LangStrings;

// The column in use, 0..7. Set at start-up, changed only by the language box.
extern std::uint8_t LanguageIndex;

// Row `row` in the column in use, read at the moment of the call.
std::string_view LangText(std::size_t row);

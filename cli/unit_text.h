// The unit's texts are bytes, one character each; files and terminals are
// UTF-8. These convert between the two without losing a byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ombrel::cli {

// "\xHH": how messages and prints show a byte that is no printable character.
std::string HexEscape(unsigned char byte);

// Each character (a code from 0 to 255 for anything the unit sent) as UTF-8.
std::string Utf8OfUnitText(std::u16string_view text);

struct UnitTextResult {
  std::u16string text;
  // Why the text cannot go to the unit; empty when it can.
  std::string problem;
};

// UTF-8 to the unit's one byte per character. A character above U+00FF has
// no byte of its own on the wire and is refused, as is malformed UTF-8.
UnitTextResult UnitTextOfUtf8(std::string_view utf8);

// A file's text as a message may quote it to a terminal: control
// characters (C0, DEL and C1) and bytes that are not UTF-8 as \xHH, every
// other character as it stands.
std::string Printable(std::string_view text);

// The first character of a non-empty text: its UTF-8 sequence, or its first
// byte when that starts none. For a message that names one character.
std::string_view FirstCharacter(std::string_view text);

}  // namespace ombrel::cli

#include "cli/unit_text.h"

#include <cstdint>
#include <cstdio>

#include "hid/utf16.h"

namespace ombrel::cli {
namespace {

struct Decoded {
  std::uint32_t code = 0;
  std::size_t length = 0;  // 0: the bytes at that place are not UTF-8
};

// The character at `at`: a lead byte, its continuation bytes all within
// the text, and no overlong form.
Decoded DecodeAt(std::string_view utf8, std::size_t at) {
  const auto lead = static_cast<unsigned char>(utf8[at]);
  Decoded d;
  if (lead < 0x80) return {lead, 1};
  if ((lead & 0xE0) == 0xC0) d = {lead & 0x1Fu, 2};
  else if ((lead & 0xF0) == 0xE0) d = {lead & 0x0Fu, 3};
  else if ((lead & 0xF8) == 0xF0) d = {lead & 0x07u, 4};
  else return {};
  if (d.length > utf8.size() - at) return {};
  for (std::size_t k = 1; k < d.length; ++k) {
    const auto next = static_cast<unsigned char>(utf8[at + k]);
    if ((next & 0xC0) != 0x80) return {};
    d.code = (d.code << 6) | (next & 0x3Fu);
  }
  const bool overlong = (d.length == 2 && d.code < 0x80) || (d.length == 3 && d.code < 0x800) ||
                        (d.length == 4 && d.code < 0x10000);
  return overlong ? Decoded{} : d;
}

}  // namespace

std::string HexEscape(unsigned char byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
  return hex;
}

std::string Utf8OfUnitText(std::u16string_view text) {
  std::string out;
  // NUL included: each character stands for one byte of the unit.
  for (char16_t c : text) AppendUtf8(out, c);
  return out;
}

UnitTextResult UnitTextOfUtf8(std::string_view utf8) {
  UnitTextResult result;
  for (std::size_t i = 0; i < utf8.size();) {
    const Decoded d = DecodeAt(utf8, i);
    if (d.length == 0) {
      result.problem = "is not valid UTF-8";
      return result;
    }
    if (d.code > 0xFF) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(d.code));
      result.problem = std::string("holds ") + hex +
                       ", which the unit cannot store (it takes characters up to U+00FF)";
      return result;
    }
    result.text += static_cast<char16_t>(d.code);
    i += d.length;
  }
  return result;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const Decoded d = DecodeAt(text, i);
    const bool character = d.length != 0 && d.code <= 0x10FFFF && (d.code < 0xD800 || d.code > 0xDFFF);
    const bool control = d.code < 0x20 || (d.code >= 0x7F && d.code <= 0x9F);
    if (!character || control) {
      // Each byte of a C1 control's UTF-8 form, or the one byte that is
      // not UTF-8; what follows it is looked at anew.
      const std::size_t bytes = character ? d.length : 1;
      for (std::size_t k = 0; k < bytes; ++k) out += HexEscape(static_cast<unsigned char>(text[i + k]));
      i += bytes;
      continue;
    }
    out += text.substr(i, d.length);
    i += d.length;
  }
  return out;
}

std::string_view FirstCharacter(std::string_view text) {
  const Decoded d = DecodeAt(text, 0);
  return text.substr(0, d.length == 0 ? 1 : d.length);
}

}  // namespace ombrel::cli

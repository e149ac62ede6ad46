#include "cli/unit_text.h"

#include <cstdint>
#include <cstdio>

#include "hid/utf16.h"

namespace ombrel::cli {

std::string Utf8OfUnitText(std::u16string_view text) {
  std::string out;
  // NUL included: each character stands for one byte of the unit.
  for (char16_t c : text) AppendUtf8(out, c);
  return out;
}

UnitTextResult UnitTextOfUtf8(std::string_view utf8) {
  UnitTextResult result;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::uint32_t code = 0;
    std::size_t length = 0;
    if (lead < 0x80) {
      code = lead;
      length = 1;
    } else if ((lead & 0xE0) == 0xC0) {
      code = lead & 0x1F;
      length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
      code = lead & 0x0F;
      length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
      code = lead & 0x07;
      length = 4;
    } else {
      result.problem = "is not valid UTF-8";
      return result;
    }
    if (i + length > utf8.size()) {
      result.problem = "is not valid UTF-8";
      return result;
    }
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) {
        result.problem = "is not valid UTF-8";
        return result;
      }
      code = (code << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 2 && code < 0x80) || (length == 3 && code < 0x800) ||
                          (length == 4 && code < 0x10000);
    if (overlong) {
      result.problem = "is not valid UTF-8";
      return result;
    }
    if (code > 0xFF) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
      result.problem = std::string("holds ") + hex +
                       ", which the unit cannot store (it takes characters up to U+00FF)";
      return result;
    }
    result.text += static_cast<char16_t>(code);
    i += length;
  }
  return result;
}

}  // namespace ombrel::cli

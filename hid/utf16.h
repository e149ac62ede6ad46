// UTF-8, which the program uses inside, and UTF-16, which devices and the
// Windows API speak, in both directions. Ill-formed input never stops a
// conversion: what can't be read becomes U+FFFD, so a device name with a
// broken byte still shows, and nothing is read past the input.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ombrel {

// Converts up to the first NUL unit (device strings come in zero-filled
// buffers). An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const char16_t> units);

// Converts the whole text, NUL bytes included. Each maximal part that
// can't be read (a byte that starts nothing, a sequence cut short or broken
// off, an overlong form, an encoded surrogate, a value above U+10FFFF)
// becomes one U+FFFD, the replacement Unicode recommends; the byte that
// broke a sequence off is read anew.
std::u16string Utf8ToUtf16(std::string_view text);

// Appends one code point as UTF-8, NUL included (it is no end here).
void AppendUtf8(std::string& out, char32_t code);

}  // namespace ombrel

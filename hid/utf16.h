// UTF-16 units from a device to the UTF-8 the rest of the program uses.
#pragma once

#include <span>
#include <string>

namespace ombrel {

// Converts up to the first NUL unit; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const char16_t> units);

}  // namespace ombrel

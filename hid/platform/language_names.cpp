#include "hid/platform/language_names.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ombrel::platform {

namespace {
// The languages USB devices announce in practice, the unit's eight among them.
constexpr std::array<std::pair<std::uint16_t, const char*>, 24> kNames{{
    {0x0404, "Chinese (Traditional, Taiwan)"},
    {0x0405, "Czech (Czech Republic)"},
    {0x0406, "Danish (Denmark)"},
    {0x0407, "German (Germany)"},
    {0x0408, "Greek (Greece)"},
    {0x0409, "English (United States)"},
    {0x040A, "Spanish (Spain, Traditional Sort)"},
    {0x040B, "Finnish (Finland)"},
    {0x040C, "French (France)"},
    {0x040E, "Hungarian (Hungary)"},
    {0x0410, "Italian (Italy)"},
    {0x0411, "Japanese (Japan)"},
    {0x0412, "Korean (Korea)"},
    {0x0413, "Dutch (Netherlands)"},
    {0x0414, "Norwegian, Bokm\xC3\xA5l (Norway)"},
    {0x0415, "Polish (Poland)"},
    {0x0416, "Portuguese (Brazil)"},
    {0x0419, "Russian (Russia)"},
    {0x041D, "Swedish (Sweden)"},
    {0x041F, "Turkish (Turkey)"},
    {0x0422, "Ukrainian (Ukraine)"},
    {0x0804, "Chinese (Simplified, PRC)"},
    {0x0809, "English (United Kingdom)"},
    {0x0C0A, "Spanish (Spain, International Sort)"},
}};
}  // namespace

std::string KnownLanguageName(std::uint16_t languageId) {
  auto it = std::lower_bound(kNames.begin(), kNames.end(), languageId,
                             [](const auto& entry, std::uint16_t id) { return entry.first < id; });
  if (it == kNames.end() || it->first != languageId) return {};
  return it->second;
}

}  // namespace ombrel::platform

// Names of USB language IDs (LANGIDs), for backends that have no locale
// database of their own to ask.
#pragma once

#include <cstdint>
#include <string>

namespace ombrel::platform {

// "English (United States)" for 0x0409; empty for an ID not in the table.
std::string KnownLanguageName(std::uint16_t languageId);

}  // namespace ombrel::platform

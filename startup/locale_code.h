#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The two-letter language code of a POSIX locale name such as
// "de_DE.UTF-8"; empty for "C", "POSIX" or a name without a language.
// Norwegian Bokmål and Nynorsk are reported as "no".
std::string LanguageCodeOfLocaleName(std::string_view localeName);

// A language code as the system reports it, with Norwegian Bokmål ("nb")
// and Nynorsk ("nn") reported as the macrolanguage "no" the message table
// knows; every other code as it is.
std::string MacrolanguageCode(std::string_view code);

// The message table column for a language code; English for any code it
// does not know (compared exactly).
std::uint8_t LanguageIndexForCode(std::string_view code);

// JSON text for what the commands print with --json: strings escaped so any
// text (a device's serial number, a network's name) stays one valid string.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ombrel::cli {

// "text" with quotes, backslashes and control characters escaped; bytes
// that are not UTF-8 become U+FFFD, so the document is always valid.
std::string JsonString(std::string_view utf8);

// A number, or null when there is none.
std::string JsonNumberOrNull(const std::optional<long long>& value);

}  // namespace ombrel::cli

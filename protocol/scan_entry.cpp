#include "protocol/scan_entry.h"

namespace ombrel {

std::u16string NetworkNameFromScanEntry(std::u16string_view entry) {
  // Positions as the list's format has them: counted from 1, 0 for "not found".
  const auto position = [entry](std::u16string_view mark) -> long {
    const auto at = entry.find(mark);
    return at == std::u16string_view::npos ? 0 : static_cast<long>(at) + 1;
  };
  const long start = position(u",\"") + 2;
  const long end = position(u"\",") - 1;
  if (end < start) return {};
  return std::u16string(entry.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1)));
}

namespace {

// A decimal number, a minus sign allowed, that fills `text` (blanks around
// it aside); empty for anything else or one too long to mean a field.
std::optional<int> Number(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  const bool negative = !text.empty() && text.front() == u'-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 6) return std::nullopt;
  int n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  return negative ? -n : n;
}

}  // namespace

ScanEntryDetails ScanEntryDetailsOf(std::u16string_view entry) {
  ScanEntryDetails details;
  details.name = NetworkNameFromScanEntry(entry);
  const auto open = entry.find(u'(');
  const auto nameStart = entry.find(u",\"");
  if (open != std::u16string_view::npos && nameStart != std::u16string_view::npos && open < nameStart) {
    details.encryption = Number(entry.substr(open + 1, nameStart - open - 1));
  }
  // After the name: ,rssi,"mac",channel)
  const auto nameEnd = entry.find(u"\",");
  if (nameEnd == std::u16string_view::npos) return details;
  std::u16string_view rest = entry.substr(nameEnd + 2);
  const auto comma = rest.find_first_of(u",)");
  details.rssi = Number(rest.substr(0, comma));
  if (comma == std::u16string_view::npos || rest[comma] == u')') return details;
  rest = rest.substr(comma + 1);
  if (!rest.empty() && rest.front() == u'"') {
    const auto close = rest.find(u'"', 1);
    if (close == std::u16string_view::npos) return details;
    details.mac = std::u16string(rest.substr(1, close - 1));
    rest = rest.substr(close + 1);
    if (!rest.empty() && rest.front() == u',') rest.remove_prefix(1);
    details.channel = Number(rest.substr(0, rest.find(u')')));
  }
  return details;
}

}  // namespace ombrel

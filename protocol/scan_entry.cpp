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

}  // namespace ombrel

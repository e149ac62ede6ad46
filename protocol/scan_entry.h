#pragma once

#include <string>
#include <string_view>

namespace ombrel {

// The network name in one entry of the Wi-Fi module's network list (the text
// of a parameter 4 answer): what lies after the first `,"` and before the
// first `",`. Without a closing mark the name is empty; without an opening
// one it starts at the entry's second character.
std::u16string NetworkNameFromScanEntry(std::u16string_view entry);

}  // namespace ombrel

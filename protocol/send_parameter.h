// The one routine that writes to the unit, and the unit it writes to.
#pragma once

#include <string_view>

#include "protocol/parameter_ids.h"

class TJvHidDevice;

// The device object of the selected unit, or none. Set and cleared only by
// device selection.
extern TJvHidDevice* CurrentDevice;

// Writes parameter `id` with `value` (one byte per character, its low 8
// bits) to CurrentDevice as whole output reports; returns at once without
// a unit. Write errors are not looked at: the protocol has no
// acknowledgement, and a lost write shows as a missing answer.
void SendParameter(ParamID id, std::u16string_view value);

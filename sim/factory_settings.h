#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "protocol/parameter_ids.h"

namespace ombrel::sim {

// The unit's settings as they leave the factory and as "restore defaults"
// brings them back: every writable settings parameter with its stored bytes.
std::map<ParamID, std::vector<std::uint8_t>> FactorySettings();

// True for the parameters the unit stores when written and sends back when
// asked: the 22 settings of the read-back.
bool IsStoredSetting(ParamID id);

}  // namespace ombrel::sim

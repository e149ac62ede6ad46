// What the unit work writes with and waits with. The window hands in
// SendParameter and its blocking pause; ombrel-cli its own device's writer;
// tests a recorder. Core functions never reach for CurrentDevice themselves.
#pragma once

#include <functional>
#include <string_view>

#include "protocol/parameter_ids.h"

namespace ombrel {

// Writes one parameter as SendParameter does: one byte per character.
using ParameterWriter = std::function<void(ParamID id, std::u16string_view value)>;
// Blocks for the given milliseconds between two writes.
using PauseFunction = std::function<void(unsigned milliseconds)>;

struct UnitLink {
  ParameterWriter send;
  PauseFunction pause;
};

// A read request (parameter 16) for `id`.
void RequestParameter(const UnitLink& link, ParamID id);

}  // namespace ombrel

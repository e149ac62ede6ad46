// The blocking pauses between writes to the unit, on the window's thread.
#pragma once

#include <functional>

namespace ombrel {

// Pauses for `milliseconds` (through the hook when one is set).
void Pause(unsigned milliseconds);

// Replaces the pauses by `hook` (an empty hook restores real sleeping) and
// returns the hook that was in place. Tests record the pauses this way
// instead of waiting through them.
using PauseHook = std::function<void(unsigned milliseconds)>;
PauseHook SetPauseHook(PauseHook hook);

}  // namespace ombrel

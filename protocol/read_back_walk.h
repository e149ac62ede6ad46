#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "protocol/parameter_ids.h"

// The read-back walk: one read request for parameter 5 starts it, and every
// answer of a settings parameter asks for the next one, until the gateway's
// answer ends it. No state is kept: each answer alone says what comes next.

namespace ombrel {

struct ReadBackStep {
  ParamID answer;
  // The parameter to request next; empty where the walk ends.
  std::optional<ParamID> next;
};

inline constexpr ParamID kReadBackFirst = Param_Device_mode;
inline constexpr std::size_t kReadBackLength = 22;

// One step per settings parameter, in walk order.
std::span<const ReadBackStep> ReadBackSteps();

// True for the 22 settings parameters that the walk asks for.
bool IsReadBackParameter(ParamID id);

// The request that follows the answer for `answered`; empty when that answer
// ends the walk or is not part of it.
std::optional<ParamID> NextReadBackRequest(ParamID answered);

// True only for the answer that ends the walk.
bool EndsReadBack(ParamID answered);

// The value of a read request (parameter 16) for `id`.
std::u16string ReadRequestValue(ParamID id);

}  // namespace ombrel

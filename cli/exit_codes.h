#pragma once

namespace ombrel::cli {

inline constexpr int kExitOk = 0;
// The command line or the settings file is wrong; nothing was written.
inline constexpr int kExitBadInput = 1;
// No unit, several without --unit, one that cannot be opened, or one that
// stopped answering.
inline constexpr int kExitUnit = 2;

}  // namespace ombrel::cli

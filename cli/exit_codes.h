#pragma once

namespace ombrel::cli {

inline constexpr int kExitOk = 0;
// The command line or the settings file is wrong, or the user said no;
// nothing was written. `check`: the file cannot be written. `diff`: the
// unit's settings differ from the file's.
inline constexpr int kExitBadInput = 1;
// No unit, several without --unit, one that cannot be opened, or one that
// stopped answering (`diff`: also a file that cannot be read or written).
inline constexpr int kExitUnit = 2;
// `write`: the read-back after the writes found other values than were sent.
inline constexpr int kExitMismatch = 3;
// The command's own output could not be written (a full disk, a closed pipe).
inline constexpr int kExitOutput = 4;
// Stopped by Ctrl-C or SIGTERM at a safe point (`status --watch` ends with 0).
inline constexpr int kExitInterrupted = 130;

}  // namespace ombrel::cli

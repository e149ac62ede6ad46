// The file in which `ombrel-cli --demo` keeps its simulated units between
// runs, and its safe replacement.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel::sim {

// The user's own place for it: $XDG_RUNTIME_DIR/ombrel-cli-demo.state, else
// $XDG_CACHE_HOME/ombrel/cli-demo.state or ~/.cache/ombrel/cli-demo.state;
// on Windows %LOCALAPPDATA%\Ombrel\cli-demo.state. Empty when the system
// names none of these.
std::filesystem::path DefaultDemoStatePath();

// The file's text; nothing when it is missing, cannot be read or is far
// larger than any state.
std::optional<std::string> ReadStateFile(const std::filesystem::path& path);

// Makes `text` the file's whole content in one step: written to a file of
// its own beside it, then renamed over it, so a reader never sees half of
// it, whoever else writes at the same time. The folder is made when
// missing. False when that could not be done; the old file is then as it was.
bool ReplaceStateFile(const std::filesystem::path& path, std::string_view text);

}  // namespace ombrel::sim

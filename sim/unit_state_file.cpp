#include "sim/unit_state_file.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ombrel::sim {
namespace {

// A state of eight units is a few kilobytes.
constexpr std::size_t kMaxStateBytes = 1 << 20;

#ifdef _WIN32
std::filesystem::path FromEnvironment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
}
#else
std::filesystem::path FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::filesystem::path(value) : std::filesystem::path();
}
#endif

long ProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<long>(getpid());
#endif
}

// Renames over an existing file as one step.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return !error;
#endif
}

}  // namespace

std::filesystem::path DefaultDemoStatePath() {
#ifdef _WIN32
  const auto local = FromEnvironment(L"LOCALAPPDATA");
  if (local.is_absolute()) return local / "Ombrel" / "cli-demo.state";
  return {};
#else
  // Relative values are not to be used, as the XDG base directories have it.
  if (const auto runtime = FromEnvironment("XDG_RUNTIME_DIR"); runtime.is_absolute()) {
    return runtime / "ombrel-cli-demo.state";
  }
  if (const auto cache = FromEnvironment("XDG_CACHE_HOME"); cache.is_absolute()) {
    return cache / "ombrel" / "cli-demo.state";
  }
  if (const auto home = FromEnvironment("HOME"); home.is_absolute()) {
    return home / ".cache" / "ombrel" / "cli-demo.state";
  }
  return {};
#endif
}

std::optional<std::string> ReadStateFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string text(kMaxStateBytes + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (file.bad()) return std::nullopt;
  const auto got = static_cast<std::size_t>(file.gcount());
  if (got > kMaxStateBytes) return std::nullopt;
  text.resize(got);
  return text;
}

bool ReplaceStateFile(const std::filesystem::path& path, std::string_view text) {
  if (path.empty()) return false;
  std::error_code error;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), error);
  if (error) return false;

  // Own to this process and this call: runs side by side never share one.
  static std::atomic<unsigned> calls{0};
  std::filesystem::path temporary = path;
  temporary += "." + std::to_string(ProcessId()) + "-" + std::to_string(calls++) + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
      std::filesystem::remove(temporary, error);
      return false;
    }
  }
  if (!RenameOver(temporary, path)) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace ombrel::sim

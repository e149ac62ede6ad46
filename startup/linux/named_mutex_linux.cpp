#include "startup/linux/named_mutex_linux.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

using ombrel::platform::linux_hid::UniqueFd;

namespace {

bool IsPrivateDirectoryOfMine(const std::filesystem::path& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

FlockNamedMutexService::FlockNamedMutexService(std::optional<std::filesystem::path> directory)
    : directory_(std::move(directory)) {}

std::optional<std::filesystem::path> FlockNamedMutexService::DefaultDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::filesystem::path(runtime);
  }
  const std::filesystem::path fallback = "/tmp/ombrel-" + std::to_string(::getuid());
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
  if (!IsPrivateDirectoryOfMine(fallback)) return std::nullopt;
  return fallback;
}

std::optional<std::filesystem::path> FlockNamedMutexService::LockPath(std::string_view name) const {
  if (!directory_ || name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  return *directory_ / (std::string(name) + ".lock");
}

bool FlockNamedMutexService::Exists(std::string_view name) {
  const auto path = LockPath(name);
  if (!path) return false;
  UniqueFd fd(::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.Valid()) return false;
  // Holders keep a shared lock; an exclusive probe fails while any is held.
  int rc;
  do {
    rc = ::flock(fd.Get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    ::flock(fd.Get(), LOCK_UN);
    return false;
  }
  return errno == EWOULDBLOCK;
}

void FlockNamedMutexService::Create(std::string_view name) {
  const auto path = LockPath(name);
  if (!path) return;
  UniqueFd fd(::open(path->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd.Valid()) return;
  // A shared lock lets several holders coexist, like handles of one mutex.
  // Another process's exclusive probe holds the file for an instant only, so
  // a refusal is retried a few times before giving up.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (::flock(fd.Get(), LOCK_SH | LOCK_NB) == 0) {
      held_.push_back(std::move(fd));
      return;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

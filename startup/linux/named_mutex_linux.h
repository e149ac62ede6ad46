#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "startup/startup_services.h"
#include "hid/platform/linux/unique_fd.h"

// Named mutexes as lock files: the mutex NAME is the file NAME.lock in the
// user's runtime directory, and it exists while a live process holds a lock
// on that file. The kernel drops the lock when its holder ends, however it
// ends, so a crashed copy never blocks the next start.
class FlockNamedMutexService : public NamedMutexService {
 public:
  // `directory`: where the lock files live; none when no safe directory
  // could be had, in which case no mutex ever exists and none is created.
  explicit FlockNamedMutexService(std::optional<std::filesystem::path> directory);

  bool Exists(std::string_view name) override;
  void Create(std::string_view name) override;

  // $XDG_RUNTIME_DIR, else /tmp/ombrel-<uid> made with mode 0700 (refused
  // when it is not a directory of this user's that others cannot write).
  static std::optional<std::filesystem::path> DefaultDirectory();

 private:
  std::optional<std::filesystem::path> LockPath(std::string_view name) const;

  std::optional<std::filesystem::path> directory_;
  std::vector<ombrel::platform::linux_hid::UniqueFd> held_;
};

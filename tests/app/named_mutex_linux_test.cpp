#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "startup/linux/named_mutex_linux.h"

namespace {

namespace fs = std::filesystem;

// Another process that holds NAME.lock exclusively, as `flock NAME.lock cmd`
// does for the service program, until it is killed.
class LockHolder {
 public:
  explicit LockHolder(const fs::path& file) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(file.c_str(), O_RDWR | O_CREAT, 0600);
      const char ok = (fd >= 0 && ::flock(fd, LOCK_EX) == 0) ? 1 : 0;
      (void)!::write(ready[1], &ok, 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char ok = 0;
    locked_ = ::read(ready[0], &ok, 1) == 1 && ok == 1;
    ::close(ready[0]);
  }
  ~LockHolder() { Kill(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  bool Locked() const { return locked_; }
  void Kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  bool locked_ = false;
};

class NamedMutexLinuxTest : public ::testing::Test {
 protected:
  fs::path Dir() const { return fs::path(dir_.path().toStdString()); }
  QTemporaryDir dir_;
};

TEST_F(NamedMutexLinuxTest, MutexExistsWhileItsCreatorLives) {
  EXPECT_FALSE(FlockNamedMutexService(Dir()).Exists("User_program_Kolvmark_Tovra"));
  {
    FlockNamedMutexService first(Dir());
    first.Create("User_program_Kolvmark_Tovra");
    FlockNamedMutexService second(Dir());
    EXPECT_TRUE(second.Exists("User_program_Kolvmark_Tovra"));
    EXPECT_FALSE(second.Exists("Service_program_Kolvmark_Tovra"));
    // Creating it again beside a live holder keeps it existing for both.
    second.Create("User_program_Kolvmark_Tovra");
  }
  // Both holders gone: the file stays, the mutex does not.
  EXPECT_TRUE(fs::exists(Dir() / "User_program_Kolvmark_Tovra.lock"));
  EXPECT_FALSE(FlockNamedMutexService(Dir()).Exists("User_program_Kolvmark_Tovra"));
}

TEST_F(NamedMutexLinuxTest, LockOfAnotherProcessCountsUntilItDies) {
  LockHolder service(Dir() / "Service_program_Kolvmark_Tovra.lock");
  ASSERT_TRUE(service.Locked());
  FlockNamedMutexService mutexes(Dir());
  EXPECT_TRUE(mutexes.Exists("Service_program_Kolvmark_Tovra"));
  service.Kill();
  EXPECT_FALSE(mutexes.Exists("Service_program_Kolvmark_Tovra"));
}

TEST_F(NamedMutexLinuxTest, NamesThatAreNotPlainFileNamesNeverExist) {
  FlockNamedMutexService mutexes(Dir());
  mutexes.Create("../escape");
  EXPECT_FALSE(mutexes.Exists("../escape"));
  EXPECT_FALSE(fs::exists(Dir().parent_path() / "escape.lock"));
  EXPECT_FALSE(FlockNamedMutexService(std::nullopt).Exists("User_program_Kolvmark_Tovra"));
}

class RuntimeDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
  }
  void TearDown() override {
    if (saved_) ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
  }
  std::optional<std::string> saved_;
};

TEST_F(RuntimeDirTest, UsesTheRuntimeDirectory) {
  ::setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
  EXPECT_EQ(FlockNamedMutexService::DefaultDirectory(), fs::path("/run/user/4242"));
}

TEST_F(RuntimeDirTest, FallsBackToAPrivateFolderUnderTmp) {
  ::unsetenv("XDG_RUNTIME_DIR");
  const fs::path expected = "/tmp/ombrel-" + std::to_string(::getuid());
  const auto dir = FlockNamedMutexService::DefaultDirectory();
  ASSERT_TRUE(dir.has_value());
  EXPECT_EQ(*dir, expected);
  struct stat st {};
  ASSERT_EQ(::stat(dir->c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(RuntimeDirTest, RefusesAFallbackFolderOthersCanWrite) {
  ::unsetenv("XDG_RUNTIME_DIR");
  const fs::path fallback = "/tmp/ombrel-" + std::to_string(::getuid());
  ASSERT_TRUE(FlockNamedMutexService::DefaultDirectory().has_value());
  ::chmod(fallback.c_str(), 0777);
  EXPECT_FALSE(FlockNamedMutexService::DefaultDirectory().has_value());
  ::chmod(fallback.c_str(), 0700);
  EXPECT_TRUE(FlockNamedMutexService::DefaultDirectory().has_value());
}

}  // namespace

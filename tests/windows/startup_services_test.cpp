// The Windows start-up services under Wine: named mutexes seen across
// processes, the per-user setting in the registry, the locale's language
// code and the version resource of the program file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "startup/setting_write_error.h"
#include "startup/windows/windows_startup_services.h"
#include "test_folders.h"

using namespace ombrel::startup;

namespace {

using ombrel::test::OwnFolder;

// A process that holds a named mutex until it is let go; `options` go on its
// command line after the name.
class MutexHolder {
 public:
  explicit MutexHolder(const std::wstring& name, const std::wstring& options = {}) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE ourRead = nullptr, theirWrite = nullptr, theirRead = nullptr;
    ::CreatePipe(&ourRead, &theirWrite, &inherit, 0);
    ::CreatePipe(&theirRead, &FInput, &inherit, 0);
    ::SetHandleInformation(ourRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(FInput, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = theirRead;
    startup.hStdOutput = theirWrite;
    startup.hStdError = theirWrite;
    std::wstring command = L"\"" + OwnFolder() + L"ombrel_mutex_holder.exe\" " + name;
    if (!options.empty()) command += L" " + options;
    FStarted = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &FProcess);
    ::CloseHandle(theirRead);
    ::CloseHandle(theirWrite);
    // Its first line says whether it holds the mutex.
    char c;
    DWORD n;
    while (FStarted && ::ReadFile(ourRead, &c, 1, &n, nullptr) && n == 1 && c != '\n')
      if (c != '\r') FSaid.push_back(c);
    ::CloseHandle(ourRead);
  }
  ~MutexHolder() {
    LetGo();
    if (FStarted) {
      ::CloseHandle(FProcess.hProcess);
      ::CloseHandle(FProcess.hThread);
    }
  }
  // Ends the process and waits until it has; returns its exit code.
  DWORD LetGo() {
    if (FInput) ::CloseHandle(std::exchange(FInput, nullptr));
    DWORD code = 0;
    if (FStarted) {
      ::WaitForSingleObject(FProcess.hProcess, 30000);
      ::GetExitCodeProcess(FProcess.hProcess, &code);
    }
    return code;
  }
  bool Started() const { return FStarted; }
  const std::string& Said() const { return FSaid; }

 private:
  PROCESS_INFORMATION FProcess{};
  BOOL FStarted = FALSE;
  HANDLE FInput = nullptr;
  std::string FSaid;
};

std::string Unique(const char* base) {
  return std::string(base) + "_" + std::to_string(::GetCurrentProcessId());
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST(StartupMutexTest, AMutexHeldByAnotherProcessIsSeenUntilThatProcessEnds) {
  WindowsMutexService mutexes;
  const std::string name = Unique("Service_program_Kolvmark_Tovra");
  EXPECT_FALSE(mutexes.Exists(name));
  {
    MutexHolder holder(Wide(name));
    ASSERT_TRUE(holder.Started());
    ASSERT_EQ(holder.Said(), "holding");
    EXPECT_TRUE(mutexes.Exists(name));
    EXPECT_EQ(holder.LetGo(), 0u);
  }
  EXPECT_FALSE(mutexes.Exists(name)) << "the name goes with its last holder";
}

TEST(StartupMutexTest, ASecondCopyFindsTheFirstCopysMutexAndEnds) {
  WindowsMutexService mutexes;
  const std::string name = Unique("User_program_Kolvmark_Tovra");
  mutexes.Create(name);
  EXPECT_TRUE(mutexes.Exists(name));
  MutexHolder second(Wide(name));
  ASSERT_TRUE(second.Started());
  EXPECT_EQ(second.Said(), "exists");
  EXPECT_EQ(second.LetGo(), 1u);
  EXPECT_TRUE(mutexes.Exists(name)) << "the first copy is unaffected";
}

TEST(StartupMutexTest, AMutexThisUserMayNotOpenStillExists) {
  // As a copy started elevated, or the service program under another
  // account, leaves it: OpenMutexW is refused with ERROR_ACCESS_DENIED.
  WindowsMutexService mutexes;
  const std::string name = Unique("Service_program_Kolvmark_Tovra_denied");
  MutexHolder holder(Wide(name), L"deny");
  ASSERT_TRUE(holder.Started());
  ASSERT_EQ(holder.Said(), "holding");
  ASSERT_EQ(::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, Wide(name).c_str()), nullptr);
  ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(mutexes.Exists(name));
  EXPECT_EQ(holder.LetGo(), 0u);
  EXPECT_FALSE(mutexes.Exists(name));
}

class RegistryStoreTest : public ::testing::Test {
 protected:
  // A key of this test's own, so tests running side by side never meet.
  const std::wstring Key = L"SOFTWARE\\Kolvmark Tovra\\Ombrel tests " +
                           std::to_wstring(::GetCurrentProcessId()) + L"\\User Program";
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, Key.substr(0, Key.rfind(L'\\')).c_str());
  }
  bool KeyExists() const {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    ::RegCloseKey(key);
    return true;
  }
};

TEST_F(RegistryStoreTest, AFirstStartCreatesTheKeyWithoutAValue) {
  ASSERT_FALSE(KeyExists());
  RegistrySettingStore store(Key);
  EXPECT_EQ(store.ReadLanguage(), std::nullopt);
  EXPECT_TRUE(KeyExists());
  DWORD values = 99;
  HKEY key = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
  ::RegCloseKey(key);
  EXPECT_EQ(values, 0u) << "reading writes nothing";
}

TEST_F(RegistryStoreTest, TheLanguageGoesInAsADwordAndComesBack) {
  RegistrySettingStore store(Key);
  for (std::int64_t language : {4, 0, 7}) {
    store.WriteLanguage(language);
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, Key.c_str(), L"Number of language", RRF_RT_ANY,
                             &type, &value, &size),
              ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    type = 0;
    size = sizeof value;
    EXPECT_EQ(::RegQueryValueExW(key, L"Number of language", nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value), &size),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, sizeof(DWORD));
    EXPECT_EQ(value, static_cast<DWORD>(language));
    EXPECT_EQ(RegistrySettingStore(Key).ReadLanguage(), language);
  }
}

TEST_F(RegistryStoreTest, ValuesOtherProgramsWroteAreReadAsIntegersOrNotAtAll) {
  RegistrySettingStore store(Key);
  ASSERT_EQ(store.ReadLanguage(), std::nullopt);  // makes the key
  const std::uint64_t qword = 2;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, Key.c_str(), L"Number of language", REG_QWORD,
                              &qword, sizeof qword),
            ERROR_SUCCESS);
  EXPECT_EQ(store.ReadLanguage(), 2) << "a 64-bit value an earlier build wrote";
  const wchar_t text[] = L"3";
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, Key.c_str(), L"Number of language", REG_SZ, text,
                              sizeof text),
            ERROR_SUCCESS);
  EXPECT_EQ(store.ReadLanguage(), std::nullopt) << "not an integer";
}

TEST_F(RegistryStoreTest, AValueThatCannotBeStoredRaisesTheSettingsError) {
  // A key name past the registry's limit of 255 characters can't be made.
  RegistrySettingStore store(Key + L"\\" + std::wstring(300, L'x'));
  try {
    store.WriteLanguage(1);
    FAIL() << "no error";
  } catch (const SettingWriteError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Number of language'");
  }
}

TEST(RegistryStoreDefaultTest, TheProgramsKeyIsTheMakersUserProgramKey) {
  EXPECT_EQ(std::wstring(RegistrySettingStore::kDefaultKey), L"SOFTWARE\\Kolvmark Tovra\\User Program");
}

TEST(StartupLocaleTest, TheLanguageCodeIsTheUsersLanguage) {
  // CTest starts this test under a chosen Unix locale, which Wine takes as
  // the user's default locale, and names the code it should give.
  const char* expected = std::getenv("OMBREL_EXPECTED_LANGUAGE");
  EXPECT_EQ(WindowsLocaleService().LanguageCode(), expected ? expected : "en");
}

TEST(StartupVersionTest, TheVersionComesFromTheProgramFilesResource) {
  // This test program carries the VERSIONINFO resource the build generates.
  const auto version = ResourceVersionService().ReadFileVersion();
  ASSERT_TRUE(version);
  EXPECT_EQ(*version, (FileVersion{OMBREL_VERSION_MAJOR, OMBREL_VERSION_MINOR,
                                   OMBREL_VERSION_PATCH, OMBREL_VERSION_TWEAK}));
  EXPECT_EQ(ProgramVersionText(*version), "1.0.0");
}

TEST(StartupVersionTest, AFileWithoutVersionInformationGivesNone) {
  EXPECT_EQ(ResourceVersionService(OwnFolder() + L"ombrel_mutex_holder.exe").ReadFileVersion(),
            std::nullopt);
  EXPECT_EQ(ResourceVersionService(OwnFolder() + L"no such file.exe").ReadFileVersion(),
            std::nullopt);
}


}  // namespace

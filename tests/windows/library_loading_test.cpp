// Where the backend loads HID.dll and SetupApi.dll from: the system
// directory only. A library of the name it asks for, left in the program's
// folder, is never loaded (the decoy beside this program notes every load).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "hid/platform/windows/windows_platform.h"
#include "test_folders.h"

namespace {

using ombrel::platform::windows_hid::LibraryNames;
using ombrel::platform::windows_hid::WindowsHidPlatform;

// What the decoy noted; empty when it was never loaded.
std::string Noted(const std::wstring& path) {
  std::string text;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return text;
  char buffer[1024];
  DWORD n = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  ::CloseHandle(file);
  return text;
}

class LibraryLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::DeleteFileW(Note.c_str());
    ::SetEnvironmentVariableW(L"OMBREL_DECOY_NOTE", Note.c_str());
    ASSERT_NE(::GetFileAttributesW(Decoy.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the decoy sits beside this program";
  }
  void TearDown() override {
    ::SetEnvironmentVariableW(L"OMBREL_DECOY_NOTE", nullptr);
    ::DeleteFileW(Note.c_str());
  }

  const std::wstring Decoy = ombrel::test::OwnFolder() + L"ombrel-decoy.dll";
  const std::wstring Note = ombrel::test::TempFolder() + L"ombrel-decoy-" +
                            std::to_wstring(::GetCurrentProcessId()) + L".txt";
};

TEST_F(LibraryLoadingTest, ALibraryInTheProgramsFolderIsNotLoadedByItsName) {
  WindowsHidPlatform byName(LibraryNames{L"ombrel-decoy.dll", L"ombrel-decoy.dll"});
  EXPECT_FALSE(byName.BindHidLibrary()) << "no such library in the system directory";
  EXPECT_FALSE(byName.BindSetupLibrary());
  EXPECT_EQ(Noted(Note), "") << "loaded from the program's folder";
}

TEST_F(LibraryLoadingTest, NamedByItsFullPathTheSameFileIsLoaded) {
  // So the note is how a load shows, and a full path (as tests name the
  // stand-ins) still reaches a file outside the system directory.
  WindowsHidPlatform byPath(LibraryNames{Decoy, Decoy});
  EXPECT_FALSE(byPath.BindHidLibrary()) << "it offers none of the library's functions";
  EXPECT_NE(Noted(Note).find("ombrel-decoy.dll"), std::string::npos) << Noted(Note);
}

}  // namespace

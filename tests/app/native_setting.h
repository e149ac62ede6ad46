// The program's per-user setting where the platform keeps it: Qt's settings
// file under the user's configuration directory on Linux, the registry key
// under HKEY_CURRENT_USER on Windows. Tests read, remove and break it there,
// never through the store under test.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "tests/app/form_fixture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <QDir>
#include <QFile>
#include <QSettings>
#endif

// A program's settings name in the platform's text type.
#ifdef _WIN32
#define NATIVE_SETTING_NAME(text) L"" text
#else
#define NATIVE_SETTING_NAME(text) text
#endif

namespace native_setting {

#ifdef _WIN32

inline constexpr wchar_t kOrganisation[] = L"SOFTWARE\\Kolvmark Tovra";

inline std::wstring KeyOf(const wchar_t* application) {
  return std::wstring(kOrganisation) + L"\\" + application;
}

inline bool StoreExists(const wchar_t* application = L"User Program") {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, KeyOf(application).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(key);
  return true;
}

// The stored language; a value that is not the REG_DWORD the program writes
// fails the test.
inline std::optional<int> StoredLanguage(const wchar_t* application = L"User Program") {
  DWORD type = 0, value = 0, size = sizeof value;
  const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, KeyOf(application).c_str(), L"Number of language",
                                        RRF_RT_ANY | RRF_NOEXPAND, &type, &value, &size);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  EXPECT_EQ(status, ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << "Number of language is not a REG_DWORD";
  EXPECT_EQ(size, sizeof(DWORD));
  if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return static_cast<int>(value);
}

inline void Store(int language, const wchar_t* application = L"User Program") {
  const DWORD value = static_cast<DWORD>(language);
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, KeyOf(application).c_str(), L"Number of language", REG_DWORD,
                              &value, sizeof value),
            ERROR_SUCCESS);
}

// Removes every program's key (and the maker's key above them).
inline void RemoveAll() {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, kOrganisation);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kOrganisation);
}

// A volatile maker's key: the registry refuses a lasting key below it, so
// the program's key can be neither made nor written until RemoveAll.
inline void BreakWrites() {
  RemoveAll();
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kOrganisation, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegCloseKey(key);
}

#else

inline QString FileOf(const char* application) {
  return QSettings(QStringLiteral("Kolvmark Tovra"), QString::fromLatin1(application)).fileName();
}

inline bool StoreExists(const char* application = "User Program") { return QFile::exists(FileOf(application)); }

inline std::optional<int> StoredLanguage(const char* application = "User Program") {
  QSettings settings(FileOf(application), QSettings::IniFormat);
  const QVariant v = settings.value(QStringLiteral("Number of language"));
  if (!v.isValid()) return std::nullopt;
  return v.toInt();
}

inline void Store(int language, const char* application = "User Program") {
  QSettings settings(FileOf(application), QSettings::IniFormat);
  settings.setValue(QStringLiteral("Number of language"), language);
  settings.sync();
  ASSERT_EQ(settings.status(), QSettings::NoError);
}

inline void RemoveAll() {
  for (const char* application : {"User Program", "User Program Demo"}) {
    const QString file = FileOf(application);
    QDir(file).removeRecursively();
    QFile::remove(file);
  }
}

// A folder where the settings file belongs makes every write fail (tests
// run as root in CI, where a read-only folder would not).
inline void BreakWrites() {
  RemoveAll();
  ASSERT_TRUE(QDir().mkpath(FileOf("User Program")));
}

#endif

}  // namespace native_setting

// A window on the platform's own setting: every program's setting removed
// before and after each test.
class NativeSettingFixture : public FormFixture {
 protected:
  void SetUp() override { native_setting::RemoveAll(); }
  void TearDown() override {
    form.reset();
    native_setting::RemoveAll();
    LanguageIndex = LangEng;
  }
};

// Where a Windows test finds what sits beside its program, and where it
// leaves files of its own.
#pragma once

#include <windows.h>

#include <string>

namespace ombrel::test {

// The running program's folder, with its closing backslash.
inline std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// The user's folder for temporary files, with its closing backslash.
inline std::wstring TempFolder() {
  wchar_t folder[MAX_PATH];
  const DWORD n = ::GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder, n);
}

}  // namespace ombrel::test

// Puts the stand-in HID.dll and SetupApi.dll where the Wine prefix's system
// libraries live, under the system's names, or takes them out again:
//   ombrel_place_standins place    (from standin\ beside this program)
//   ombrel_place_standins restore
// A program loads its HID libraries from the system directory only, so a
// test that runs a whole program against the unit on a pipe needs them
// there.
//
// Wine 8 takes a native file it finds in system32 over its builtin library
// of the same name, for every process of the prefix (its own wineboot and
// services included). So the prefix's DllOverrides name hid and setupapi
// builtin first, and only a process started with
// WINEDLLOVERRIDES=hid,setupapi=n (the environment wins over the registry)
// gets the stand-ins. Wine's files are kept beside them (*.ombrel-wine) the
// first time and put back by "restore"; a run cut short leaves them there
// for the next one.
#include <windows.h>

#include <cstdio>
#include <string>

#include "test_folders.h"

namespace {

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length) + L"\\";
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A program still ending may hold a library for a moment: a few tries.
template <class Step>
bool Retried(Step step) {
  for (int i = 0; i < 50; ++i) {
    if (step()) return true;
    ::Sleep(100);
  }
  return false;
}

bool Place(const std::wstring& library) {
  const std::wstring target = SystemFolder() + library + L".dll";
  const std::wstring kept = target + L".ombrel-wine";
  const std::wstring standIn = ombrel::test::OwnFolder() + L"standin\\standin-" + library + L".dll";
  if (!Exists(standIn)) {
    std::fwprintf(stderr, L"no stand-in at %ls\n", standIn.c_str());
    return false;
  }
  if (Exists(target) && !Exists(kept) &&
      !::CopyFileW(target.c_str(), kept.c_str(), TRUE)) {
    std::fwprintf(stderr, L"cannot keep %ls (error %lu)\n", target.c_str(), ::GetLastError());
    return false;
  }
  if (!Retried([&] { return ::CopyFileW(standIn.c_str(), target.c_str(), FALSE) != FALSE; })) {
    std::fwprintf(stderr, L"cannot write %ls (error %lu)\n", target.c_str(), ::GetLastError());
    return false;
  }
  std::fwprintf(stdout, L"%ls -> %ls\n", standIn.c_str(), target.c_str());
  // The system's own library, to which the stand-in hands what is not the
  // unit's (the build copies Wine's beside the stand-ins where it has it).
  const std::wstring real = ombrel::test::OwnFolder() + L"standin\\real" + library + L".dll";
  if (Exists(real) &&
      !Retried([&] { return ::CopyFileW(real.c_str(), (SystemFolder() + L"real" + library + L".dll").c_str(), FALSE) != FALSE; })) {
    std::fwprintf(stderr, L"cannot write real%ls.dll (error %lu)\n", library.c_str(), ::GetLastError());
    return false;
  }
  return true;
}

bool Restore(const std::wstring& library) {
  ::DeleteFileW((SystemFolder() + L"real" + library + L".dll").c_str());
  const std::wstring target = SystemFolder() + library + L".dll";
  const std::wstring kept = target + L".ombrel-wine";
  if (!Exists(kept)) return true;
  if (!Retried([&] {
        return ::MoveFileExW(kept.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
      })) {
    std::fwprintf(stderr, L"cannot put back %ls (error %lu)\n", target.c_str(), ::GetLastError());
    return false;
  }
  std::fwprintf(stdout, L"%ls put back\n", target.c_str());
  return true;
}

constexpr wchar_t kOverrides[] = L"Software\\Wine\\DllOverrides";

bool KeepWinesOwn(const std::wstring& library) {
  HKEY key = nullptr;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    const wchar_t builtin[] = L"builtin";
    status = ::RegSetValueExW(key, library.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(builtin), sizeof builtin);
    ::RegCloseKey(key);
  }
  if (status != ERROR_SUCCESS)
    std::fwprintf(stderr, L"cannot keep Wine's own %ls (error %ld)\n", library.c_str(), status);
  return status == ERROR_SUCCESS;
}

void ForgetOverride(const std::wstring& library) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kOverrides, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return;
  ::RegDeleteValueW(key, library.c_str());
  ::RegCloseKey(key);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc == 2 ? argv[1] : L"";
  if (what != L"place" && what != L"restore") {
    std::fwprintf(stderr, L"usage: ombrel_place_standins place|restore\n");
    return 2;
  }
  bool ok = true;
  for (const wchar_t* library : {L"hid", L"setupapi"}) {
    // Placed only once Wine's own is named first; the override forgotten
    // only once Wine's own is back.
    if (what == L"place") {
      ok = KeepWinesOwn(library) && Place(library) && ok;
    } else if (Restore(library)) {
      ForgetOverride(library);
    } else {
      ok = false;
    }
  }
  return ok ? 0 : 1;
}

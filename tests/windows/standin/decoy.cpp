// A library that must never be loaded: left beside a program under the name
// of a system library (hid.dll, setupapi.dll) or a name of its own, it
// offers none of the library's functions and notes each load by appending
// its own path as a line to the file that OMBREL_DECOY_NOTE names.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t note[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableW(L"OMBREL_DECOY_NOTE", note, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  char path[MAX_PATH + 2];
  DWORD size = ::GetModuleFileNameA(module, path, MAX_PATH);
  path[size++] = '\n';
  HANDLE file = ::CreateFileW(note, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written = 0;
  ::WriteFile(file, path, size, &written, nullptr);
  ::CloseHandle(file);
  return TRUE;
}

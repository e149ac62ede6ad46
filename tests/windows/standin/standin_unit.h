// What the stand-in HID.dll and SetupApi.dll know of the unit they list: a
// small text file that the test (the unit's player) writes while the unit is
// plugged in and removes when it is unplugged. Its path comes in the
// environment variable OMBREL_STANDIN_UNIT, so a program started by the test
// sees the same unit. Lines: device path, DevInst, product, serial number.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace ombrel::standin {

struct UnitRecord {
  std::wstring DevicePath;
  DWORD DevInst = 0;
  std::wstring Product;
  std::wstring SerialNumber;
};

inline std::optional<UnitRecord> ReadUnitRecord() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(L"OMBREL_STANDIN_UNIT", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  char bytes[2048];
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr);
  ::CloseHandle(file);
  if (!ok) return std::nullopt;
  std::wstring lines[4];
  int line = 0;
  for (DWORD i = 0; i < read && line < 4; ++i) {
    if (bytes[i] == '\n') ++line;
    else if (bytes[i] != '\r') lines[line].push_back(static_cast<unsigned char>(bytes[i]));
  }
  if (lines[0].empty()) return std::nullopt;
  return UnitRecord{lines[0], static_cast<DWORD>(std::wcstoul(lines[1].c_str(), nullptr, 10)),
                    lines[2], lines[3]};
}

}  // namespace ombrel::standin

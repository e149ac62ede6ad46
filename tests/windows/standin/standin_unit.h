// What the stand-in HID.dll and SetupApi.dll know of the units they list: a
// small text file that the test (the units' player) writes while units are
// plugged in and removes once none is. Its path comes in the environment
// variable OMBREL_STANDIN_UNIT, so a program started by the test sees the
// same units. A block of four lines per unit, one block after another:
// device path, DevInst, product, serial number. One unit is one block.
#pragma once

#include <windows.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace ombrel::standin {

struct UnitRecord {
  std::wstring DevicePath;
  DWORD DevInst = 0;
  std::wstring Product;
  std::wstring SerialNumber;
};

// Every unit the record lists, in its order; none without a record.
inline std::vector<UnitRecord> ReadUnitRecords() {
  std::vector<UnitRecord> units;
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetEnvironmentVariableW(L"OMBREL_STANDIN_UNIT", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return units;
  HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return units;
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  bool ok = true;
  // A bound keeps a stray file from being taken in whole.
  while (bytes.size() < (1u << 20) && (ok = ::ReadFile(file, chunk, sizeof chunk, &read, nullptr)) && read > 0)
    bytes.append(chunk, read);
  ::CloseHandle(file);
  if (!ok) return units;
  std::vector<std::wstring> lines(1);
  for (char c : bytes) {
    if (c == '\n') lines.emplace_back();
    else if (c != '\r') lines.back().push_back(static_cast<unsigned char>(c));
  }
  for (std::size_t at = 0; at < lines.size(); at += 4) {
    if (lines[at].empty()) continue;  // the text after the last line's end
    auto line = [&](std::size_t i) { return at + i < lines.size() ? lines[at + i] : std::wstring(); };
    units.push_back(UnitRecord{lines[at], static_cast<DWORD>(std::wcstoul(line(1).c_str(), nullptr, 10)),
                               line(2), line(3)});
  }
  return units;
}

}  // namespace ombrel::standin

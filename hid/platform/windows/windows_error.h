// Win32 errors as the backend reports them: the numeric code every caller
// sees through LastError(), and beside it what was being done, on which
// path, and the system's own text, so a tool can say why a unit won't open.
#pragma once

#include <string>
#include <string_view>

#include "hid/platform/hid_types.h"

namespace ombrel::platform::windows_hid {

struct WindowsErrorDetail {
  HidError Code = kErrorSuccess;
  std::string Operation;  // "CreateFileW", "ReadFileEx", ...
  std::string Path;       // the device path, UTF-8; empty where none
  std::string Text;       // the system's message for Code, without line breaks
};

// Takes GetLastError() (or `code`), keeps it as the calling thread's detail
// and as LastError(), and returns it.
HidError ErrorFromLastError(std::string_view operation, std::string_view path = {});
HidError ErrorFromCode(HidError code, std::string_view operation, std::string_view path = {});

// The calling thread's last error recorded through the functions above.
const WindowsErrorDetail& LastWindowsError();

// The system's text for an error code; empty when it has none.
std::string SystemErrorText(HidError code);

// UTF-8 <-> UTF-16 for paths and names handed to the system.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace ombrel::platform::windows_hid

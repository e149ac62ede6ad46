#include "hid/platform/windows/windows_error.h"

#include <windows.h>

#include "hid/platform/hid_platform.h"
#include "hid/utf16.h"

namespace ombrel::platform::windows_hid {

namespace {
thread_local WindowsErrorDetail tLast;
}

// One converter for the whole program; wchar_t is UTF-16 on Windows.
std::wstring Widen(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view text) {
  const std::u16string units(text.begin(), text.end());
  return Utf16ToUtf8(units);
}

std::string SystemErrorText(HidError code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", n);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.'))
    text.pop_back();
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n') c = L' ';
  return Narrow(text);
}

HidError ErrorFromCode(HidError code, std::string_view operation, std::string_view path) {
  tLast.Code = code;
  tLast.Operation.assign(operation);
  tLast.Path.assign(path);
  tLast.Text = SystemErrorText(code);
  ombrel::platform::SetLastError(code);
  return code;
}

HidError ErrorFromLastError(std::string_view operation, std::string_view path) {
  const DWORD code = ::GetLastError();
  return ErrorFromCode(code != ERROR_SUCCESS ? code : kErrorGenFailure, operation, path);
}

const WindowsErrorDetail& LastWindowsError() { return tLast; }

}  // namespace ombrel::platform::windows_hid

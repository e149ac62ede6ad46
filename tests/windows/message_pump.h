// A plain Win32 message pump for the window thread of a test, as a program
// without Qt runs one.
#pragma once

#include <windows.h>

#include <functional>

namespace ombrel::test {

// Dispatches this thread's messages until `done` holds; false if `limitMs`
// passed first (a safety net, never a pace).
inline bool PumpMessagesUntil(const std::function<bool()>& done, DWORD limitMs = 20000) {
  const ULONGLONG deadline = ::GetTickCount64() + limitMs;
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (done()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

// Sends the system's device-node broadcast to every top-level window, as
// the system does after a device change; returns once all have answered.
inline void BroadcastDeviceChange(WPARAM kind = 7 /* DBT_DEVNODES_CHANGED */) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, kind, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

}  // namespace ombrel::test

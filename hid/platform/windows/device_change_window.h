// Device-node changes on Windows: the system broadcasts WM_DEVICECHANGE with
// DBT_DEVNODES_CHANGED to every top-level window after any change. A hidden
// top-level window receives it without registering (a message-only window
// would not: broadcasts skip those).
//
// Threads. The window belongs to the thread that creates it, and its
// messages are dispatched by whatever message loop that thread runs: Qt's
// loop on the program's window thread (Qt dispatches every message of its
// thread), or a plain GetMessage/DispatchMessage pump. The callback runs
// inside that dispatch. Destroy the object on the same thread; once the
// destructor returns the callback no longer runs.
//
// A program whose window thread runs no Win32 message loop takes the window
// on a thread of its own instead (OnOwnThread): that thread runs the loop
// and calls the callback.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <thread>

#include "hid/platform/hid_platform.h"

namespace ombrel::platform::windows_hid {

class DeviceChangeWindow final : public DeviceChangeSubscription {
 public:
  // Null when the window can't be made.
  static std::unique_ptr<DeviceChangeWindow> OnThisThread(std::function<void()> changed);
  static std::unique_ptr<DeviceChangeWindow> OnOwnThread(std::function<void()> changed);
  ~DeviceChangeWindow() override;

  HWND Handle() const { return FWindow; }

 private:
  explicit DeviceChangeWindow(std::function<void()> changed);
  bool Create();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::function<void()> FChanged;
  HWND FWindow = nullptr;
  std::jthread FThread;  // only for a window on its own thread
  DWORD FThreadId = 0;
};

}  // namespace ombrel::platform::windows_hid

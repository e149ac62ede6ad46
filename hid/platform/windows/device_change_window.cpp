#include "hid/platform/windows/device_change_window.h"

#include <future>

namespace ombrel::platform::windows_hid {

namespace {

constexpr wchar_t kClassName[] = L"OmbrelDeviceChangeWindow";

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

DeviceChangeWindow::DeviceChangeWindow(std::function<void()> changed)
    : FChanged(std::move(changed)) {}

bool DeviceChangeWindow::Create() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &WindowProc;
  windowClass.hInstance = ThisModule();
  windowClass.lpszClassName = kClassName;
  // A second registration fails with "class already exists", which is fine.
  if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return false;
  // No parent and no HWND_MESSAGE: a top-level window, never shown.
  FWindow = ::CreateWindowExW(0, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              windowClass.hInstance, this);
  return FWindow != nullptr;
}

std::unique_ptr<DeviceChangeWindow> DeviceChangeWindow::OnThisThread(
    std::function<void()> changed) {
  if (!changed) return nullptr;
  std::unique_ptr<DeviceChangeWindow> window(new DeviceChangeWindow(std::move(changed)));
  if (!window->Create()) return nullptr;
  return window;
}

std::unique_ptr<DeviceChangeWindow> DeviceChangeWindow::OnOwnThread(
    std::function<void()> changed) {
  if (!changed) return nullptr;
  std::unique_ptr<DeviceChangeWindow> window(new DeviceChangeWindow(std::move(changed)));
  // The hand-over of the window's making is owned by both threads: the
  // started thread holds its own reference to the promise, so the promise
  // and its shared state outlive set_value() even when this function has
  // returned (and its frame is gone) while set_value() is still unwinding
  // after waking us. The thread takes nothing else from this frame: `self`
  // is the heap object, which lives until the destructor has joined the
  // thread, and FThreadId and FWindow are written before set_value(), which
  // orders them before get() returns here.
  auto made = std::make_shared<std::promise<bool>>();
  std::future<bool> madeResult = made->get_future();
  DeviceChangeWindow* self = window.get();
  window->FThread = std::jthread([self, made]() mutable {
    self->FThreadId = ::GetCurrentThreadId();
    const bool ok = self->Create();
    made->set_value(ok);
    made.reset();
    if (!ok) return;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::DestroyWindow(self->FWindow);
  });
  if (!madeResult.get()) return nullptr;  // the thread has ended; the destructor joins it
  return window;
}

DeviceChangeWindow::~DeviceChangeWindow() {
  if (FThread.joinable()) {
    // A queue that is full right now takes the message once the loop has
    // worked some off; without it the join would wait for ever.
    if (FWindow)
      while (!::PostThreadMessageW(FThreadId, WM_QUIT, 0, 0) &&
             ::GetLastError() == ERROR_NOT_ENOUGH_QUOTA)
        ::Sleep(10);
    FThread.join();
    return;
  }
  if (FWindow) ::DestroyWindow(FWindow);
}

LRESULT CALLBACK DeviceChangeWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  } else if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  } else if (message == kWmDeviceChange && wParam == kDbtDevnodesChanged) {
    auto* self = reinterpret_cast<DeviceChangeWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->FChanged) self->FChanged();
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace ombrel::platform::windows_hid

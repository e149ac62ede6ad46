#include "hid/platform/native_platform.h"

#include "hid/platform/unbound_platform.h"

#if defined(OMBREL_HID_LINUX)
#include "hid/platform/linux/hidraw_platform.h"
#include "hid/platform/linux/udev_library.h"
#endif
#if defined(OMBREL_HID_WINDOWS)
#include "hid/platform/windows/windows_platform.h"
#endif

namespace ombrel::platform {

std::shared_ptr<HidPlatform> MakeNativeHidPlatform() {
#if defined(OMBREL_HID_LINUX)
  // Without libudev the program runs unbound: it lists nothing and says so
  // to nobody.
  if (linux_hid::UdevApi::Load()) return std::make_shared<linux_hid::HidrawPlatform>();
#elif defined(OMBREL_HID_WINDOWS)
  // The libraries are bound by the controller; a system without them runs
  // unbound the same way. The device-change window gets a thread of its
  // own: ombrel-cli's window thread runs no Win32 message loop, and under
  // Qt's loop the passes reach the window thread through Post all the same.
  return std::make_shared<windows_hid::WindowsHidPlatform>(
      windows_hid::LibraryNames{}, windows_hid::ChangeWindowThread::Own);
#endif
  return std::make_shared<UnboundHidPlatform>();
}

}  // namespace ombrel::platform

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
  // unbound the same way.
  return std::make_shared<windows_hid::WindowsHidPlatform>();
#endif
  return std::make_shared<UnboundHidPlatform>();
}

}  // namespace ombrel::platform

// The HID services of the system the program runs on.
#pragma once

#include <memory>

#include "hid/platform/hid_platform.h"

namespace ombrel::platform {

// The native backend of this system; where none is built, the unbound
// platform, which lists nothing and says nothing.
std::shared_ptr<HidPlatform> MakeNativeHidPlatform();

}  // namespace ombrel::platform

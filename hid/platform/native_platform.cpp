#include "hid/platform/native_platform.h"

#include "hid/platform/unbound_platform.h"

namespace ombrel::platform {

std::shared_ptr<HidPlatform> MakeNativeHidPlatform() { return std::make_shared<UnboundHidPlatform>(); }

}  // namespace ombrel::platform

// The platform when no HID services can be bound: nothing binds, nothing
// is ever listed, and nobody is told.
#pragma once

#include "hid/platform/hid_platform.h"

namespace ombrel::platform {

class UnboundHidPlatform final : public HidPlatform {
 public:
  bool BindSetupLibrary() override { return false; }
  void UnbindSetupLibrary() override {}
  bool BindHidLibrary() override { return false; }
  void UnbindHidLibrary() override {}
  bool HidLibraryBound() const override { return false; }
  Guid GetHidGuid() override { return kHidInterfaceClassGuid; }
  std::optional<std::vector<HidInterface>> ListInterfaces(const Guid&) override {
    return std::nullopt;
  }
  std::shared_ptr<HidHandle> Open(const std::string&, HidAccess, bool) override {
    SetLastError(kErrorNotSupported);
    return nullptr;
  }
  std::string LanguageName(std::uint16_t) override { return {}; }
  std::string HidVersion() override { return {}; }
  std::unique_ptr<DeviceChangeSubscription> WatchDeviceChanges(std::function<void()>) override {
    return nullptr;
  }
};

}  // namespace ombrel::platform

// The Linux HID backend with a hook between a device-change pass's listing
// and the opens that follow it, to take a device away at that moment, and
// opens that can be made to fail.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hid/platform/linux/hidraw_platform.h"

namespace ombrel::test {

// The Linux backend with a hook between a pass's listing and the opens
// that follow it, and opens that can be made to fail.
class PlatformWithHook final : public ombrel::platform::HidPlatform {
 public:
  std::function<void()> AfterListing;  // runs once
  std::string RefusedPath;             // opens of it fail as if refused
  int Listings = 0;

  bool BindSetupLibrary() override { return FInner.BindSetupLibrary(); }
  void UnbindSetupLibrary() override { FInner.UnbindSetupLibrary(); }
  bool BindHidLibrary() override { return FInner.BindHidLibrary(); }
  void UnbindHidLibrary() override { FInner.UnbindHidLibrary(); }
  bool HidLibraryBound() const override { return FInner.HidLibraryBound(); }
  ombrel::platform::Guid GetHidGuid() override { return FInner.GetHidGuid(); }
  std::optional<std::vector<ombrel::platform::HidInterface>> ListInterfaces(const ombrel::platform::Guid& g) override {
    ++Listings;
    auto found = FInner.ListInterfaces(g);
    if (auto hook = std::exchange(AfterListing, nullptr)) hook();
    return found;
  }
  std::shared_ptr<ombrel::platform::HidHandle> Open(const std::string& path, ombrel::platform::HidAccess access,
                                        bool overlapped) override {
    if (path == RefusedPath) return Refuse();
    return FInner.Open(path, access, overlapped);
  }
  std::shared_ptr<ombrel::platform::HidHandle> OpenInterface(const std::string& path, std::uint32_t id,
                                                 ombrel::platform::HidAccess access,
                                                 bool overlapped) override {
    if (path == RefusedPath) return Refuse();
    return FInner.OpenInterface(path, id, access, overlapped);
  }
  bool InterfacePresent(const ombrel::platform::Guid& g, std::uint32_t id, const std::string& path) override {
    return FInner.InterfacePresent(g, id, path);
  }
  std::string LanguageName(std::uint16_t id) override { return FInner.LanguageName(id); }
  std::string HidVersion() override { return FInner.HidVersion(); }
  std::unique_ptr<ombrel::platform::DeviceChangeSubscription> WatchDeviceChanges(
      std::function<void()> changed) override {
    return FInner.WatchDeviceChanges(std::move(changed));
  }

 private:
  static std::shared_ptr<ombrel::platform::HidHandle> Refuse() {
    ombrel::platform::SetLastError(32);  // a sharing violation
    return nullptr;
  }
  ombrel::platform::linux_hid::HidrawPlatform FInner;
};

}  // namespace ombrel::test

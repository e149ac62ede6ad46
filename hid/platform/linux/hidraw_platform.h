// The platform HID services on Linux: hidraw nodes found, described and
// watched through libudev, opened and read as files.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "hid/platform/counted_binding.h"
#include "hid/platform/hid_platform.h"
#include "hid/platform/linux/hidraw_description.h"
#include "hid/platform/linux/udev_library.h"

namespace ombrel::platform::linux_hid {

// Opening without access rights opens no file: identification (attributes,
// strings, capabilities) comes from sysfs, which needs none. So an interface
// whose node the user may not open is listed and identified like any other,
// and every transfer on it fails with kErrorAccessDenied. With read or
// write access the node is opened for just that.
class HidrawPlatform final : public HidPlatform {
 public:
  HidrawPlatform();
  ~HidrawPlatform() override;

  // Both bindings are libudev's; each is counted on its own.
  bool BindSetupLibrary() override;
  void UnbindSetupLibrary() override;
  bool BindHidLibrary() override;
  void UnbindHidLibrary() override;
  bool HidLibraryBound() const override;
  Guid GetHidGuid() override;
  std::optional<std::vector<HidInterface>> ListInterfaces(const Guid& interfaceClass) override;
  std::shared_ptr<HidHandle> Open(const std::string& devicePath, HidAccess access,
                                  bool overlapped) override;
  // Fails with kErrorFileNotFound when the node at `devicePath` belongs to
  // another interface than the one listed as `deviceId`.
  std::shared_ptr<HidHandle> OpenInterface(const std::string& devicePath, std::uint32_t deviceId,
                                           HidAccess access, bool overlapped) override;
  // Present while sysfs still holds the node with the same identity and
  // what identifies it: an interface is taken apart from its node upwards,
  // part by part, after its removal was announced.
  bool InterfacePresent(const Guid& interfaceClass, std::uint32_t deviceId,
                        const std::string& devicePath) override;
  std::string LanguageName(std::uint16_t languageId) override;
  std::string HidVersion() override;
  std::unique_ptr<DeviceChangeSubscription> WatchDeviceChanges(
      std::function<void()> changed) override;

 private:
  std::shared_ptr<const UdevApi> Api() const;
  // What sysfs tells about the hidraw node at `devicePath`; empty when no
  // interface has that node now.
  static std::optional<HidrawDescription> DescribeNode(const UdevApi& api,
                                                       const std::string& devicePath);
  std::shared_ptr<HidHandle> OpenNode(const std::string& devicePath,
                                      std::optional<std::uint32_t> deviceId, HidAccess access,
                                      bool overlapped);

  mutable std::mutex FLock;  // libudev contexts are not shared between threads
  std::shared_ptr<const UdevApi> FSetupApi;
  std::shared_ptr<const UdevApi> FHidApi;
  CountedBinding FSetup;
  CountedBinding FHid;
};

}  // namespace ombrel::platform::linux_hid

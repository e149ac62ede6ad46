#include "hid/platform/linux/hidraw_platform.h"

#include <fcntl.h>
#include <sys/eventfd.h>

#include <cerrno>

#include "hid/platform/language_names.h"
#include "hid/platform/linux/hidraw_description.h"
#include "hid/platform/linux/hidraw_handle.h"
#include "hid/platform/linux/hidraw_monitor.h"

namespace ombrel::platform::linux_hid {

HidrawPlatform::HidrawPlatform() = default;
HidrawPlatform::~HidrawPlatform() = default;

bool HidrawPlatform::BindSetupLibrary() {
  return FSetup.Bind([this] {
    auto api = UdevApi::Load();
    std::lock_guard lock(FLock);
    FSetupApi = std::move(api);
    return FSetupApi != nullptr;
  });
}

void HidrawPlatform::UnbindSetupLibrary() {
  FSetup.Unbind([this] {
    std::lock_guard lock(FLock);
    FSetupApi.reset();
  });
}

bool HidrawPlatform::BindHidLibrary() {
  return FHid.Bind([this] {
    auto api = UdevApi::Load();
    std::lock_guard lock(FLock);
    FHidApi = std::move(api);
    return FHidApi != nullptr;
  });
}

void HidrawPlatform::UnbindHidLibrary() {
  FHid.Unbind([this] {
    std::lock_guard lock(FLock);
    FHidApi.reset();
  });
}

bool HidrawPlatform::HidLibraryBound() const { return FHid.Bound(); }

Guid HidrawPlatform::GetHidGuid() { return kHidInterfaceClassGuid; }

std::shared_ptr<const UdevApi> HidrawPlatform::Api() const {
  std::lock_guard lock(FLock);
  return FHidApi ? FHidApi : FSetupApi;
}

std::optional<std::vector<HidInterface>> HidrawPlatform::ListInterfaces(
    const Guid& interfaceClass) {
  std::shared_ptr<const UdevApi> api;
  {
    std::lock_guard lock(FLock);
    api = FSetupApi;
  }
  if (!api) return std::nullopt;
  std::vector<HidInterface> found;
  if (interfaceClass != kHidInterfaceClassGuid) return found;
  // A context of its own per call: libudev objects must not be shared
  // between threads.
  auto context = Own(*api, api->udev_new());
  if (!context) return std::nullopt;
  auto enumerate = Own(*api, api->udev_enumerate_new(context.get()));
  if (!enumerate || api->udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
      api->udev_enumerate_scan_devices(enumerate.get()) < 0)
    return std::nullopt;
  for (udev_list_entry* entry = api->udev_enumerate_get_list_entry(enumerate.get()); entry;
       entry = api->udev_list_entry_get_next(entry)) {
    const char* sysPath = api->udev_list_entry_get_name(entry);
    if (!sysPath) continue;
    // Gone since the scan, or without a node: not an interface to list.
    auto device = Own(*api, api->udev_device_new_from_syspath(context.get(), sysPath));
    if (!device) continue;
    auto description = DescribeHidraw(*api, device.get());
    if (!description) continue;
    found.push_back({description->DeviceID, description->DevNode,
                     std::move(description->Properties)});
  }
  return found;
}

std::shared_ptr<HidHandle> HidrawPlatform::Open(const std::string& devicePath, HidAccess access,
                                                bool overlapped) {
  auto api = Api();
  if (!api) {
    SetLastError(kErrorNotSupported);
    return nullptr;
  }
  const std::string sysName = devicePath.substr(devicePath.find_last_of('/') + 1);
  auto context = Own(*api, api->udev_new());
  if (!context || sysName.empty()) {
    SetLastError(kErrorFileNotFound);
    return nullptr;
  }
  auto device = Own(*api, api->udev_device_new_from_subsystem_sysname(context.get(), "hidraw",
                                                                      sysName.c_str()));
  auto description =
      device ? DescribeHidraw(*api, device.get()) : std::optional<HidrawDescription>();
  if (!description || description->DevNode != devicePath) {
    SetLastError(kErrorFileNotFound);
    return nullptr;
  }
  UniqueFd fd, wake;
  if (access != HidAccess::None) {
    const int mode = access == HidAccess::ReadWrite ? O_RDWR
                     : access == HidAccess::Read    ? O_RDONLY
                                                    : O_WRONLY;
    fd.Reset(::open(devicePath.c_str(), mode | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
      SetLastError(ErrorFromErrno(errno));
      return nullptr;
    }
    wake.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake.Valid()) {
      SetLastError(kErrorGenFailure);
      return nullptr;
    }
  }
  return std::make_shared<HidrawHandle>(std::move(*description), std::move(fd), std::move(wake),
                                        access, overlapped);
}

std::string HidrawPlatform::LanguageName(std::uint16_t languageId) {
  return KnownLanguageName(languageId);
}

std::string HidrawPlatform::HidVersion() { return {}; }

std::unique_ptr<DeviceChangeSubscription> HidrawPlatform::WatchDeviceChanges(
    std::function<void()> changed) {
  return HidrawMonitor::Start(Api(), std::move(changed));
}

}  // namespace ombrel::platform::linux_hid

#include "hid/platform/linux/hidraw_platform.h"

#include <fcntl.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <system_error>

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
  return OpenNode(devicePath, std::nullopt, access, overlapped);
}

std::shared_ptr<HidHandle> HidrawPlatform::OpenInterface(const std::string& devicePath,
                                                         std::uint32_t deviceId,
                                                         HidAccess access, bool overlapped) {
  return OpenNode(devicePath, deviceId, access, overlapped);
}

std::optional<HidrawDescription> HidrawPlatform::DescribeNode(const UdevApi& api,
                                                              const std::string& devicePath) {
  const std::string sysName = devicePath.substr(devicePath.find_last_of('/') + 1);
  if (sysName.empty()) return std::nullopt;
  auto context = Own(api, api.udev_new());
  if (!context) return std::nullopt;
  auto device = Own(api, api.udev_device_new_from_subsystem_sysname(context.get(), "hidraw",
                                                                    sysName.c_str()));
  if (!device) return std::nullopt;
  auto description = DescribeHidraw(api, device.get());
  if (!description || description->DevNode != devicePath) return std::nullopt;
  return description;
}

std::shared_ptr<HidHandle> HidrawPlatform::OpenNode(const std::string& devicePath,
                                                    std::optional<std::uint32_t> deviceId,
                                                    HidAccess access, bool overlapped) {
  auto fail = [&](const char* operation, HidError code, std::string reason) {
    SetLastOpenError({operation, devicePath, access, code, std::move(reason)});
    return nullptr;
  };
  auto api = Api();
  if (!api) return fail("open", kErrorNotSupported, "libudev is not bound");
  // The node name is the kernel's to hand on: after an unplug the next
  // device may get it. Only the sysfs identity tells whose it is now.
  auto belongs = [&](const std::optional<HidrawDescription>& d) {
    return d && (!deviceId || d->DeviceID == *deviceId);
  };
  auto description = DescribeNode(*api, devicePath);
  if (!description)
    return fail("look up", kErrorFileNotFound, "no HID interface has this node (unplugged?)");
  if (!belongs(description))
    return fail("look up", kErrorFileNotFound,
                "the node belongs to another device now (the listed one was unplugged)");
  UniqueFd fd, wake;
  if (access != HidAccess::None) {
    const int mode = access == HidAccess::ReadWrite ? O_RDWR
                     : access == HidAccess::Read    ? O_RDONLY
                                                    : O_WRONLY;
    fd.Reset(::open(devicePath.c_str(), mode | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
      const int error = errno;
      return fail("open", ErrorFromErrno(error), std::generic_category().message(error));
    }
    // The name may have passed on between the look and the open: with the
    // node held, look again. The listed interface still being there now
    // means it was there at the open too (an identity is never reused).
    if (deviceId && !belongs(DescribeNode(*api, devicePath)))
      return fail("open", kErrorFileNotFound,
                  "the node passed to another device while it was opened");
    wake.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake.Valid()) {
      const int error = errno;
      return fail("open", kErrorGenFailure,
                  "no event descriptor: " + std::generic_category().message(error));
    }
  }
  return std::make_shared<HidrawHandle>(std::move(*description), std::move(fd), std::move(wake),
                                        access, overlapped);
}

bool HidrawPlatform::InterfacePresent(const Guid& interfaceClass, std::uint32_t deviceId,
                                      const std::string& devicePath) {
  auto api = Api();
  if (!api || interfaceClass != kHidInterfaceClassGuid) return false;
  auto description = DescribeNode(*api, devicePath);
  return description && description->DeviceID == deviceId && description->Attributes;
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

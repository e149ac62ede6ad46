#include "hid/platform/linux/udev_library.h"

#include <dlfcn.h>

namespace ombrel::platform::linux_hid {

struct UdevApi::Library {
  void* Handle;
  explicit Library(void* handle) : Handle(handle) {}
  ~Library() { dlclose(Handle); }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
};

namespace {
template <class F>
bool Resolve(void* library, F& function, const char* name) {
  function = reinterpret_cast<F>(dlsym(library, name));
  return function != nullptr;
}
}  // namespace

std::shared_ptr<const UdevApi> UdevApi::Load() {
  void* handle = dlopen("libudev.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  auto api = std::make_shared<UdevApi>();
  api->FLibrary = std::make_shared<Library>(handle);
  // One missing function fails the whole binding; the library is released
  // with `api`.
#define OMBREL_RESOLVE(name) \
  if (!Resolve(handle, api->name, #name)) return nullptr;
  OMBREL_RESOLVE(udev_new)
  OMBREL_RESOLVE(udev_unref)
  OMBREL_RESOLVE(udev_enumerate_new)
  OMBREL_RESOLVE(udev_enumerate_unref)
  OMBREL_RESOLVE(udev_enumerate_add_match_subsystem)
  OMBREL_RESOLVE(udev_enumerate_scan_devices)
  OMBREL_RESOLVE(udev_enumerate_get_list_entry)
  OMBREL_RESOLVE(udev_list_entry_get_next)
  OMBREL_RESOLVE(udev_list_entry_get_name)
  OMBREL_RESOLVE(udev_device_new_from_syspath)
  OMBREL_RESOLVE(udev_device_new_from_subsystem_sysname)
  OMBREL_RESOLVE(udev_device_unref)
  OMBREL_RESOLVE(udev_device_get_parent_with_subsystem_devtype)
  OMBREL_RESOLVE(udev_device_get_syspath)
  OMBREL_RESOLVE(udev_device_get_devnode)
  OMBREL_RESOLVE(udev_device_get_action)
  OMBREL_RESOLVE(udev_device_get_driver)
  OMBREL_RESOLVE(udev_device_get_sysattr_value)
  OMBREL_RESOLVE(udev_device_get_property_value)
  OMBREL_RESOLVE(udev_monitor_new_from_netlink)
  OMBREL_RESOLVE(udev_monitor_unref)
  OMBREL_RESOLVE(udev_monitor_filter_add_match_subsystem_devtype)
  OMBREL_RESOLVE(udev_monitor_enable_receiving)
  OMBREL_RESOLVE(udev_monitor_get_fd)
  OMBREL_RESOLVE(udev_monitor_receive_device)
#undef OMBREL_RESOLVE
  return api;
}

}  // namespace ombrel::platform::linux_hid

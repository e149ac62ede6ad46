// libudev, bound at run time by name so that a system without it runs the
// program unbound instead of refusing to start. Only the few functions the
// backend calls are declared; their shapes are libudev's stable ABI.
#pragma once

#include <memory>

struct udev;
struct udev_device;
struct udev_enumerate;
struct udev_list_entry;
struct udev_monitor;

namespace ombrel::platform::linux_hid {

struct UdevApi {
  udev* (*udev_new)();
  udev* (*udev_unref)(udev*);
  udev_enumerate* (*udev_enumerate_new)(udev*);
  udev_enumerate* (*udev_enumerate_unref)(udev_enumerate*);
  int (*udev_enumerate_add_match_subsystem)(udev_enumerate*, const char*);
  int (*udev_enumerate_scan_devices)(udev_enumerate*);
  udev_list_entry* (*udev_enumerate_get_list_entry)(udev_enumerate*);
  udev_list_entry* (*udev_list_entry_get_next)(udev_list_entry*);
  const char* (*udev_list_entry_get_name)(udev_list_entry*);
  udev_device* (*udev_device_new_from_syspath)(udev*, const char*);
  udev_device* (*udev_device_new_from_subsystem_sysname)(udev*, const char*, const char*);
  udev_device* (*udev_device_unref)(udev_device*);
  udev_device* (*udev_device_get_parent_with_subsystem_devtype)(udev_device*, const char*,
                                                                const char*);
  const char* (*udev_device_get_syspath)(udev_device*);
  const char* (*udev_device_get_devnode)(udev_device*);
  const char* (*udev_device_get_action)(udev_device*);
  const char* (*udev_device_get_driver)(udev_device*);
  const char* (*udev_device_get_sysattr_value)(udev_device*, const char*);
  const char* (*udev_device_get_property_value)(udev_device*, const char*);
  udev_monitor* (*udev_monitor_new_from_netlink)(udev*, const char*);
  udev_monitor* (*udev_monitor_unref)(udev_monitor*);
  int (*udev_monitor_filter_add_match_subsystem_devtype)(udev_monitor*, const char*,
                                                         const char*);
  int (*udev_monitor_enable_receiving)(udev_monitor*);
  int (*udev_monitor_get_fd)(udev_monitor*);
  udev_device* (*udev_monitor_receive_device)(udev_monitor*);

  // Loads "libudev.so.1" and resolves every function; null when the library
  // or any function is missing. The library stays loaded while the result
  // (or a copy of it) lives.
  static std::shared_ptr<const UdevApi> Load();

 private:
  struct Library;
  std::shared_ptr<Library> FLibrary;
};

// Owners of libudev objects that release them through the bound library.
struct UdevDeleter {
  const UdevApi* Api;
  void operator()(udev* p) const { Api->udev_unref(p); }
  void operator()(udev_device* p) const { Api->udev_device_unref(p); }
  void operator()(udev_enumerate* p) const { Api->udev_enumerate_unref(p); }
  void operator()(udev_monitor* p) const { Api->udev_monitor_unref(p); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

template <class T>
UdevPtr<T> Own(const UdevApi& api, T* object) {
  return UdevPtr<T>(object, UdevDeleter{&api});
}

}  // namespace ombrel::platform::linux_hid

#include "hid/platform/linux/hidraw_description.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hid/platform/linux/unique_fd.h"

namespace ombrel::platform::linux_hid {

namespace {

// The kernel caps descriptors at 4 KiB; anything much longer is not one.
constexpr std::size_t kMaxDescriptor = 64 * 1024;

std::optional<std::string> Text(const char* value) {
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

std::optional<std::uint32_t> Hex(const char* text) {
  if (!text || !*text) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  unsigned long value = std::strtoul(text, &end, 16);
  if (errno != 0 || end == text || value > 0xFFFFFFFFul) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<std::vector<std::uint8_t>> ReadDescriptor(const std::string& hidSysPath) {
  UniqueFd fd(::open((hidSysPath + "/report_descriptor").c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  for (;;) {
    ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > kMaxDescriptor) return std::nullopt;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

}  // namespace

std::uint32_t HashSysPath(const std::string& sysPath) {
  // FNV-1a: cheap, and spreads paths that differ in one digit.
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : sysPath) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

std::optional<HidAttributes> ParseHidId(const char* hidId) {
  if (!hidId) return std::nullopt;
  unsigned bus = 0, vendor = 0, product = 0;
  int used = 0;
  if (std::sscanf(hidId, "%x:%x:%x%n", &bus, &vendor, &product, &used) != 3 ||
      hidId[used] != '\0')
    return std::nullopt;
  HidAttributes attributes;
  attributes.VendorID = static_cast<std::uint16_t>(vendor & 0xFFFF);
  attributes.ProductID = static_cast<std::uint16_t>(product & 0xFFFF);
  return attributes;
}

std::optional<HidrawDescription> DescribeHidraw(const UdevApi& api, udev_device* hidraw) {
  const char* sysPath = api.udev_device_get_syspath(hidraw);
  const char* devNode = api.udev_device_get_devnode(hidraw);
  if (!sysPath || !devNode) return std::nullopt;
  HidrawDescription d;
  d.SysPath = sysPath;
  d.DevNode = devNode;
  d.DeviceID = HashSysPath(d.SysPath);
  d.Properties.ClassDescr = "HIDClass";
  d.Properties.EnumeratorName = "HID";
  d.Properties.PhysDevObjName = d.SysPath;

  // Both parents belong to the hidraw device and go with it.
  udev_device* hid = api.udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
  udev_device* usb =
      api.udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
  std::optional<std::string> hidName, hidUniq;
  if (hid) {
    d.Attributes = ParseHidId(api.udev_device_get_property_value(hid, "HID_ID"));
    hidName = Text(api.udev_device_get_property_value(hid, "HID_NAME"));
    hidUniq = Text(api.udev_device_get_property_value(hid, "HID_UNIQ"));
    if (const char* hidPath = api.udev_device_get_syspath(hid))
      d.ReportDescriptor = ReadDescriptor(hidPath);
    if (hidName) d.Properties.DeviceDescr = *hidName;
    if (auto phys = Text(api.udev_device_get_property_value(hid, "HID_PHYS")))
      d.Properties.LocationInfo = *phys;
    if (auto alias = Text(api.udev_device_get_property_value(hid, "MODALIAS")))
      d.Properties.HardwareID = {*alias};
    if (auto driver = Text(api.udev_device_get_driver(hid))) d.Properties.Service = *driver;
  }
  if (usb) {
    d.Product = Text(api.udev_device_get_sysattr_value(usb, "product"));
    d.Manufacturer = Text(api.udev_device_get_sysattr_value(usb, "manufacturer"));
    d.SerialNumber = Text(api.udev_device_get_sysattr_value(usb, "serial"));
    if (d.Attributes)
      if (auto bcd = Hex(api.udev_device_get_sysattr_value(usb, "bcdDevice")))
        d.Attributes->VersionNumber = static_cast<std::uint16_t>(*bcd);
    if (const char* busnum = api.udev_device_get_sysattr_value(usb, "busnum")) {
      char* end = nullptr;
      unsigned long bus = std::strtoul(busnum, &end, 10);
      if (end != busnum && bus <= 0xFFFFFFFFul) d.Properties.BusNumber = static_cast<std::uint32_t>(bus);
    }
  }
  if (!d.Product) d.Product = hidName;
  if (!d.SerialNumber) d.SerialNumber = hidUniq;
  return d;
}

}  // namespace ombrel::platform::linux_hid

// What sysfs tells about one hidraw node, read without opening it: the
// identity, the attributes, the strings and the report descriptor. So an
// interface the user may not open is still listed and identified.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/platform/hid_platform.h"
#include "hid/platform/linux/udev_library.h"

namespace ombrel::platform::linux_hid {

struct HidrawDescription {
  std::string SysPath;  // of the hidraw device
  std::string DevNode;  // what an open takes
  std::uint32_t DeviceID = 0;
  // Empty when the hid parent has no readable HID_ID.
  std::optional<HidAttributes> Attributes;
  // Empty where the device has no such string.
  std::optional<std::string> Product;
  std::optional<std::string> Manufacturer;
  std::optional<std::string> SerialNumber;
  // Empty when sysfs has none.
  std::optional<std::vector<std::uint8_t>> ReportDescriptor;
  DeviceSetupProperties Properties;
};

// The identity of an interface: its sysfs path hashed to 32 bits. The path
// holds the HID instance number, which changes at every plug.
std::uint32_t HashSysPath(const std::string& sysPath);

// Parses HID_ID ("0003:00000483:00005750": bus, vendor, product in hex).
std::optional<HidAttributes> ParseHidId(const char* hidId);

// Empty when the device has no node.
std::optional<HidrawDescription> DescribeHidraw(const UdevApi& api, udev_device* hidraw);

}  // namespace ombrel::platform::linux_hid

// Report descriptors as sysfs hands them over: malformed ones are refused,
// never read past their end.

#include <cstddef>
#include <cstdint>
#include <span>

#include "hid/platform/linux/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)ombrel::platform::linux_hid::ParseReportDescriptor(std::span<const std::uint8_t>(data, size));
  return 0;
}

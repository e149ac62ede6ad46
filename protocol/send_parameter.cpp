#include "protocol/send_parameter.h"

#include "hid/hid_device.h"
#include "protocol/framing.h"

TJvHidDevice* CurrentDevice = nullptr;

void SendParameter(ParamID id, std::u16string_view value) {
  TJvHidDevice* device = CurrentDevice;
  if (device == nullptr) return;
  ombrel::SendParameterTo(
      [device](std::span<const std::uint8_t> report) {
        std::uint32_t written = 0;
        device->WriteFile(report.data(), static_cast<std::uint32_t>(report.size()), written);
      },
      device->Caps().OutputReportByteLength, id, value);
}

// The program's read-back walk over the real backend: the simulated unit
// answers on the device's end of the hidraw node, the walk runs on the
// window thread through a checked-out device and its reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/hid_device.h"
#include "hid/platform/linux/hidraw_platform.h"
#include "hid/pumped_window_thread.h"
#include "protocol/framing.h"
#include "protocol/input_decoding.h"
#include "protocol/read_back_walk.h"
#include "sim/unit_model.h"
#include "tests/hid_linux/mock_hidraw.h"
#include "tests/hid_linux/unit_on_node.h"

namespace ombrel::test {
namespace {

TEST(HidrawReadBackWalk, WalksTheUnitsSettingsOverTheNode) {
  if (!UmockdevPreloadActive()) GTEST_SKIP() << kNoUmockdevPreload;
  MockBed bed;
  const auto unitNode = MockUnit();
  ASSERT_TRUE(bed.Add(unitNode));
  sim::UnitModel model;
  UnitOnNode unit(model, bed.DeviceEnd(unitNode));

  PumpedWindowThread window;
  auto controller = std::make_unique<TJvHidDeviceController>(
      std::make_shared<platform::linux_hid::HidrawPlatform>(), window);
  controller->SetDevThreadSleepTime(10);
  window.Pump();

  const auto send = [](TJvHidDevice* device, ParamID id, const std::u16string& value) {
    SendParameterTo(
        [device](std::span<const std::uint8_t> report) {
          std::uint32_t written = 0;
          device->WriteFile(report.data(), static_cast<std::uint32_t>(report.size()), written);
        },
        device->Caps().OutputReportByteLength, id, value);
  };
  std::vector<ParamID> answered;
  bool ended = false;
  controller->SetOnDeviceData(
      [&](TJvHidDevice* device, std::uint8_t reportId, const std::uint8_t* data, std::uint16_t size) {
        Bytes report{reportId};
        report.insert(report.end(), data, data + size);
        const auto decoded = DecodeInputReport(report);
        if (!decoded || !IsReadBackParameter(decoded->id)) return;
        answered.push_back(decoded->id);
        ended = EndsReadBack(decoded->id);
        if (const auto next = NextReadBackRequest(decoded->id))
          send(device, Param_Read_request, ReadRequestValue(*next));
      });

  TJvHidDevice* device = nullptr;
  ASSERT_TRUE(controller->CheckOutByID(device, sim::kUnitVendorId, sim::kUnitProductId));
  send(device, Param_Read_request, ReadRequestValue(kReadBackFirst));
  ASSERT_TRUE(window.PumpUntil([&] { return ended; }));

  std::vector<ParamID> order;
  for (const ReadBackStep& step : ReadBackSteps()) order.push_back(step.answer);
  EXPECT_EQ(answered, order);
  EXPECT_EQ(answered.size(), kReadBackLength);
  controller->CheckIn(device);
  controller.reset();
}

}  // namespace
}  // namespace ombrel::test

// Feature reports through hidraw's report requests, for a device without
// report IDs: the buffer starts with report ID 0 both ways, as hidraw takes
// and gives it. The node's requests are played by an ioctl handler.
#include <gtest/gtest.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "hid/hid_controller.h"
#include "hid/platform/linux/hidraw_platform.h"
#include "hid/pumped_window_thread.h"
#include "tests/hid_linux/mock_hidraw.h"

namespace ombrel::test {
namespace {

namespace plat = ombrel::platform;

// The device's side of its report requests.
struct FeatureDevice {
  std::mutex Lock;
  std::vector<Bytes> SetFeatures;  // as the request carried them
  Bytes Feature;                   // what a get request answers, ID byte first

  static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto& device = *static_cast<FeatureDevice*>(self);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (_IOC_TYPE(request) != 'H') return FALSE;
    const std::size_t length = _IOC_SIZE(request);
    GError* error = nullptr;
    UMockdevIoctlData* buffer =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
    if (!buffer) {
      if (error) g_error_free(error);
      umockdev_ioctl_client_complete(client, -1, EFAULT);
      return TRUE;
    }
    std::lock_guard lock(device.Lock);
    long result = -1;
    int errnum = EINVAL;
    if (request == HIDIOCSFEATURE(length)) {
      device.SetFeatures.emplace_back(buffer->data, buffer->data + length);
      result = static_cast<long>(length);
      errnum = 0;
    } else if (request == HIDIOCGFEATURE(length) && buffer->data[0] == 0) {
      const std::size_t n = std::min(length, device.Feature.size());
      std::memcpy(buffer->data, device.Feature.data(), n);
      result = static_cast<long>(n);
      errnum = 0;
    }
    umockdev_ioctl_client_complete(client, result, errnum);
    g_object_unref(buffer);
    return TRUE;
  }
};

class ReportRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UmockdevPreloadActive()) GTEST_SKIP() << kNoUmockdevPreload;
    Bed = std::make_unique<MockBed>();
    ASSERT_TRUE(Bed->Add(Keyboard));
    Handler.reset(umockdev_ioctl_base_new());
    g_signal_connect(Handler.get(), "handle-ioctl", G_CALLBACK(&FeatureDevice::OnIoctl), &Device);
    ASSERT_TRUE(Bed->AttachIoctl(Keyboard, reinterpret_cast<UMockdevIoctlBase*>(Handler.get())));
    Controller = std::make_unique<TJvHidDeviceController>(Platform, Window);
    Window.Pump();
    ASSERT_TRUE(Controller->CheckOutByID(Dev, 0x046D, 0xC31C));
  }
  void TearDown() override {
    if (Controller) Controller->CheckIn(Dev);
    Controller.reset();
    if (!Handler) return;
    // No request is left; the handler lets go of the device, and taking its
    // lock orders the worker's last use before the device goes.
    g_signal_handlers_disconnect_by_data(Handler.get(), &Device);
    std::lock_guard lock(Device.Lock);
  }

  const MockHidInterface Keyboard = MockKeyboard(0);
  FeatureDevice Device;
  std::unique_ptr<MockBed> Bed;
  std::unique_ptr<void, GObjectUnref> Handler;
  std::shared_ptr<plat::linux_hid::HidrawPlatform> Platform =
      std::make_shared<plat::linux_hid::HidrawPlatform>();
  PumpedWindowThread Window;
  std::unique_ptr<TJvHidDeviceController> Controller;
  TJvHidDevice* Dev = nullptr;
};

TEST_F(ReportRequestTest, AFeatureReportOfADeviceWithoutIdsComesWithReportIdZeroFirst) {
  const Bytes feature = {0x00, 0x11, 0x22, 0x33};
  {
    // The handler runs on the bed's worker thread.
    std::lock_guard lock(Device.Lock);
    Device.Feature = feature;
  }
  Bytes report(4, 0xEE);
  report[0] = 0;  // the report asked for
  ASSERT_TRUE(Dev->GetFeature(report.data(), static_cast<std::uint32_t>(report.size())))
      << plat::LastError();
  EXPECT_EQ(report, feature);
}

TEST_F(ReportRequestTest, AFeatureReportOfADeviceWithoutIdsGoesOutWithReportIdZeroFirst) {
  const Bytes report = {0x00, 0xAA, 0xBB};
  ASSERT_TRUE(Dev->SetFeature(report.data(), static_cast<std::uint32_t>(report.size())))
      << plat::LastError();
  std::lock_guard lock(Device.Lock);
  ASSERT_EQ(Device.SetFeatures.size(), 1u);
  EXPECT_EQ(Device.SetFeatures[0], report);
}

TEST_F(ReportRequestTest, AReportIdTheDeviceDoesNotUseIsRefusedBeforeItReachesIt) {
  Bytes report = {0x03, 0, 0, 0};
  EXPECT_FALSE(Dev->GetFeature(report.data(), static_cast<std::uint32_t>(report.size())));
  EXPECT_EQ(plat::LastError(), plat::kErrorInvalidParameter);
  EXPECT_FALSE(Dev->SetFeature(report.data(), static_cast<std::uint32_t>(report.size())));
  EXPECT_EQ(plat::LastError(), plat::kErrorInvalidParameter);
  std::lock_guard lock(Device.Lock);
  EXPECT_TRUE(Device.SetFeatures.empty());
}

}  // namespace
}  // namespace ombrel::test

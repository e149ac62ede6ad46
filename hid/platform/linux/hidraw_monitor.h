// Hot-plug: a udev monitor on the hidraw subsystem, read on a thread of its
// own, that calls back on every node added or removed.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "hid/platform/hid_platform.h"
#include "hid/platform/linux/udev_library.h"
#include "hid/platform/linux/unique_fd.h"

namespace ombrel::platform::linux_hid {

class HidrawMonitor final : public DeviceChangeSubscription {
 public:
  // Null when udev can't be watched (no monitor socket).
  static std::unique_ptr<HidrawMonitor> Start(std::shared_ptr<const UdevApi> api,
                                              std::function<void()> changed);
  // Returns once the callback can no longer run.
  ~HidrawMonitor() override;

 private:
  HidrawMonitor(std::shared_ptr<const UdevApi> api, UdevPtr<udev> context,
                UdevPtr<udev_monitor> monitor, UniqueFd stop, std::function<void()> changed);
  void Run(std::stop_token stop);

  const std::shared_ptr<const UdevApi> FApi;
  UdevPtr<udev> FContext;
  UdevPtr<udev_monitor> FMonitor;
  UniqueFd FStop;  // an eventfd raised to end the thread's wait
  std::function<void()> FChanged;
  std::jthread FThread;  // last: it ends before what it uses goes
};

}  // namespace ombrel::platform::linux_hid

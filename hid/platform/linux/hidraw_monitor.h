// Hot-plug: a udev monitor on the hidraw subsystem, read on a thread of its
// own, that calls back on every node added or removed.
//
// A monitor socket can fail under the program: poll reports an error, or
// the kernel drops events because the receive queue overflowed (ENOBUFS).
// Events may then be lost, so the callback runs (the listing is made again)
// and the monitor is made anew; while it can't be made, the callback runs
// at every retry instead, so the listing stays right without it. The
// thread ends only when the monitor is destroyed.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "hid/platform/hid_platform.h"
#include "hid/platform/linux/udev_library.h"
#include "hid/platform/linux/unique_fd.h"

namespace ombrel::platform::linux_hid {

class HidrawMonitor final : public DeviceChangeSubscription {
 public:
  // Null when udev can't be watched (no monitor socket at the start).
  // `retryDelay` is the first wait before making a failed monitor again; it
  // doubles up to `kMaxRetryDelay`.
  static std::unique_ptr<HidrawMonitor> Start(
      std::shared_ptr<const UdevApi> api, std::function<void()> changed,
      std::chrono::milliseconds retryDelay = std::chrono::seconds(1));
  // Returns once the callback can no longer run.
  ~HidrawMonitor() override;

  static constexpr std::chrono::milliseconds kMaxRetryDelay = std::chrono::seconds(10);

 private:
  HidrawMonitor(std::shared_ptr<const UdevApi> api, UdevPtr<udev> context,
                UdevPtr<udev_monitor> monitor, UniqueFd stop, std::function<void()> changed,
                std::chrono::milliseconds retryDelay);
  static UdevPtr<udev_monitor> OpenMonitor(const UdevApi& api, udev* context);
  void Run(std::stop_token stop);
  // Waits `delay` or until a stop; false on a stop.
  bool Rest(std::chrono::milliseconds delay, std::stop_token stop);

  const std::shared_ptr<const UdevApi> FApi;
  UdevPtr<udev> FContext;
  UdevPtr<udev_monitor> FMonitor;  // null while it has to be made again
  UniqueFd FStop;  // an eventfd raised to end the thread's wait
  std::function<void()> FChanged;
  const std::chrono::milliseconds FRetryDelay;
  std::jthread FThread;  // last: it ends before what it uses goes
};

}  // namespace ombrel::platform::linux_hid

#include "hid/platform/linux/hidraw_monitor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ombrel::platform::linux_hid {

UdevPtr<udev_monitor> HidrawMonitor::OpenMonitor(const UdevApi& api, udev* context) {
  // "udev", not "kernel": these events come after udev has made the node
  // and applied its rules, so the node can be opened when the pass runs.
  auto monitor = Own(api, api.udev_monitor_new_from_netlink(context, "udev"));
  if (!monitor ||
      api.udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
      api.udev_monitor_enable_receiving(monitor.get()) < 0)
    return Own<udev_monitor>(api, nullptr);
  return monitor;
}

std::unique_ptr<HidrawMonitor> HidrawMonitor::Start(std::shared_ptr<const UdevApi> api,
                                                    std::function<void()> changed,
                                                    std::chrono::milliseconds retryDelay) {
  if (!api || !changed) return nullptr;
  auto context = Own(*api, api->udev_new());
  if (!context) return nullptr;
  auto monitor = OpenMonitor(*api, context.get());
  if (!monitor) return nullptr;
  UniqueFd stop(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (!stop.Valid()) return nullptr;
  return std::unique_ptr<HidrawMonitor>(
      new HidrawMonitor(std::move(api), std::move(context), std::move(monitor), std::move(stop),
                        std::move(changed), std::max(retryDelay, std::chrono::milliseconds(1))));
}

HidrawMonitor::HidrawMonitor(std::shared_ptr<const UdevApi> api, UdevPtr<udev> context,
                             UdevPtr<udev_monitor> monitor, UniqueFd stop,
                             std::function<void()> changed, std::chrono::milliseconds retryDelay)
    : FApi(std::move(api)),
      FContext(std::move(context)),
      FMonitor(std::move(monitor)),
      FStop(std::move(stop)),
      FChanged(std::move(changed)),
      FRetryDelay(retryDelay),
      FThread([this](std::stop_token token) { Run(token); }) {}

HidrawMonitor::~HidrawMonitor() {
  FThread.request_stop();
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(FStop.Get(), &one, sizeof one);
  if (FThread.joinable()) FThread.join();
}

bool HidrawMonitor::Rest(std::chrono::milliseconds delay, std::stop_token stop) {
  pollfd wake{FStop.Get(), POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + delay;
  while (!stop.stop_requested()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    if (::poll(&wake, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
      // Not even the stop can be waited for: wait out the time.
      std::this_thread::sleep_for(left);
      return !stop.stop_requested();
    }
  }
  return false;
}

void HidrawMonitor::Run(std::stop_token stop) {
  std::chrono::milliseconds retry = FRetryDelay;
  int failures = 0;  // of the monitor, since it last delivered an event
  int monitorFd = -1;
  while (!stop.stop_requested()) {
    if (!FMonitor) {
      // The first failure is answered at once; one that comes back before
      // any event arrived waits, longer each time, so a broken socket
      // never spins the thread.
      if (failures > 1) {
        if (!Rest(retry, stop)) return;
        retry = std::min(retry * 2, kMaxRetryDelay);
      }
      FMonitor = OpenMonitor(*FApi, FContext.get());
      // Whatever happened while there was none is found by a pass.
      if (!stop.stop_requested()) FChanged();
      if (!FMonitor) {
        ++failures;
        continue;
      }
    }
    if (monitorFd < 0) {
      // Receiving must never block the thread past a stop request.
      monitorFd = FApi->udev_monitor_get_fd(FMonitor.get());
      const int flags = monitorFd < 0 ? -1 : ::fcntl(monitorFd, F_GETFL);
      if (flags < 0 || ::fcntl(monitorFd, F_SETFL, flags | O_NONBLOCK) < 0) {
        FMonitor.reset();
        monitorFd = -1;
        ++failures;
        continue;
      }
    }
    pollfd fds[2] = {{monitorFd, POLLIN, 0}, {FStop.Get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) {
      FMonitor.reset();  // made again at the top of the loop
      monitorFd = -1;
      ++failures;
      continue;
    }
    if (fds[1].revents != 0 || !(fds[0].revents & POLLIN)) continue;
    // Take every queued event; one pass answers them all.
    bool relevant = false;
    for (;;) {
      errno = 0;
      udev_device* raw = FApi->udev_monitor_receive_device(FMonitor.get());
      if (!raw) {
        // The queue overflowed and the kernel dropped events: which ones
        // is unknown, so a pass looks at everything.
        if (errno == ENOBUFS) relevant = true;
        break;
      }
      failures = 0;
      retry = FRetryDelay;
      auto device = Own(*FApi, raw);
      const char* action = FApi->udev_device_get_action(device.get());
      if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
        relevant = true;
    }
    if (relevant && !stop.stop_requested()) FChanged();
  }
}

}  // namespace ombrel::platform::linux_hid

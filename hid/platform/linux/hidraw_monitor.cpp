#include "hid/platform/linux/hidraw_monitor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ombrel::platform::linux_hid {

std::unique_ptr<HidrawMonitor> HidrawMonitor::Start(std::shared_ptr<const UdevApi> api,
                                                    std::function<void()> changed) {
  if (!api || !changed) return nullptr;
  auto context = Own(*api, api->udev_new());
  if (!context) return nullptr;
  // "udev", not "kernel": these events come after udev has made the node
  // and applied its rules, so the node can be opened when the pass runs.
  auto monitor = Own(*api, api->udev_monitor_new_from_netlink(context.get(), "udev"));
  if (!monitor ||
      api->udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
      api->udev_monitor_enable_receiving(monitor.get()) < 0)
    return nullptr;
  UniqueFd stop(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (!stop.Valid()) return nullptr;
  return std::unique_ptr<HidrawMonitor>(new HidrawMonitor(
      std::move(api), std::move(context), std::move(monitor), std::move(stop), std::move(changed)));
}

HidrawMonitor::HidrawMonitor(std::shared_ptr<const UdevApi> api, UdevPtr<udev> context,
                             UdevPtr<udev_monitor> monitor, UniqueFd stop,
                             std::function<void()> changed)
    : FApi(std::move(api)),
      FContext(std::move(context)),
      FMonitor(std::move(monitor)),
      FStop(std::move(stop)),
      FChanged(std::move(changed)),
      FThread([this](std::stop_token token) { Run(token); }) {}

HidrawMonitor::~HidrawMonitor() {
  FThread.request_stop();
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(FStop.Get(), &one, sizeof one);
  if (FThread.joinable()) FThread.join();
}

void HidrawMonitor::Run(std::stop_token stop) {
  const int monitorFd = FApi->udev_monitor_get_fd(FMonitor.get());
  // Receiving must never block the thread past a stop request.
  const int flags = ::fcntl(monitorFd, F_GETFL);
  if (flags < 0 || ::fcntl(monitorFd, F_SETFL, flags | O_NONBLOCK) < 0) return;
  while (!stop.stop_requested()) {
    pollfd fds[2] = {{monitorFd, POLLIN, 0}, {FStop.Get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;  // nothing to wait on any more: no more notifications
    }
    if (fds[1].revents != 0) continue;
    if (fds[0].revents & (POLLERR | POLLNVAL)) return;
    if (!(fds[0].revents & POLLIN)) continue;
    // Take every queued event; one pass answers them all.
    bool relevant = false;
    while (udev_device* raw = FApi->udev_monitor_receive_device(FMonitor.get())) {
      auto device = Own(*FApi, raw);
      const char* action = FApi->udev_device_get_action(device.get());
      if (action && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0))
        relevant = true;
    }
    if (relevant && !stop.stop_requested()) FChanged();
  }
}

}  // namespace ombrel::platform::linux_hid

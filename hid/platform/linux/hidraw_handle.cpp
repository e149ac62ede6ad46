#include "hid/platform/linux/hidraw_handle.h"

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <vector>

#include "hid/utf16.h"

namespace ombrel::platform::linux_hid {

namespace {

// hidraw keeps a fixed queue of this many reports per open file.
inline constexpr std::uint32_t kHidrawQueueLength = 64;

bool Has(HidAccess access, HidAccess needed) {
  return (static_cast<std::uint32_t>(access) & static_cast<std::uint32_t>(needed)) ==
         static_cast<std::uint32_t>(needed);
}

void CopyUnits(const std::u16string& units, std::span<char16_t> buffer) {
  const std::size_t n = std::min(units.size(), buffer.size());
  std::copy_n(units.begin(), n, buffer.begin());
  if (n < buffer.size()) buffer[n] = u'\0';
}

class HidrawPreparsedData final : public PreparsedData {
 public:
  explicit HidrawPreparsedData(const ReportDescriptorSummary& s) {
    FCaps.Usage = s.Usage;
    FCaps.UsagePage = s.UsagePage;
    FCaps.InputReportByteLength = s.InputReportByteLength;
    FCaps.OutputReportByteLength = s.OutputReportByteLength;
    FCaps.FeatureReportByteLength = s.FeatureReportByteLength;
    FCaps.NumberLinkCollectionNodes = s.NumberLinkCollectionNodes;
  }
  HidStatus GetCaps(HidCaps& caps) const override {
    caps = FCaps;
    return kHidpStatusSuccess;
  }

 private:
  HidCaps FCaps;
};

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline -
                                                            std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

}  // namespace

HidError ErrorFromErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case ENOENT:
    case ENXIO:
    case ENOTDIR:
      return kErrorFileNotFound;
    case ENODEV:
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
      return kErrorDeviceNotConnected;
    case EBUSY:
      return kErrorSharingViolation;
    case EINVAL:
    case EISDIR:
    case EMSGSIZE:
      return kErrorInvalidParameter;
    case EBADF:
      return kErrorInvalidHandle;
    default:
      return kErrorGenFailure;
  }
}

HidrawHandle::HidrawHandle(HidrawDescription description, UniqueFd fd, UniqueFd wake,
                           HidAccess access, bool overlapped)
    : FDescription(std::move(description)),
      FSummary(FDescription.ReportDescriptor
                   ? ParseReportDescriptor(*FDescription.ReportDescriptor)
                   : std::nullopt),
      FAccess(fd.Valid() ? access : HidAccess::None),
      FOverlapped(overlapped),
      FNoReportIds(FSummary && !FSummary->UsesReportIds),
      FFd(std::move(fd)),
      FWake(std::move(wake)) {}

HidrawHandle::~HidrawHandle() = default;

void HidrawHandle::Close() {
  std::lock_guard lock(FLock);
  if (FClosed) return;
  FClosed = true;
  WakeLocked();
  if (FUsers == 0) ReleaseLocked();
}

bool HidrawHandle::Enter(HidAccess needed) {
  std::lock_guard lock(FLock);
  if (FClosed) return Fail(kErrorInvalidHandle);
  if (needed != HidAccess::None && (!Has(FAccess, needed) || !FFd.Valid()))
    return Fail(kErrorAccessDenied);
  if (FGone) return Fail(kErrorDeviceNotConnected);
  ++FUsers;
  return true;
}

void HidrawHandle::Leave() {
  std::lock_guard lock(FLock);
  if (--FUsers == 0 && FClosed) ReleaseLocked();
}

void HidrawHandle::ReleaseLocked() {
  FFd.Reset();
  FWake.Reset();
}

void HidrawHandle::WakeLocked() {
  if (!FWake.Valid()) return;
  const std::uint64_t one = 1;
  // A full counter already wakes every waiter; nothing to add then.
  [[maybe_unused]] ssize_t n = ::write(FWake.Get(), &one, sizeof one);
}

void HidrawHandle::DrainWake() {
  std::lock_guard lock(FLock);
  // Once closed the wake stays raised, so every waiter sees it.
  if (FClosed || !FWake.Valid()) return;
  std::uint64_t count;
  [[maybe_unused]] ssize_t n = ::read(FWake.Get(), &count, sizeof count);
}

HidrawHandle::Poll HidrawHandle::WaitFor(short events, int timeoutMs) {
  // The caller counts as a user: neither descriptor is closed meanwhile.
  pollfd fds[2] = {{events != 0 ? FFd.Get() : -1, events, 0}, {FWake.Get(), POLLIN, 0}};
  int r = ::poll(fds, 2, timeoutMs);
  if (r < 0) return errno == EINTR ? Poll::Woken : Poll::Failed;
  if (r == 0) return Poll::TimedOut;
  if (fds[1].revents != 0) {
    DrainWake();
    return Poll::Woken;
  }
  // Data still queued is read before a hang-up is believed.
  if (fds[0].revents & POLLIN) return Poll::Readable;
  if (fds[0].revents & POLLOUT) return Poll::Writable;
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return Poll::Gone;
  return Poll::Woken;
}

ssize_t HidrawHandle::ReadReport(std::span<std::uint8_t> report) {
  if (!FNoReportIds) return ::read(FFd.Get(), report.data(), report.size());
  ssize_t n = ::read(FFd.Get(), report.data() + 1, report.size() - 1);
  if (n < 0) return n;
  report[0] = 0;
  return n + 1;
}

bool HidrawHandle::CopyString(const std::optional<std::string>& text,
                              std::span<char16_t> buffer) {
  {
    std::lock_guard lock(FLock);
    if (FClosed) return Fail(kErrorInvalidHandle);
  }
  if (!text) return Fail(kErrorGenFailure);
  // sysfs gives UTF-8; a device string is UTF-16.
  CopyUnits(Utf8ToUtf16(*text), buffer);
  return true;
}

bool HidrawHandle::GetAttributes(HidAttributes& attributes) {
  {
    std::lock_guard lock(FLock);
    if (FClosed) return Fail(kErrorInvalidHandle);
  }
  if (!FDescription.Attributes) return Fail(kErrorGenFailure);
  attributes = *FDescription.Attributes;
  attributes.Size = sizeof(HidAttributes);
  return true;
}

std::shared_ptr<const PreparsedData> HidrawHandle::GetPreparsedData() {
  {
    std::lock_guard lock(FLock);
    if (FClosed) {
      SetLastError(kErrorInvalidHandle);
      return nullptr;
    }
  }
  if (!FSummary) {
    SetLastError(kErrorGenFailure);
    return nullptr;
  }
  return std::make_shared<HidrawPreparsedData>(*FSummary);
}

bool HidrawHandle::GetProductString(std::span<char16_t> buffer) {
  return CopyString(FDescription.Product, buffer);
}
bool HidrawHandle::GetManufacturerString(std::span<char16_t> buffer) {
  return CopyString(FDescription.Manufacturer, buffer);
}
bool HidrawHandle::GetSerialNumberString(std::span<char16_t> buffer) {
  return CopyString(FDescription.SerialNumber, buffer);
}

bool HidrawHandle::GetIndexedString(std::uint32_t index, std::span<char16_t> buffer) {
  {
    std::lock_guard lock(FLock);
    if (FClosed) return Fail(kErrorInvalidHandle);
  }
  // The device's own string table is out of reach without claiming the
  // device; its language list is answered with US English, which is what
  // nearly every device lists and what the serial-number check compares.
  if (index != 0) return Fail(kErrorNotSupported);
  CopyUnits(u"\u0409", buffer);
  return true;
}

bool HidrawHandle::SetNumInputBuffers(std::uint32_t) {
  // The kernel's queue length is fixed.
  return Fail(kErrorNotSupported);
}

bool HidrawHandle::GetNumInputBuffers(std::uint32_t& count) {
  std::lock_guard lock(FLock);
  if (FClosed) return Fail(kErrorInvalidHandle);
  count = kHidrawQueueLength;
  return true;
}

bool HidrawHandle::Write(std::span<const std::uint8_t> report, std::uint32_t& written) {
  written = 0;
  if (report.empty()) return Fail(kErrorInvalidParameter);
  if (!Enter(HidAccess::Write)) return false;
  HidError error = kErrorSuccess;
  std::size_t done = 0;
  // hidraw takes a report whole; a pty may take it in parts.
  while (done < report.size() && error == kErrorSuccess) {
    ssize_t n = ::write(FFd.Get(), report.data() + done, report.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    const int e = n < 0 ? errno : EIO;
    if (e == EINTR) continue;
    if (e != EAGAIN) {
      error = ErrorFromErrno(e);
      break;
    }
    switch (WaitFor(POLLOUT, -1)) {
      case Poll::Gone: error = kErrorDeviceNotConnected; break;
      case Poll::Failed: error = ErrorFromErrno(errno); break;
      default: {
        std::lock_guard lock(FLock);
        if (FClosed) error = kErrorOperationAborted;
      }
    }
  }
  {
    std::lock_guard lock(FLock);
    if (error == kErrorDeviceNotConnected) FGone = true;
  }
  Leave();
  if (error != kErrorSuccess) return Fail(error);
  written = static_cast<std::uint32_t>(done);
  return true;
}

bool HidrawHandle::Read(std::span<std::uint8_t> report, std::uint32_t& read) {
  read = 0;
  if (report.size() < (FNoReportIds ? 2u : 1u)) return Fail(kErrorInvalidUserBuffer);
  if (!Enter(HidAccess::Read)) return false;
  HidError error = kErrorSuccess;
  for (;;) {
    ssize_t n = ReadReport(report);
    if (n > (FNoReportIds ? 1 : 0)) {
      read = static_cast<std::uint32_t>(n);
      break;
    }
    const int e = n < 0 ? errno : EIO;
    if (e == EINTR) continue;
    if (e != EAGAIN) {
      error = ErrorFromErrno(e);
      break;
    }
    Poll p = WaitFor(POLLIN, -1);
    if (p == Poll::Gone) error = kErrorDeviceNotConnected;
    if (p == Poll::Failed) error = ErrorFromErrno(errno);
    if (error != kErrorSuccess) break;
    std::lock_guard lock(FLock);
    if (FClosed) {
      error = kErrorOperationAborted;
      break;
    }
  }
  {
    std::lock_guard lock(FLock);
    if (error == kErrorDeviceNotConnected) FGone = true;
  }
  Leave();
  return error == kErrorSuccess || Fail(error);
}

bool HidrawHandle::StartRead(std::span<std::uint8_t> buffer, IoCompletion completion) {
  std::lock_guard lock(FLock);
  if (!FOverlapped) return Fail(kErrorInvalidParameter);
  if (FClosed) return Fail(kErrorInvalidHandle);
  if (!Has(FAccess, HidAccess::Read) || !FFd.Valid()) return Fail(kErrorAccessDenied);
  if (FGone) return Fail(kErrorDeviceNotConnected);
  if (FReadActive) return Fail(kErrorInvalidParameter);
  if (buffer.size() < (FNoReportIds ? 2u : 1u) ||
      (FSummary && buffer.size() < FSummary->InputReportByteLength))
    return Fail(kErrorInvalidUserBuffer);
  FReadActive = true;
  FReadBuffer = buffer;
  FReadCompletion = std::move(completion);
  FLastRead = {};
  return true;
}

bool HidrawHandle::StartWrite(std::span<const std::uint8_t> report, IoCompletion completion) {
  if (!FOverlapped) return Fail(kErrorInvalidParameter);
  // A report goes out at once; its completion runs at the next wait.
  std::uint32_t written = 0;
  if (!Write(report, written)) return false;
  std::lock_guard lock(FLock);
  FLastWrite = {true, written, kErrorSuccess};
  FDueCompletions.push_back({std::move(completion), kErrorSuccess, written});
  WakeLocked();
  return true;
}

HidrawHandle::Finished HidrawHandle::CompleteReadLocked(HidError error, std::uint32_t bytes) {
  Finished f{std::move(FReadCompletion), error, bytes};
  FReadCompletion = nullptr;
  FReadActive = false;
  FReadBuffer = {};
  FLastRead = {true, bytes, error};
  if (error == kErrorDeviceNotConnected) FGone = true;
  return f;
}

WaitOutcome HidrawHandle::WaitForCompletion(std::uint32_t milliseconds, std::stop_token stop) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::vector<Finished> finished;
  bool idle = false;
  {
    std::lock_guard lock(FLock);
    for (auto& due : FDueCompletions) finished.push_back(std::move(due));
    FDueCompletions.clear();
    if (FClosed && FReadActive) finished.push_back(CompleteReadLocked(kErrorOperationAborted, 0));
    if (finished.empty()) {
      // Without a descriptor there is nothing to poll: just wait out the time.
      idle = FClosed || !FWake.Valid();
      if (!idle) ++FUsers;
    }
  }
  if (finished.empty() && idle) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    cv.wait_until(lock, stop, deadline, [] { return false; });
    return stop.stop_requested() ? WaitOutcome::Stopped : WaitOutcome::TimedOut;
  }

  WaitOutcome outcome = WaitOutcome::IoCompletion;
  if (finished.empty()) {
    std::stop_callback onStop(stop, [this] {
      std::lock_guard lock(FLock);
      WakeLocked();
    });
    for (;;) {
      short events = 0;
      {
        std::lock_guard lock(FLock);
        if (FClosed && FReadActive) {
          finished.push_back(CompleteReadLocked(kErrorOperationAborted, 0));
          break;
        }
        if (!FDueCompletions.empty()) {
          for (auto& due : FDueCompletions) finished.push_back(std::move(due));
          FDueCompletions.clear();
          break;
        }
        if (FReadActive && !FGone && !FClosed) events = POLLIN;
      }
      if (stop.stop_requested()) {
        outcome = WaitOutcome::Stopped;
        break;
      }
      const int left = MillisecondsUntil(deadline);
      if (left == 0) {
        outcome = WaitOutcome::TimedOut;
        break;
      }
      const Poll p = WaitFor(events, left);
      if (p == Poll::Woken || p == Poll::TimedOut || p == Poll::Writable) continue;
      const int pollErrno = errno;
      std::lock_guard lock(FLock);
      if (!FReadActive || FClosed) continue;
      if (p == Poll::Gone) {
        finished.push_back(CompleteReadLocked(kErrorDeviceNotConnected, 0));
        break;
      }
      if (p == Poll::Failed) {
        finished.push_back(CompleteReadLocked(ErrorFromErrno(pollErrno), 0));
        break;
      }
      // Read under the lock, so a CancelIo that returns has the buffer back.
      ssize_t n = ReadReport(FReadBuffer);
      if (n > (FNoReportIds ? 1 : 0)) {
        finished.push_back(CompleteReadLocked(kErrorSuccess, static_cast<std::uint32_t>(n)));
        break;
      }
      const int e = n < 0 ? errno : EIO;
      if (e == EINTR || e == EAGAIN) continue;
      finished.push_back(CompleteReadLocked(ErrorFromErrno(e), 0));
      break;
    }
    Leave();
  }
  for (auto& f : finished)
    if (f.Completion) f.Completion(f.Error, f.Bytes);
  return outcome;
}

bool HidrawHandle::GetOverlappedResult(bool read, std::uint32_t& bytes) {
  bytes = 0;
  std::lock_guard lock(FLock);
  if (FClosed) return Fail(kErrorInvalidHandle);
  return (read ? FLastRead : FLastWrite).Report(bytes);
}

bool HidrawHandle::CancelIo() {
  std::lock_guard lock(FLock);
  if (FClosed) return Fail(kErrorInvalidHandle);
  FDueCompletions.clear();
  // A cancelled read still completes, as on the unit's home platform: its
  // completion runs at the next wait, which so ends and lets the waiter
  // start its next read. The buffer is let go of here and now.
  if (FReadActive) FDueCompletions.push_back(CompleteReadLocked(kErrorOperationAborted, 0));
  WakeLocked();
  return true;
}

bool HidrawHandle::ReportRequest(unsigned long request, std::span<std::uint8_t> report,
                                 HidAccess needed) {
  if (report.empty() || report.size() > (1u << _IOC_SIZEBITS) - 1)
    return Fail(kErrorInvalidParameter);
  // A device without report IDs knows only report 0, one with them never.
  if (FSummary && (report[0] == 0) != FNoReportIds) return Fail(kErrorInvalidParameter);
  if (!Enter(needed)) return false;
  int result;
  do {
    result = ::ioctl(FFd.Get(), request, report.data());
  } while (result < 0 && errno == EINTR);
  const int error = errno;
  Leave();
  if (result < 0) return Fail(ErrorFromErrno(error));
  return true;
}

bool HidrawHandle::GetFeature(std::span<std::uint8_t> report) {
  return ReportRequest(HIDIOCGFEATURE(report.size()), report, HidAccess::Read);
}

bool HidrawHandle::SetFeature(std::span<const std::uint8_t> report) {
  // The request takes a buffer it may write to; the caller's is read-only.
  std::vector<std::uint8_t> buffer(report.begin(), report.end());
  return ReportRequest(HIDIOCSFEATURE(buffer.size()), buffer, HidAccess::Write);
}

bool HidrawHandle::GetInputReport(std::span<std::uint8_t> report) {
  return ReportRequest(HIDIOCGINPUT(report.size()), report, HidAccess::Read);
}

bool HidrawHandle::SetOutputReport(std::span<const std::uint8_t> report) {
  std::vector<std::uint8_t> buffer(report.begin(), report.end());
  return ReportRequest(HIDIOCSOUTPUT(buffer.size()), buffer, HidAccess::Write);
}

}  // namespace ombrel::platform::linux_hid

// One open handle to a hidraw node. A handle opened without access rights
// holds no file descriptor: it identifies the device from sysfs, and every
// transfer on it fails with "access denied", as such a handle does on the
// unit's home platform.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "hid/platform/hid_platform.h"
#include "hid/platform/linux/hidraw_description.h"
#include "hid/platform/linux/report_descriptor.h"
#include "hid/platform/linux/unique_fd.h"
#include "hid/platform/overlapped_io.h"

namespace ombrel::platform::linux_hid {

// The platform's error code for an errno of the device node.
HidError ErrorFromErrno(int error);

class HidrawHandle final : public HidHandle {
 public:
  // `fd` is invalid for a handle without access rights; otherwise it is
  // non-blocking, and `wake` an eventfd that interrupts waits on it.
  HidrawHandle(HidrawDescription description, UniqueFd fd, UniqueFd wake, HidAccess access,
               bool overlapped);
  ~HidrawHandle() override;

  void Close() override;

  bool GetAttributes(HidAttributes& attributes) override;
  std::shared_ptr<const PreparsedData> GetPreparsedData() override;
  bool GetProductString(std::span<char16_t> buffer) override;
  bool GetManufacturerString(std::span<char16_t> buffer) override;
  bool GetSerialNumberString(std::span<char16_t> buffer) override;
  bool GetIndexedString(std::uint32_t index, std::span<char16_t> buffer) override;
  bool SetNumInputBuffers(std::uint32_t count) override;
  bool GetNumInputBuffers(std::uint32_t& count) override;

  bool Write(std::span<const std::uint8_t> report, std::uint32_t& written) override;
  bool Read(std::span<std::uint8_t> report, std::uint32_t& read) override;
  bool StartRead(std::span<std::uint8_t> buffer, IoCompletion completion) override;
  bool StartWrite(std::span<const std::uint8_t> report, IoCompletion completion) override;
  WaitOutcome WaitForCompletion(std::uint32_t milliseconds, std::stop_token stop) override;
  bool GetOverlappedResult(bool read, std::uint32_t& bytes) override;
  bool CancelIo() override;

  // Feature, input and output reports through hidraw's report requests.
  // The buffer starts with the report ID, 0 for a device without report
  // IDs: that is how hidraw takes and gives them (unlike reads, where such
  // a device's reports come without the byte).
  bool GetFeature(std::span<std::uint8_t> report) override;
  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool GetInputReport(std::span<std::uint8_t> report) override;
  bool SetOutputReport(std::span<const std::uint8_t> report) override;

 private:
  using Result = OverlappedResult;
  using Finished = FinishedIo;
  enum class Poll { Readable, Writable, Woken, Gone, TimedOut, Failed };

  // A thread that uses the descriptors counts itself in; Close() while it
  // does only marks the handle closed and wakes it, and the last one out
  // closes them.
  bool Enter(HidAccess needed);
  void Leave();
  void ReleaseLocked();
  void WakeLocked();
  void DrainWake();
  // Waits until the node is ready for `events` or the wake fd fires; a
  // negative timeout waits without limit.
  Poll WaitFor(short events, int timeoutMs);
  bool CopyString(const std::optional<std::string>& text, std::span<char16_t> buffer);
  Finished CompleteReadLocked(HidError error, std::uint32_t bytes);
  // Reads one report into `report`, report ID first; what read() returns,
  // counting an ID byte put in for a device without report IDs.
  ssize_t ReadReport(std::span<std::uint8_t> report);
  // One report request (`request` names the kind and carries the length)
  // on a buffer whose first byte is the report ID.
  bool ReportRequest(unsigned long request, std::span<std::uint8_t> report, HidAccess needed);

  const HidrawDescription FDescription;
  const std::optional<ReportDescriptorSummary> FSummary;
  const HidAccess FAccess;
  const bool FOverlapped;
  // The descriptor declares no report IDs: hidraw then reads reports
  // without an ID byte, which the link expects first (ID 0).
  const bool FNoReportIds;

  std::mutex FLock;
  UniqueFd FFd;
  UniqueFd FWake;
  int FUsers = 0;
  bool FClosed = false;
  bool FGone = false;  // the node hung up: the device was unplugged
  bool FReadActive = false;
  std::span<std::uint8_t> FReadBuffer;
  IoCompletion FReadCompletion;
  Result FLastRead;
  Result FLastWrite;
  std::deque<Finished> FDueCompletions;  // completions the next wait runs
};

}  // namespace ombrel::platform::linux_hid

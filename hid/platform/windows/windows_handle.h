// One open handle to a HID interface on Windows: a file handle from
// CreateFileW, described through HID.dll, read and written with kernel32.
//
// Threads and ownership. Any thread may call any member. An overlapped read
// or write started with StartRead/StartWrite completes through a completion
// routine, which the system runs only inside an alertable wait of the thread
// that started it: WaitForCompletion, or CancelIo on that thread. The record
// of the operation (its OVERLAPPED) keeps the handle's state alive until its
// routine has run, so Close() or the last owner letting go while a read is
// pending never frees what the system still writes to. Close() from another
// thread cancels what is pending (CancelIoEx); the file handle itself is
// closed once nothing is pending and no call is using it.
//
// The file is opened for overlapped I/O whatever the caller asked for; a
// handle opened without `overlapped` only refuses StartRead/StartWrite.
// Write waits at most about a second for the device to take the report,
// then cancels it, waits for the cancel to complete and fails with
// ERROR_TIMEOUT; Read waits for a report as long as it takes.
#pragma once

#include <memory>
#include <string>

#include "hid/platform/hid_platform.h"
#include "hid/platform/windows/hid_libraries.h"

namespace ombrel::platform::windows_hid {

class WindowsHidHandle final : public HidHandle {
 public:
  WindowsHidHandle(std::shared_ptr<const HidLibrary> hid, UniqueHandle file, bool overlapped,
                   std::string path);
  ~WindowsHidHandle() override;

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

  bool FlushQueue() override;
  bool GetFeature(std::span<std::uint8_t> report) override;
  bool SetFeature(std::span<const std::uint8_t> report) override;
  bool GetInputReport(std::span<std::uint8_t> report) override;
  bool SetOutputReport(std::span<const std::uint8_t> report) override;
  bool GetConfiguration(HidConfiguration& configuration) override;
  bool SetConfiguration(const HidConfiguration& configuration) override;
  bool GetPhysicalDescriptor(std::span<std::uint8_t> buffer) override;
  bool DeviceIoControl(std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& returned) override;

  struct State;

 private:
  bool Transfer(bool write, std::span<std::uint8_t> data, std::uint32_t& moved);
  bool StartTransfer(bool read, std::span<std::uint8_t> data, IoCompletion completion);

  const std::shared_ptr<const HidLibrary> FHid;
  const std::shared_ptr<State> FState;
};

}  // namespace ombrel::platform::windows_hid

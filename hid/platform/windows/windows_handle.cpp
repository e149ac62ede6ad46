#include "hid/platform/windows/windows_handle.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "hid/platform/overlapped_io.h"
#include "hid/platform/windows/windows_error.h"

namespace ombrel::platform::windows_hid {

namespace {

enum Slot { kRead = 0, kWrite = 1 };

// How long Write waits for the device to take a report. A unit takes one
// within milliseconds; one that stopped taking reports (hung firmware, a
// stalled endpoint) gets its write called off after this, and the write
// fails with ERROR_TIMEOUT.
constexpr DWORD kWriteTimeLimitMs = 1000;

// The record of a call its own thread waits on: the file is always opened
// for overlapped I/O (so a wait can be bounded), so even a waited call needs
// a record with an event of its own.
struct WaitedRecord {
  WaitedRecord() { Overlapped.hEvent = Event.Get(); }
  WaitedRecord(const WaitedRecord&) = delete;
  WaitedRecord& operator=(const WaitedRecord&) = delete;
  bool Valid() const { return Event.Valid(); }

  UniqueHandle Event{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  OVERLAPPED Overlapped{};
};

// Completion routines that ran on this thread, so a wait can tell its own
// completions from other APCs that end an alertable sleep too.
thread_local std::uint64_t tCompletionsRun = 0;

void CALLBACK WakeOnly(ULONG_PTR) {}

ULONG ByteCount(std::size_t bytes) {
  return static_cast<ULONG>(std::min<std::size_t>(bytes, MAXDWORD));
}

class WindowsPreparsedData final : public PreparsedData {
 public:
  WindowsPreparsedData(std::shared_ptr<const HidLibrary> hid, PreparsedHandle data)
      : FHid(std::move(hid)), FData(data) {}
  ~WindowsPreparsedData() override { FHid->HidD_FreePreparsedData(FData); }
  WindowsPreparsedData(const WindowsPreparsedData&) = delete;
  WindowsPreparsedData& operator=(const WindowsPreparsedData&) = delete;

  HidStatus GetCaps(HidCaps& caps) const override {
    return static_cast<HidStatus>(FHid->HidP_GetCaps(FData, &caps));
  }
  HidStatus GetExtendedAttributes(HidReportType type, std::uint16_t dataIndex,
                                  HidExtendedAttributes* attributes,
                                  std::uint32_t& length) const override {
    if (!FHid->HidP_GetExtendedAttributes) return kHidpStatusNotImplemented;
    ULONG n = length;
    auto status = FHid->HidP_GetExtendedAttributes(static_cast<int>(type), dataIndex, FData,
                                                   attributes, &n);
    length = n;
    return static_cast<HidStatus>(status);
  }
  HidStatus InitializeReportForID(HidReportType type, std::uint8_t reportId,
                                  std::span<std::uint8_t> report) const override {
    if (!FHid->HidP_InitializeReportForID) return kHidpStatusNotImplemented;
    return static_cast<HidStatus>(FHid->HidP_InitializeReportForID(
        static_cast<int>(type), reportId, FData, reinterpret_cast<char*>(report.data()),
        ByteCount(report.size())));
  }

 private:
  const std::shared_ptr<const HidLibrary> FHid;
  const PreparsedHandle FData;
};

}  // namespace

// The OVERLAPPED comes first, so the pointer a completion routine receives
// is the record's.
struct IoRecord {
  OVERLAPPED Overlapped;
  WindowsHidHandle::State* Owner;
  Slot Kind;
};
static_assert(offsetof(IoRecord, Overlapped) == 0);

struct WindowsHidHandle::State {
  State(UniqueHandle file, bool overlapped, std::string path)
      : File(std::move(file)), Overlapped(overlapped), Path(std::move(path)) {}

  std::mutex Lock;
  UniqueHandle File;  // always opened with FILE_FLAG_OVERLAPPED
  const bool Overlapped;  // opened for StartRead/StartWrite
  const std::string Path;
  bool Closed = false;
  int Users = 0;  // calls using File right now
  std::array<IoRecord, 2> Records{};
  std::array<bool, 2> Pending{};
  std::array<DWORD, 2> Issuer{};
  std::array<IoCompletion, 2> Completions;
  std::array<OverlappedResult, 2> Last;
  // Holds the state while the system may still use its records.
  std::array<std::shared_ptr<State>, 2> Keep;

  bool AnyPending() const { return Pending[kRead] || Pending[kWrite]; }
  void CloseFileIfIdleLocked() {
    if (Closed && Users == 0 && !AnyPending()) File.Reset();
  }

  // Null (with LastError set) when the handle is closed.
  HANDLE Enter() {
    std::lock_guard lock(Lock);
    if (Closed || !File.Valid()) {
      ErrorFromCode(kErrorInvalidHandle, "use of a closed handle", Path);
      return nullptr;
    }
    ++Users;
    return File.Get();
  }
  void Leave() {
    std::lock_guard lock(Lock);
    --Users;
    CloseFileIfIdleLocked();
  }

  static void CALLBACK Completed(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
    auto* record = reinterpret_cast<IoRecord*>(overlapped);
    State* state = record->Owner;
    const Slot kind = record->Kind;
    std::shared_ptr<State> keep;
    IoCompletion completion;
    {
      std::lock_guard lock(state->Lock);
      keep = std::move(state->Keep[kind]);
      completion = std::move(state->Completions[kind]);
      state->Completions[kind] = nullptr;
      state->Pending[kind] = false;
      state->Last[kind] = {true, error == ERROR_SUCCESS ? bytes : 0, error};
      state->CloseFileIfIdleLocked();
    }
    ++tCompletionsRun;
    if (completion) completion(error, bytes);
  }
};

WindowsHidHandle::WindowsHidHandle(std::shared_ptr<const HidLibrary> hid, UniqueHandle file,
                                   bool overlapped, std::string path)
    : FHid(std::move(hid)),
      FState(std::make_shared<State>(std::move(file), overlapped, std::move(path))) {
  for (auto& record : FState->Records) record.Owner = FState.get();
  FState->Records[kRead].Kind = kRead;
  FState->Records[kWrite].Kind = kWrite;
}

WindowsHidHandle::~WindowsHidHandle() { Close(); }

void WindowsHidHandle::Close() {
  State& s = *FState;
  std::lock_guard lock(s.Lock);
  if (s.Closed) return;
  s.Closed = true;
  if ((s.AnyPending() || s.Users > 0) && s.File.Valid()) {
    // What is pending ends with "aborted" at its thread's next alertable
    // wait; the file is closed once it has.
    const auto& kernel = KernelFunctions::Get();
    if (!kernel.CancelIoEx || !kernel.CancelIoEx(s.File.Get(), nullptr)) {
      if (s.Users == 0) s.File.Reset();  // closing cancels it too
    }
  }
  s.CloseFileIfIdleLocked();
}

bool WindowsHidHandle::GetAttributes(HidAttributes& attributes) {
  HANDLE file = FState->Enter();
  if (!file) return false;
  attributes.Size = sizeof(HidAttributes);
  const bool ok = FHid->HidD_GetAttributes(file, &attributes);
  if (!ok) ErrorFromLastError("HidD_GetAttributes", FState->Path);
  FState->Leave();
  return ok;
}

std::shared_ptr<const PreparsedData> WindowsHidHandle::GetPreparsedData() {
  HANDLE file = FState->Enter();
  if (!file) return nullptr;
  PreparsedHandle data = nullptr;
  std::shared_ptr<const PreparsedData> result;
  if (FHid->HidD_GetPreparsedData(file, &data) && data)
    result = std::make_shared<WindowsPreparsedData>(FHid, data);
  else
    ErrorFromLastError("HidD_GetPreparsedData", FState->Path);
  FState->Leave();
  return result;
}

#define OMBREL_HID_CALL(name, ...)                        \
  HANDLE file = FState->Enter();                          \
  if (!file) return false;                                \
  const bool ok = FHid->name(file, __VA_ARGS__);          \
  if (!ok) ErrorFromLastError(#name, FState->Path);       \
  FState->Leave();                                        \
  return ok;

bool WindowsHidHandle::GetProductString(std::span<char16_t> buffer) {
  OMBREL_HID_CALL(HidD_GetProductString, buffer.data(), ByteCount(buffer.size_bytes()))
}
bool WindowsHidHandle::GetManufacturerString(std::span<char16_t> buffer) {
  OMBREL_HID_CALL(HidD_GetManufacturerString, buffer.data(), ByteCount(buffer.size_bytes()))
}
bool WindowsHidHandle::GetSerialNumberString(std::span<char16_t> buffer) {
  OMBREL_HID_CALL(HidD_GetSerialNumberString, buffer.data(), ByteCount(buffer.size_bytes()))
}
bool WindowsHidHandle::GetIndexedString(std::uint32_t index, std::span<char16_t> buffer) {
  OMBREL_HID_CALL(HidD_GetIndexedString, index, buffer.data(), ByteCount(buffer.size_bytes()))
}
bool WindowsHidHandle::SetNumInputBuffers(std::uint32_t count) {
  OMBREL_HID_CALL(HidD_SetNumInputBuffers, count)
}
bool WindowsHidHandle::GetNumInputBuffers(std::uint32_t& count) {
  ULONG n = 0;
  HANDLE file = FState->Enter();
  if (!file) return false;
  const bool ok = FHid->HidD_GetNumInputBuffers(file, &n);
  if (ok)
    count = n;
  else
    ErrorFromLastError("HidD_GetNumInputBuffers", FState->Path);
  FState->Leave();
  return ok;
}
bool WindowsHidHandle::FlushQueue() {
  HANDLE file = FState->Enter();
  if (!file) return false;
  const bool ok = FHid->HidD_FlushQueue(file);
  if (!ok) ErrorFromLastError("HidD_FlushQueue", FState->Path);
  FState->Leave();
  return ok;
}
bool WindowsHidHandle::GetFeature(std::span<std::uint8_t> report) {
  OMBREL_HID_CALL(HidD_GetFeature, report.data(), ByteCount(report.size()))
}
bool WindowsHidHandle::SetFeature(std::span<const std::uint8_t> report) {
  OMBREL_HID_CALL(HidD_SetFeature, const_cast<std::uint8_t*>(report.data()),
                  ByteCount(report.size()))
}
bool WindowsHidHandle::GetInputReport(std::span<std::uint8_t> report) {
  if (!FHid->HidD_GetInputReport) return Fail(kErrorNotSupported);
  OMBREL_HID_CALL(HidD_GetInputReport, report.data(), ByteCount(report.size()))
}
bool WindowsHidHandle::SetOutputReport(std::span<const std::uint8_t> report) {
  if (!FHid->HidD_SetOutputReport) return Fail(kErrorNotSupported);
  OMBREL_HID_CALL(HidD_SetOutputReport, const_cast<std::uint8_t*>(report.data()),
                  ByteCount(report.size()))
}
bool WindowsHidHandle::GetConfiguration(HidConfiguration& configuration) {
  OMBREL_HID_CALL(HidD_GetConfiguration, &configuration, sizeof configuration)
}
bool WindowsHidHandle::SetConfiguration(const HidConfiguration& configuration) {
  HidConfiguration copy = configuration;
  OMBREL_HID_CALL(HidD_SetConfiguration, &copy, sizeof copy)
}
bool WindowsHidHandle::GetPhysicalDescriptor(std::span<std::uint8_t> buffer) {
  OMBREL_HID_CALL(HidD_GetPhysicalDescriptor, buffer.data(), ByteCount(buffer.size()))
}
#undef OMBREL_HID_CALL

bool WindowsHidHandle::DeviceIoControl(std::uint32_t code, std::span<const std::uint8_t> in,
                                       std::span<std::uint8_t> out, std::uint32_t& returned) {
  returned = 0;
  HANDLE file = FState->Enter();
  if (!file) return false;
  WaitedRecord record;
  if (!record.Valid()) {
    ErrorFromLastError("CreateEventW", FState->Path);
    FState->Leave();
    return false;
  }
  OVERLAPPED& overlapped = record.Overlapped;
  DWORD n = 0;
  BOOL ok = ::DeviceIoControl(file, code, const_cast<std::uint8_t*>(in.data()),
                              ByteCount(in.size()), out.data(), ByteCount(out.size()), &n,
                              &overlapped);
  if (!ok && ::GetLastError() == ERROR_IO_PENDING)
    ok = ::GetOverlappedResult(file, &overlapped, &n, TRUE);
  if (ok)
    returned = n;
  else
    ErrorFromLastError("DeviceIoControl", FState->Path);
  FState->Leave();
  return ok;
}

bool WindowsHidHandle::Transfer(bool write, std::span<std::uint8_t> data, std::uint32_t& moved) {
  moved = 0;
  HANDLE file = FState->Enter();
  if (!file) return false;
  WaitedRecord record;
  if (!record.Valid()) {
    ErrorFromLastError("CreateEventW", FState->Path);
    FState->Leave();
    return false;
  }
  OVERLAPPED& overlapped = record.Overlapped;
  DWORD n = 0;
  BOOL ok = write ? ::WriteFile(file, data.data(), ByteCount(data.size()), &n, &overlapped)
                  : ::ReadFile(file, data.data(), ByteCount(data.size()), &n, &overlapped);
  bool timedOut = false;
  if (!ok && ::GetLastError() == ERROR_IO_PENDING) {
    // A read waits for the unit's next report for as long as that takes. A
    // write the unit does not take in time is called off: held for ever it
    // would hold the window thread for ever.
    if (write && ::WaitForSingleObject(record.Event.Get(), kWriteTimeLimitMs) == WAIT_TIMEOUT) {
      timedOut = true;
      const auto& kernel = KernelFunctions::Get();
      if (kernel.CancelIoEx)
        kernel.CancelIoEx(file, &overlapped);
      else if (kernel.CancelIo)
        kernel.CancelIo(file);  // this thread's own I/O on the handle: the write
    }
    // Waits until the system is done with the record and the report, also
    // after a cancel, which ends the write at once; one the unit took in the
    // meantime counts as written.
    ok = ::GetOverlappedResult(file, &overlapped, &n, TRUE);
  }
  if (ok)
    moved = n;
  else if (timedOut && ::GetLastError() == ERROR_OPERATION_ABORTED)
    ErrorFromCode(ERROR_TIMEOUT, "WriteFile", FState->Path);
  else
    ErrorFromLastError(write ? "WriteFile" : "ReadFile", FState->Path);
  FState->Leave();
  return ok;
}

bool WindowsHidHandle::Write(std::span<const std::uint8_t> report, std::uint32_t& written) {
  return Transfer(true, std::span(const_cast<std::uint8_t*>(report.data()), report.size()),
                  written);
}

bool WindowsHidHandle::Read(std::span<std::uint8_t> report, std::uint32_t& read) {
  return Transfer(false, report, read);
}

bool WindowsHidHandle::StartTransfer(bool read, std::span<std::uint8_t> data,
                                     IoCompletion completion) {
  State& s = *FState;
  const Slot kind = read ? kRead : kWrite;
  std::lock_guard lock(s.Lock);
  if (!s.Overlapped) return Fail(kErrorInvalidParameter);
  if (s.Closed || !s.File.Valid()) return Fail(kErrorInvalidHandle);
  if (s.Pending[kind]) return Fail(kErrorInvalidParameter);
  IoRecord& record = s.Records[kind];
  record.Overlapped = OVERLAPPED{};
  s.Pending[kind] = true;
  s.Issuer[kind] = ::GetCurrentThreadId();
  s.Completions[kind] = std::move(completion);
  s.Last[kind] = {};
  s.Keep[kind] = FState;
  // The routine runs only in an alertable wait of this thread, never while
  // the lock is held here.
  const BOOL ok = read ? ::ReadFileEx(s.File.Get(), data.data(), ByteCount(data.size()),
                                      &record.Overlapped, &State::Completed)
                       : ::WriteFileEx(s.File.Get(), data.data(), ByteCount(data.size()),
                                       &record.Overlapped, &State::Completed);
  if (ok) return true;
  ErrorFromLastError(read ? "ReadFileEx" : "WriteFileEx", s.Path);
  s.Pending[kind] = false;
  s.Completions[kind] = nullptr;
  s.Keep[kind].reset();  // the handle still owns the state
  return false;
}

bool WindowsHidHandle::StartRead(std::span<std::uint8_t> buffer, IoCompletion completion) {
  if (buffer.empty()) return Fail(kErrorInvalidUserBuffer);
  return StartTransfer(true, buffer, std::move(completion));
}

bool WindowsHidHandle::StartWrite(std::span<const std::uint8_t> report, IoCompletion completion) {
  if (report.empty()) return Fail(kErrorInvalidParameter);
  return StartTransfer(false, std::span(const_cast<std::uint8_t*>(report.data()), report.size()),
                       std::move(completion));
}

WaitOutcome WindowsHidHandle::WaitForCompletion(std::uint32_t milliseconds,
                                                std::stop_token stop) {
  if (stop.stop_requested()) return WaitOutcome::Stopped;
  // A stop wakes the sleep at once with an APC of its own, instead of at
  // the end of the step.
  UniqueHandle self(::OpenThread(THREAD_SET_CONTEXT, FALSE, ::GetCurrentThreadId()));
  HANDLE selfHandle = self.Get();
  std::stop_callback wake(stop, [selfHandle] {
    if (selfHandle && selfHandle != INVALID_HANDLE_VALUE)
      ::QueueUserAPC(&WakeOnly, selfHandle, 0);
  });
  const std::uint64_t before = tCompletionsRun;
  const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    const DWORD result = ::SleepEx(left, TRUE);
    if (tCompletionsRun != before) return WaitOutcome::IoCompletion;
    if (stop.stop_requested()) return WaitOutcome::Stopped;
    if (result == 0 || left == 0) return WaitOutcome::TimedOut;
  }
}

bool WindowsHidHandle::GetOverlappedResult(bool read, std::uint32_t& bytes) {
  bytes = 0;
  std::lock_guard lock(FState->Lock);
  if (FState->Closed) return Fail(kErrorInvalidHandle);
  return FState->Last[read ? kRead : kWrite].Report(bytes);
}

bool WindowsHidHandle::CancelIo() {
  State& s = *FState;
  bool mine = true;
  {
    std::lock_guard lock(s.Lock);
    if (!s.AnyPending()) return s.Closed ? Fail(kErrorInvalidHandle) : true;
    const DWORD me = ::GetCurrentThreadId();
    for (Slot kind : {kRead, kWrite})
      if (s.Pending[kind] && s.Issuer[kind] != me) mine = false;
    const auto& kernel = KernelFunctions::Get();
    // CancelIo reaches only this thread's operations; CancelIoEx any.
    BOOL ok = FALSE;
    if (mine && kernel.CancelIo) ok = kernel.CancelIo(s.File.Get());
    else if (kernel.CancelIoEx) ok = kernel.CancelIoEx(s.File.Get(), nullptr);
    else return Fail(kErrorNotSupported);
    if (!ok && ::GetLastError() != ERROR_NOT_FOUND) {
      ErrorFromLastError("CancelIo", s.Path);
      return false;
    }
  }
  // On return no buffer of the cancelled operations may be in use. On the
  // thread that started them, their routines run here; elsewhere the
  // operations' own records tell when the system is done with them.
  const ULONGLONG deadline = ::GetTickCount64() + 10000;
  for (;;) {
    {
      std::lock_guard lock(s.Lock);
      bool busy = false;
      for (Slot kind : {kRead, kWrite})
        if (s.Pending[kind] && (mine || !HasOverlappedIoCompleted(&s.Records[kind].Overlapped)))
          busy = true;
      if (!busy) return true;
    }
    if (::GetTickCount64() >= deadline) return Fail(kErrorGenFailure);
    if (mine)
      ::SleepEx(10, TRUE);
    else
      ::Sleep(1);
  }
}

}  // namespace ombrel::platform::windows_hid

#include "hid/hid_device.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "hid/hid_controller.h"
#include "hid/hid_read_thread.h"
#include "hid/utf16.h"

namespace plat = ombrel::platform;

namespace {
// 508-byte string buffers: 254 UTF-16 units.
using StringBuffer = std::array<char16_t, 254>;

// Runs `fn` when the scope ends, also by an exception.
template <class F>
struct AtExit {
  F Fn;
  ~AtExit() { Fn(); }
};
template <class F>
AtExit(F) -> AtExit<F>;
}  // namespace

void TJvHidDevice::Create() {
  throw EControllerError("Direct creation of a TJvHidDevice object is not allowed");
}

std::unique_ptr<TJvHidDevice> TJvHidDevice::CreateForController(
    std::unique_ptr<TJvHidPnPInfo>& PnPInfo, TJvHidDeviceController* Controller) {
  if (!PnPInfo || !Controller)
    throw EControllerError("Device cannot be opened");
  std::unique_ptr<TJvHidDevice> device(new TJvHidDevice(*PnPInfo, Controller));
  device->FPnPInfo = std::move(PnPInfo);
  return device;
}

TJvHidDevice::TJvHidDevice(const TJvHidPnPInfo& PnPInfo, TJvHidDeviceController* Controller)
    : FMyController(Controller),
      FPlatform(Controller->FPlatform),
      FWindow(Controller->Window()),
      FDevicePath(PnPInfo.DevicePath()),
      FDeviceID(PnPInfo.DeviceID()) {
  // Out-of-range controller timings leave the defaults, as the setters do.
  SetPollingDelayTime(Controller->DevPollingDelayTime());
  SetThreadSleepTime(Controller->DevThreadSleepTime());
  SetOnData(Controller->OnDeviceData());
  FOnDataError = Controller->OnDeviceDataError();
  FOnUnplug = Controller->OnDeviceUnplug();

  FHidFileHandle = OpenHandle(plat::HidAccess::ReadWrite, false);
  FHasReadWriteAccess = FHidFileHandle != nullptr;
  NoteReadWriteOpen();
  if (!FHidFileHandle) FHidFileHandle = OpenHandle(plat::HidAccess::None, false);
  if (!FHidFileHandle) throw EControllerError("Device cannot be opened", plat::LastOpenError());
  FAttributes = {};
  FAttributes.Size = sizeof(THIDDAttributes);
  if (!FHidFileHandle->GetAttributes(FAttributes))
    throw EControllerError("Device cannot be identified");
  CloseFile();
}

TJvHidDevice::~TJvHidDevice() { ShutDown(); }

TJvHidDevice::Remembered TJvHidDevice::ShutDown() {
  Remembered remembered{FOnData, FOnUnplug};
  SetOnData(nullptr);
  FOnUnplug = nullptr;
  CloseAllHandles();
  std::lock_guard lock(FLock);
  FPreparsedData.reset();
  FLanguageStrings.clear();
  return remembered;
}

void TJvHidDevice::Free() {
  Remembered remembered = ShutDown();
  if (FMyController) FMyController->ReleaseListed(this, std::move(remembered));
  // `this` may be gone here.
}

bool TJvHidDevice::IsOpenable() const {
  return FIsPluggedIn && (FIsCheckedOut || FIsEnumerated);
}

TJvHidHandle TJvHidDevice::OpenHandle(plat::HidAccess Access, bool Overlapped) {
  plat::ClearLastOpenError();
  TJvHidHandle handle = FPlatform->OpenInterface(FDevicePath, FDeviceID, Access, Overlapped);
  // A backend that keeps no words for a failure still gave its code.
  if (!handle && !plat::LastOpenError().Failed()) {
    const plat::HidError code =
        plat::LastError() != plat::kErrorSuccess ? plat::LastError() : plat::kErrorGenFailure;
    plat::SetLastOpenError({"open", FDevicePath, Access, code, "system error " + std::to_string(code)});
  }
  return handle;
}

void TJvHidDevice::NoteReadWriteOpen() {
  if (FHasReadWriteAccess)
    FReadWriteOpenError = {};
  else
    FReadWriteOpenError = plat::LastOpenError();
}

TJvHidHandle TJvHidDevice::HidOverlappedRead() const {
  std::lock_guard lock(FLock);
  return FHidOverlappedRead;
}

bool TJvHidDevice::OpenFile() {
  if (IsOpenable() && !FHidFileHandle) {
    FHidFileHandle = OpenHandle(plat::HidAccess::ReadWrite, false);
    FHasReadWriteAccess = FHidFileHandle != nullptr;
    NoteReadWriteOpen();
    if (!FHidFileHandle) FHidFileHandle = OpenHandle(plat::HidAccess::None, false);
    if (FHidFileHandle) {
      if (FNumInputBuffers != 0) FHidFileHandle->SetNumInputBuffers(FNumInputBuffers);
      std::uint32_t count = 0;
      if (FHidFileHandle->GetNumInputBuffers(count)) FNumInputBuffers = count;
    }
  }
  return FHidFileHandle != nullptr;
}

void TJvHidDevice::CloseFile() {
  if (FHidFileHandle) FHidFileHandle->Close();
  FHidFileHandle.reset();
  FNumInputBuffers = 0;
}

bool TJvHidDevice::OpenFileEx(TJvHidOpenExMode Mode) {
  if (!IsOpenable()) return false;
  std::lock_guard lock(FLock);
  if (Mode == omhRead) {
    if (!FHidOverlappedRead) {
      FHidOverlappedRead = OpenHandle(plat::HidAccess::Read, true);
      if (FHidOverlappedRead) {
        if (FNumOverlappedBuffers != 0) FHidOverlappedRead->SetNumInputBuffers(FNumOverlappedBuffers);
        std::uint32_t count = 0;
        if (FHidOverlappedRead->GetNumInputBuffers(count)) FNumOverlappedBuffers = count;
      }
    }
    return FHidOverlappedRead != nullptr;
  }
  if (!FHidOverlappedWrite) FHidOverlappedWrite = OpenHandle(plat::HidAccess::Write, true);
  return FHidOverlappedWrite != nullptr;
}

void TJvHidDevice::CloseFileEx(TJvHidOpenExMode Mode) {
  TJvHidHandle closing;
  {
    std::lock_guard lock(FLock);
    if (Mode == omhRead) {
      closing = std::move(FHidOverlappedRead);
      FHidOverlappedRead.reset();
      FNumOverlappedBuffers = 0;
    } else {
      closing = std::move(FHidOverlappedWrite);
      FHidOverlappedWrite.reset();
    }
  }
  // A reader waiting on it is woken and finds no data; it lets go of its
  // share when it has.
  if (closing) closing->Close();
}

void TJvHidDevice::CloseAllHandles() {
  CloseFile();
  CloseFileEx(omhRead);
  CloseFileEx(omhWrite);
}

std::shared_ptr<const plat::PreparsedData> TJvHidDevice::FetchedPreparsedData() const {
  std::lock_guard lock(FLock);
  return FPreparsedData;
}

std::shared_ptr<const plat::PreparsedData> TJvHidDevice::EnsurePreparsedData() {
  if (auto fetched = FetchedPreparsedData()) return fetched;
  if (!IsOpenable() || !OpenFile()) return nullptr;
  auto data = FHidFileHandle->GetPreparsedData();
  CloseFile();
  std::lock_guard lock(FLock);
  FPreparsedData = data;
  return data;
}

THIDPCaps TJvHidDevice::Caps() {
  THIDPCaps caps{};
  if (auto data = EnsurePreparsedData()) data->GetCaps(caps);
  return caps;
}

THIDPCaps TJvHidDevice::CachedCaps() const {
  THIDPCaps caps{};
  if (auto data = FetchedPreparsedData()) data->GetCaps(caps);
  return caps;
}

std::string TJvHidDevice::ProductName() {
  if (FProductName.empty() && OpenFile()) {
    StringBuffer buffer{};
    if (FHidFileHandle->GetProductString(buffer)) FProductName = ombrel::Utf16ToUtf8(buffer);
    CloseFile();
  }
  return FProductName;
}

std::string TJvHidDevice::VendorName() {
  if (FVendorName.empty() && OpenFile()) {
    StringBuffer buffer{};
    if (FHidFileHandle->GetManufacturerString(buffer)) FVendorName = ombrel::Utf16ToUtf8(buffer);
    CloseFile();
  }
  return FVendorName;
}

std::string TJvHidDevice::SerialNumber() {
  if (FSerialNumber.empty() && OpenFile()) {
    StringBuffer serial{};
    if (FHidFileHandle->GetSerialNumberString(serial)) {
      // Some devices answer the serial-number request with their list of
      // language IDs; such an answer is no serial number.
      StringBuffer languages;
      languages.fill(0xFFFF);
      FHidFileHandle->GetIndexedString(0, languages);
      std::size_t length = 0;
      for (std::size_t i = languages.size(); i-- > 0;) {
        if (languages[i] != 0xFFFF) {
          length = languages[i] == 0 ? i : i + 1;
          break;
        }
      }
      bool differs = !std::equal(serial.begin(), serial.begin() + length, languages.begin());
      if (differs) FSerialNumber = ombrel::Utf16ToUtf8(serial);
    }
    CloseFile();
  }
  return FSerialNumber;
}

bool TJvHidDevice::WriteFile(const void* Report, std::uint32_t ToWrite,
                             std::uint32_t& BytesWritten) {
  BytesWritten = 0;
  if (!Report && ToWrite > 0) {
    plat::SetLastError(plat::kErrorInvalidParameter);
    return false;
  }
  if (!OpenFile()) return false;
  return FHidFileHandle->Write(
      std::span(static_cast<const std::uint8_t*>(Report), ToWrite), BytesWritten);
}

bool TJvHidDevice::ReadFile(void* Report, std::uint32_t ToRead, std::uint32_t& BytesRead) {
  BytesRead = 0;
  if (!Report && ToRead > 0) {
    plat::SetLastError(plat::kErrorInvalidParameter);
    return false;
  }
  if (!OpenFile()) return false;
  return FHidFileHandle->Read(std::span(static_cast<std::uint8_t*>(Report), ToRead), BytesRead);
}

TJvHidHandle TJvHidDevice::StartOverlappedRead(std::span<std::uint8_t> Buffer,
                                               plat::IoCompletion CallBack) {
  if (!OpenFileEx(omhRead)) {
    if (!FIsPluggedIn)
      plat::SetLastError(plat::kErrorDeviceNotConnected);
    else if (!IsOpenable())
      plat::SetLastError(plat::kErrorInvalidHandle);
    return nullptr;
  }
  TJvHidHandle handle = HidOverlappedRead();
  if (!handle) {
    plat::SetLastError(plat::kErrorInvalidHandle);
    return nullptr;
  }
  if (!handle->StartRead(Buffer, std::move(CallBack))) return nullptr;
  return handle;
}

bool TJvHidDevice::ReadFileEx(void* Report, std::uint32_t ToRead, plat::IoCompletion CallBack) {
  if (!Report && ToRead > 0) {
    plat::SetLastError(plat::kErrorInvalidParameter);
    return false;
  }
  return StartOverlappedRead(std::span(static_cast<std::uint8_t*>(Report), ToRead),
                             std::move(CallBack)) != nullptr;
}

bool TJvHidDevice::WriteFileEx(const void* Report, std::uint32_t ToWrite,
                               plat::IoCompletion CallBack) {
  if (!Report && ToWrite > 0) {
    plat::SetLastError(plat::kErrorInvalidParameter);
    return false;
  }
  if (!OpenFileEx(omhWrite)) return false;
  return FHidOverlappedWrite->StartWrite(
      std::span(static_cast<const std::uint8_t*>(Report), ToWrite), std::move(CallBack));
}

std::uint32_t TJvHidDevice::WaitForOverlapped(TJvHidOpenExMode Mode, std::uint32_t Milliseconds,
                                              std::stop_token Stop) {
  TJvHidHandle handle = Mode == omhRead ? HidOverlappedRead() : FHidOverlappedWrite;
  if (!handle) return plat::kWaitIoCompletion;
  return handle->WaitForCompletion(Milliseconds, Stop) == plat::WaitOutcome::IoCompletion
             ? plat::kWaitIoCompletion
             : plat::kWaitTimeout;
}

std::uint32_t TJvHidDevice::HidOverlappedReadResult() {
  TJvHidHandle handle = HidOverlappedRead();
  std::uint32_t bytes = 0;
  if (!handle || !handle->GetOverlappedResult(true, bytes)) return 0;
  return bytes;
}

std::uint32_t TJvHidDevice::HidOverlappedWriteResult() {
  std::uint32_t bytes = 0;
  if (!FHidOverlappedWrite || !FHidOverlappedWrite->GetOverlappedResult(false, bytes)) return 0;
  return bytes;
}

bool TJvHidDevice::CancelIO(TJvHidOpenExMode Mode) {
  TJvHidHandle handle = Mode == omhRead ? HidOverlappedRead() : FHidOverlappedWrite;
  return handle && handle->CancelIo();
}

void TJvHidDevice::SetOnData(TJvHidDataEvent Value) {
  if (!Value) StopReader();
  FOnData = std::move(Value);
  StartReader();
}

void TJvHidDevice::SetPollingDelayTime(std::int64_t Value) {
  if (Value >= 0 && Value <= 10000) FPollingDelayTime = static_cast<std::uint32_t>(Value);
}

void TJvHidDevice::SetThreadSleepTime(std::int64_t Value) {
  if (Value >= 10 && Value <= 10000) FThreadSleepTime = static_cast<std::uint32_t>(Value);
}

void TJvHidDevice::StartReader() {
  if (FOnData && FIsPluggedIn && FIsCheckedOut && FHasReadWriteAccess && !FDataThread) {
    // The read handle is opened here, before anything can be written: a
    // device hands its reports only to the handles open when they arrive,
    // so an answer to a request sent right after check-out would otherwise
    // be lost while the new thread is still starting. Where it fails, the
    // reader tries again as after any read that cannot start.
    OpenFileEx(omhRead);
    FDataThread = TJvHidDeviceReadThread::CreateForDevice(this);
  }
}

void TJvHidDevice::StopReader() {
  // Forgotten before the wait, so a handler that runs meanwhile and stops
  // the reader again finds none.
  std::unique_ptr<TJvHidDeviceReadThread> reader = std::move(FDataThread);
  if (reader) reader->Stop();
}

bool TJvHidDevice::CheckOut() {
  if (!FMyController || !FIsPluggedIn || FIsCheckedOut) return false;
  FIsCheckedOut = true;
  ++FMyController->FNumCheckedOutDevices;
  --FMyController->FNumCheckedInDevices;
  StartReader();
  return true;
}

void TJvHidDevice::MarkUnplugged() {
  CloseAllHandles();
  FIsPluggedIn = false;
  TJvHidPlugEvent handler = FOnUnplug;
  // It fires at most once, even when it raises.
  AtExit clear{[this] { FOnUnplug = nullptr; }};
  if (handler) handler(this);
}

// ---------------------------------------------------------------------------
// Thin wrappers.

void TJvHidDevice::SetNumInputBuffers(std::uint32_t Value) {
  FNumInputBuffers = Value;
  if (!OpenFile()) return;
  FHidFileHandle->SetNumInputBuffers(Value);
  std::uint32_t count = 0;
  if (FHidFileHandle->GetNumInputBuffers(count)) FNumInputBuffers = count;
}

std::uint32_t TJvHidDevice::NumOverlappedBuffers() const {
  std::lock_guard lock(FLock);
  return FNumOverlappedBuffers;
}

void TJvHidDevice::SetNumOverlappedBuffers(std::uint32_t Value) {
  {
    std::lock_guard lock(FLock);
    FNumOverlappedBuffers = Value;
  }
  if (!OpenFileEx(omhRead)) return;
  std::lock_guard lock(FLock);
  if (!FHidOverlappedRead) return;
  FHidOverlappedRead->SetNumInputBuffers(Value);
  std::uint32_t count = 0;
  if (FHidOverlappedRead->GetNumInputBuffers(count)) FNumOverlappedBuffers = count;
}

bool TJvHidDevice::FlushQueue() { return OpenFile() && FHidFileHandle->FlushQueue(); }

bool TJvHidDevice::GetFeature(void* Report, std::uint32_t Size) {
  return Report && OpenFile() &&
         FHidFileHandle->GetFeature(std::span(static_cast<std::uint8_t*>(Report), Size));
}

bool TJvHidDevice::SetFeature(const void* Report, std::uint32_t Size) {
  return Report && OpenFile() &&
         FHidFileHandle->SetFeature(std::span(static_cast<const std::uint8_t*>(Report), Size));
}

bool TJvHidDevice::GetInputReport(void* Report, std::uint32_t Size) {
  return Report && OpenFile() &&
         FHidFileHandle->GetInputReport(std::span(static_cast<std::uint8_t*>(Report), Size));
}

bool TJvHidDevice::SetOutputReport(const void* Report, std::uint32_t Size) {
  return Report && OpenFile() &&
         FHidFileHandle->SetOutputReport(
             std::span(static_cast<const std::uint8_t*>(Report), Size));
}

THIDDConfiguration TJvHidDevice::Configuration() {
  THIDDConfiguration config{};
  if (OpenFile()) FHidFileHandle->GetConfiguration(config);
  return config;
}

void TJvHidDevice::SetConfiguration(const THIDDConfiguration& Config) {
  if (OpenFile()) FHidFileHandle->SetConfiguration(Config);
}

bool TJvHidDevice::DeviceIoControl(std::uint32_t IoControlCode, const void* InBuffer,
                                   std::uint32_t InSize, void* OutBuffer, std::uint32_t OutSize,
                                   std::uint32_t& BytesReturned) {
  BytesReturned = 0;
  if ((!InBuffer && InSize > 0) || (!OutBuffer && OutSize > 0)) {
    plat::SetLastError(plat::kErrorInvalidParameter);
    return false;
  }
  return OpenFile() &&
         FHidFileHandle->DeviceIoControl(
             IoControlCode, std::span(static_cast<const std::uint8_t*>(InBuffer), InSize),
             std::span(static_cast<std::uint8_t*>(OutBuffer), OutSize), BytesReturned);
}

std::string TJvHidDevice::GetDeviceString(std::uint8_t Idx) {
  if (Idx == 0 || !OpenFile()) return {};
  StringBuffer buffer{};
  if (!FHidFileHandle->GetIndexedString(Idx, buffer)) return {};
  return ombrel::Utf16ToUtf8(buffer);
}

const std::vector<std::string>& TJvHidDevice::LanguageStrings() {
  if (FLanguageStrings.empty() && OpenFile()) {
    StringBuffer ids{};
    if (FHidFileHandle->GetIndexedString(0, ids)) {
      for (char16_t id : ids) {
        if (id == 0) break;
        std::string name = FPlatform->LanguageName(id);
        if (name.empty()) {
          char unknown[40];
          std::snprintf(unknown, sizeof unknown, "Unknown Locale ID $%.4x", unsigned{id});
          name = unknown;
        }
        FLanguageStrings.push_back(std::move(name));
      }
    }
    CloseFile();
  }
  return FLanguageStrings;
}

const TJvPhysicalDescriptor& TJvHidDevice::PhysicalDescriptor() {
  if (FPhysicalDescriptor.empty() && OpenFile()) {
    TJvPhysicalDescriptor buffer;
    for (int attempt = 0; attempt < 2048; ++attempt) {
      buffer.assign(buffer.size() + 2, 0);
      if (FHidFileHandle->GetPhysicalDescriptor(buffer)) {
        FPhysicalDescriptor = std::move(buffer);
        break;
      }
      if (plat::LastError() != plat::kErrorInsufficientBuffer) break;
    }
  }
  return FPhysicalDescriptor;
}

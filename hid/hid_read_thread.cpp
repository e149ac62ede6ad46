#include "hid/hid_read_thread.h"

#include <algorithm>
#include <chrono>
#include <span>

#include "hid/hid_device.h"
#include "hid/hid_errors.h"

namespace plat = ombrel::platform;

struct TJvHidDeviceReadThread::State {
  TJvHidDevice* Device;
  ombrel::WindowThread* Window;
  std::vector<std::uint8_t> Report;  // allocated once, zeroed per read
  std::uint32_t NumBytesRead = 0;
  std::atomic<std::uint32_t> Err{0};
  std::atomic<bool> Finished{false};
  // Window thread only: the hand-over in which this reader's handler runs now.
  ombrel::WindowThread::HandOverFrame* DeliveringIn = nullptr;
  // For the rests between reads, ended early by a stop.
  std::mutex RestLock;
  std::condition_variable_any RestWake;

  void Rest(std::uint32_t milliseconds, std::stop_token stop) {
    std::unique_lock lock(RestLock);
    RestWake.wait_for(lock, stop, std::chrono::milliseconds(milliseconds), [] { return false; });
  }
};

void TJvHidDeviceReadThread::Create() {
  throw EControllerError("Direct creation of a TJvDeviceReadThread object is not allowed");
}

std::unique_ptr<TJvHidDeviceReadThread> TJvHidDeviceReadThread::CreateForDevice(
    TJvHidDevice* Device) {
  return std::unique_ptr<TJvHidDeviceReadThread>(new TJvHidDeviceReadThread(Device));
}

TJvHidDeviceReadThread::TJvHidDeviceReadThread(TJvHidDevice* Device)
    : FState(std::make_shared<State>()) {
  FState->Device = Device;
  FState->Window = &Device->FWindow;
  FState->Report.assign(Device->Caps().InputReportByteLength, 0);
  FThread = std::jthread(&TJvHidDeviceReadThread::Execute, FState);
}

TJvHidDeviceReadThread::~TJvHidDeviceReadThread() { Stop(); }

bool TJvHidDeviceReadThread::Finished() const { return FState->Finished; }

std::uint32_t TJvHidDeviceReadThread::FErr() const { return FState->Err; }

void TJvHidDeviceReadThread::Stop() {
  if (!FThread.joinable()) return;
  FThread.request_stop();
  ombrel::WindowThread& window = *FState->Window;
  if (FState->DeliveringIn) {
    window.JoinAfterHandOver(FState->DeliveringIn, std::move(FThread));
    return;
  }
  window.RunHandOversUntil([s = FState.get()] { return s->Finished.load(); });
  FThread.join();
}

void TJvHidDeviceReadThread::Execute(std::stop_token Stop, std::shared_ptr<State> S) {
  std::uint32_t lastWait = plat::kWaitIoCompletion;
  TJvHidHandle pending;
  TJvHidDevice* const device = S->Device;
  // The device is touched only while no stop is requested: a reader stopped
  // from inside its own hand-over may outlive its device.
  try {
    while (!Stop.stop_requested()) {
      lastWait = plat::kWaitIoCompletion;
      std::size_t length = std::min<std::size_t>(device->CachedCaps().InputReportByteLength,
                                                 S->Report.size());
      std::fill_n(S->Report.begin(), length, std::uint8_t{0});
      pending = device->StartOverlappedRead(std::span(S->Report.data(), length), nullptr);
      if (pending) {
        for (;;) {
          plat::WaitOutcome outcome = pending->WaitForCompletion(device->ThreadSleepTime(), Stop);
          lastWait = outcome == plat::WaitOutcome::IoCompletion ? plat::kWaitIoCompletion
                                                                 : plat::kWaitTimeout;
          if (outcome == plat::WaitOutcome::IoCompletion || Stop.stop_requested()) break;
        }
        if (Stop.stop_requested()) break;
        std::uint32_t bytes = 0;
        pending->GetOverlappedResult(true, bytes);
        S->NumBytesRead = bytes;
        if (S->NumBytesRead > 0) {
          if (S->Window->Synchronize([s = S.get()] { DeliverReport(*s); })) break;
          if (Stop.stop_requested()) break;
        }
        std::uint32_t rest = device->PollingDelayTime();
        if (rest > 0) S->Rest(rest, Stop);
      } else {
        S->Err = plat::LastError();
        if (S->Window->Synchronize([s = S.get()] { DeliverError(*s); })) break;
        if (Stop.stop_requested()) break;
        S->Rest(device->ThreadSleepTime(), Stop);
      }
    }
  } catch (...) {
    // Out of resources for a hand-over: the reader ends, as on a handler's
    // error, rather than take the program down from its thread.
  }
  // A read still pending must not outlive its buffer.
  if (lastWait != plat::kWaitIoCompletion && pending) pending->CancelIo();
  pending.reset();
  S->Finished = true;
  S->Window->WakeHandOverWaiters();
}

namespace {
// Marks the reader as delivering for as long as its handler runs.
struct Delivering {
  Delivering(ombrel::WindowThread::HandOverFrame*& slot, ombrel::WindowThread& window)
      : Slot(slot) {
    Slot = window.CurrentHandOver();
  }
  ~Delivering() { Slot = nullptr; }
  ombrel::WindowThread::HandOverFrame*& Slot;
};
}  // namespace

void TJvHidDeviceReadThread::DeliverReport(State& S) {
  TJvHidDevice* device = S.Device;
  TJvHidDataEvent handler = device->FOnData;
  if (!handler) return;
  Delivering mark(S.DeliveringIn, *S.Window);
  handler(device, S.Report[0], S.Report.data() + 1, static_cast<std::uint16_t>(S.NumBytesRead - 1));
}

void TJvHidDeviceReadThread::DeliverError(State& S) {
  TJvHidDevice* device = S.Device;
  TJvHidDataErrorEvent handler = device->FOnDataError;
  if (!handler) return;
  Delivering mark(S.DeliveringIn, *S.Window);
  handler(device, S.Err);
}

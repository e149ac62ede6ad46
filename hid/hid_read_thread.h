// TJvHidDeviceReadThread: reads one device's input reports on a thread of
// its own and hands each one over to the window thread, waiting until the
// device's OnData has run there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "hid/platform/hid_types.h"
#include "hid/window_thread.h"

class TJvHidDevice;

class TJvHidDeviceReadThread {
 public:
  // Always raises: only a device starts its reader.
  [[noreturn]] static void Create();
  // The thread runs as soon as this returns. Window thread only.
  static std::unique_ptr<TJvHidDeviceReadThread> CreateForDevice(TJvHidDevice* Device);

  // Stops the thread as Stop does.
  ~TJvHidDeviceReadThread();
  TJvHidDeviceReadThread(const TJvHidDeviceReadThread&) = delete;
  TJvHidDeviceReadThread& operator=(const TJvHidDeviceReadThread&) = delete;

  // Window thread only. Asks the thread to stop and waits for its end,
  // running queued hand-overs meanwhile. Asked from inside this reader's
  // own hand-over, it can't wait there: the thread is joined right after
  // that hand-over has been handed back, and touches the device no more.
  void Stop();

  // The thread body has ended (stopped, or ended by a handler's error).
  bool Finished() const;
  // The platform error code of the last read that failed to start.
  std::uint32_t FErr() const;

 private:
  struct State;
  explicit TJvHidDeviceReadThread(TJvHidDevice* Device);
  static void Execute(std::stop_token Stop, std::shared_ptr<State> S);
  static void DeliverReport(State& S);
  static void DeliverError(State& S);

  std::shared_ptr<State> FState;
  std::jthread FThread;
};

// The unit played on a named pipe: the stand-in HID.dll and SetupApi.dll
// (standin/) list it with the pipe as its device path, so the backend opens,
// reads, writes and cancels through Wine's real kernel32 on a real handle.
// The server side answers output reports with the simulated unit's model and
// sends every answer to each open handle, as a HID device queues each input
// report for every handle open on it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/unit_model.h"

namespace ombrel::test {

// How the unit takes output reports: from a pipe with room for many, so a
// write completes at once; or one at a time, as a HID device takes them,
// so a write completes only once the unit has read it.
enum class Intake { Buffered, OneAtATime };

class PipeUnit {
 public:
  // Not plugged in yet. Points OMBREL_STANDIN_UNIT of this process (and of
  // the programs it starts) at the unit's record.
  explicit PipeUnit(sim::UnitModelConfig config = {}, Intake intake = Intake::Buffered);
  ~PipeUnit();
  PipeUnit(const PipeUnit&) = delete;
  PipeUnit& operator=(const PipeUnit&) = delete;

  // Each plug is a new device node: a new pipe and a new DevInst.
  void Plug();
  // Removes the record and closes every handle's pipe end.
  void Unplug();

  sim::UnitModel& Model() { return FModel; }
  std::wstring DevicePath() const;
  std::uint32_t DevInst() const { return FGeneration; }
  // Open handles (connected pipe instances) right now.
  int Connections() const { return FConnections; }

  // The unit stops reading what handles write (a hung unit): on return no
  // read of it is pending, so with Intake::OneAtATime a write waits until
  // TakeAgain(). Holds across plugs and for handles opened meanwhile.
  void StopTaking();
  void TakeAgain();

 private:
  struct Connection;
  void Serve(HANDLE stop);
  void ServeConnection(std::shared_ptr<Connection> connection, HANDLE stop);
  void Broadcast(std::span<const std::uint8_t> report);

  sim::UnitModel FModel;
  const Intake FIntake;
  // Manual-reset events: set while the unit does not take reports, and
  // set while it does.
  HANDLE FHolding = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE FTaking = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  std::wstring FRecordPath;
  std::uint32_t FGeneration = 0;
  std::wstring FPipeName;
  HANDLE FStop = nullptr;  // manual-reset, one per plug
  std::atomic<int> FConnections{0};
  // Handles taken in since the plug, and how many of them there were at the
  // latest answer: a program that opened new ones gets its first answer late.
  std::atomic<unsigned> FAccepted{0};
  std::atomic<unsigned> FAcceptedAtAnswer{0};
  std::mutex FLock;
  std::vector<std::shared_ptr<Connection>> FOpen;
  std::list<std::jthread> FThreads;  // one per connection
  std::jthread FServer;
};

}  // namespace ombrel::test

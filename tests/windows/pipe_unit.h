// The unit played on a named pipe: the stand-in HID.dll and SetupApi.dll
// (standin/) list it with the pipe as its device path, so the backend opens,
// reads, writes and cancels through Wine's real kernel32 on a real handle.
// The server side answers output reports with the simulated unit's model and
// sends every answer to each open handle, as a HID device queues each input
// report for every handle open on it.
//
// Several units plugged at once share one record (StandinRecord), so the
// stand-ins list each with its own pipe, DevInst, product and serial:
//   PipeUnit first(config);
//   PipeUnit second(first.Record(), otherConfig);
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

class PipeUnit;

// The record file of standin_unit.h, with a block per plugged unit in the
// order the units were made (the order the stand-ins list them). Made, it
// points OMBREL_STANDIN_UNIT of this process (and of the programs it
// starts) at itself; a file of its own, so one made later takes over.
class StandinRecord {
 public:
  StandinRecord();
  ~StandinRecord();
  StandinRecord(const StandinRecord&) = delete;
  StandinRecord& operator=(const StandinRecord&) = delete;

  const std::wstring& Path() const { return FPath; }

 private:
  friend class PipeUnit;
  struct Entry {
    const PipeUnit* Unit = nullptr;
    bool Plugged = false;
    std::wstring DevicePath;
    std::uint32_t DevInst = 0;
    std::string Product, Serial;
  };
  // Returns the unit's place, counted from 0 and never given twice.
  unsigned Join(const PipeUnit* unit);
  void Leave(const PipeUnit* unit);
  void Plugged(const PipeUnit* unit, std::wstring devicePath, std::uint32_t devInst, std::string product,
               std::string serial);
  void Unplugged(const PipeUnit* unit);
  bool Save();  // under FLock

  std::wstring FPath;
  std::mutex FLock;
  std::vector<Entry> FUnits;
  unsigned FJoined = 0;
};

class PipeUnit {
 public:
  // Not plugged in yet, the only unit of a record of its own.
  explicit PipeUnit(sim::UnitModelConfig config = {}, Intake intake = Intake::Buffered);
  // Not plugged in yet, listed after the units that joined `record` before.
  explicit PipeUnit(std::shared_ptr<StandinRecord> record, sim::UnitModelConfig config = {},
                    Intake intake = Intake::Buffered);
  ~PipeUnit();
  PipeUnit(const PipeUnit&) = delete;
  PipeUnit& operator=(const PipeUnit&) = delete;

  // Each plug is a new device node: a new pipe and a new DevInst.
  void Plug();
  // Removes the record and closes every handle's pipe end.
  void Unplug();

  sim::UnitModel& Model() { return FModel; }
  std::wstring DevicePath() const;
  // The first unit of a record counts its plugs 1, 2, ...; a later one from
  // 1000 times its place, so no two units of a record share a node.
  std::uint32_t DevInst() const { return FPlace * 1000 + FGeneration; }
  const std::shared_ptr<StandinRecord>& Record() const { return FRecord; }
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
  const std::shared_ptr<StandinRecord> FRecord;
  const unsigned FPlace;
  const unsigned FNumber;  // this process's count of units, for the pipe's name
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

// The network scan: the unit's Wi-Fi module is told to list the access
// points in reach, at once and then every two seconds until the first
// answer; the answers of the next 1.5 s are collected, then the module is
// restarted.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "protocol/input_decoding.h"
#include "protocol/unit_link.h"

namespace ombrel {

inline constexpr std::chrono::milliseconds kScanRepeatInterval{2000};
inline constexpr std::chrono::milliseconds kScanCollectionTime{1500};

// Leave the joined access point, station mode kept as default, list the
// access points: with the scan marked and 100 ms between commands.
void WriteScanCommands(const UnitLink& link);

// The scan is over: unmark it and restart the module.
void WriteScanClosing(const UnitLink& link);

// The network name of a scan answer (parameter 4); empty for any other.
std::optional<std::u16string> ScannedNetworkName(const InputParameter& answer);

// One scan as steps, time passed in: Start writes the commands; Step, called
// whenever time has moved, repeats them until the first answer and closes the
// scan once the collection time after it is over; TakeAnswer collects names.
class ScanRun {
 public:
  using Clock = std::chrono::steady_clock;

  void Start(const UnitLink& link, Clock::time_point now);
  void TakeAnswer(const InputParameter& answer, Clock::time_point now);
  void Step(const UnitLink& link, Clock::time_point now);

  bool Waiting() const { return repeatAt_.has_value(); }
  bool Collecting() const { return closeAt_.has_value(); }
  // The commands have gone out this many times.
  std::size_t Attempts() const { return attempts_; }
  // When Step has something to do next; empty when idle.
  std::optional<Clock::time_point> NextStep() const;

  // Every name received, in order, empty and repeated ones included.
  const std::vector<std::u16string>& Names() const { return names_; }
  // The whole entry of each of those answers, in the same order.
  const std::vector<std::u16string>& Entries() const { return entries_; }

 private:
  std::optional<Clock::time_point> repeatAt_;
  std::optional<Clock::time_point> closeAt_;
  std::size_t attempts_ = 0;
  std::vector<std::u16string> names_;
  std::vector<std::u16string> entries_;
};

}  // namespace ombrel

// The units on the bus and a session with one of them: the HID controller on
// a window thread that this thread pumps, the selected unit's answers
// collected as they come, and the link the core writes through.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/unit_environment.h"
#include "hid/hid_controller.h"
#include "hid/pumped_window_thread.h"
#include "protocol/input_decoding.h"
#include "protocol/unit_link.h"

namespace ombrel::cli {

struct UnitEntry {
  int number = 0;  // 1-based, in listing order
  std::string model;
  std::string serialNumber;
  std::string path;
  bool readWrite = false;
  // Why it cannot be opened for reading and writing; empty when it can.
  std::string whyNot;
};

// Words for a platform error of an open.
std::string OpenErrorText(platform::HidError error);
// Those words, then the failed open's operation, path and the system's text.
std::string WhyNotOpened(const platform::OpenError& record);

class UnitSession {
 public:
  using Clock = std::chrono::steady_clock;

  // Lists the units at once.
  explicit UnitSession(UnitEnvironment environment);
  ~UnitSession();
  UnitSession(const UnitSession&) = delete;
  UnitSession& operator=(const UnitSession&) = delete;

  const std::vector<UnitEntry>& Units() const { return entries_; }

  // Selects the chosen unit and starts hearing it. Empty on success, else
  // the message why not.
  std::optional<std::string> Select(const UnitChoice& choice);
  const UnitEntry& Selected() const { return entries_.at(selectedEntry_); }

  // Writes through the selected unit and pauses as the environment says.
  const UnitLink& Link() const { return link_; }
  // True once a write to the unit failed or wrote short.
  bool WriteFailed() const { return writeFailed_; }
  // True once the selected unit was unplugged.
  bool Unplugged();

  // The next answer of the selected unit; empty when none came by `deadline`
  // or, when `interruptible`, the user asked to stop.
  std::optional<InputParameter> NextAnswer(Clock::time_point deadline, bool interruptible = true);

  // True once the user asked to stop (Ctrl-C, SIGTERM).
  bool Interrupted() const { return env_.interrupted && env_.interrupted(); }

  const UnitEnvironment& Environment() const { return env_; }

 private:
  void Write(ParamID id, std::u16string_view value);
  void Pause(unsigned milliseconds);
  void OnData(TJvHidDevice* device, std::uint8_t reportId, const std::uint8_t* data, std::uint16_t size);

  UnitEnvironment env_;
  PumpedWindowThread window_;
  std::unique_ptr<TJvHidDeviceController> controller_;
  std::vector<UnitEntry> entries_;
  std::vector<int> controllerIndex_;
  std::size_t selectedEntry_ = 0;
  TJvHidDevice* device_ = nullptr;
  std::deque<InputParameter> answers_;
  bool writeFailed_ = false;
  UnitLink link_;
};

}  // namespace ombrel::cli

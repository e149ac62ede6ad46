// The read-back: one read request for parameter 5 walks the unit's 22
// settings, each answer asking for the next. What each answer means for the
// Wi-Fi and Fan pages is decided here, for the window and for ombrel-cli.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "protocol/device_settings.h"
#include "protocol/fan_upload.h"
#include "protocol/input_decoding.h"
#include "protocol/unit_link.h"
#include "protocol/wifi_upload.h"

namespace ombrel {

// Starts the walk: the read request for its first parameter.
void StartReadBack(const UnitLink& link);

// What follows the answer for `answered`: for a settings parameter a 1 ms
// pause, then the request for the next one (none after the last).
void ContinueReadBack(ParamID answered, const UnitLink& link);

// A byte for a check box or a radio pair: 1 the one, 0 the other, any other
// value leaves the control as it was.
std::optional<bool> FlagOfByte(std::uint8_t value);

// A master's connection type: 1 with a router, 2 without, else unchanged.
std::optional<bool> MasterWithRouterOfConnectionType(std::uint8_t value);

// A slave's connection type follows from its network's name: only its
// master's own network (the name's prefix) means no router.
bool SlaveJoinsRouter(std::u16string_view networkName);

// The slave address list's item for the unit's mode byte: 1 DHCP, 0 Static.
std::optional<int> SlaveAddressIndexOfMode(std::uint8_t mode);

// The seconds a time field ends up holding for `seconds` from the unit: the
// field shows hours modulo 24 and minutes, and drops the rest.
std::uint32_t TimeFieldSeconds(std::uint32_t seconds);

// What a read-back leaves: the last known Wi-Fi settings and the two pages
// as the window would show them, from the layout's defaults on.
struct UnitReading {
  WiFiSettings lastKnown;
  WiFiPage wifi;
  FanPage fan;
  // The timers as the unit holds them (up to 2^24 - 1 seconds): the time
  // fields of `fan` drop whole days and seconds, ombrel-cli keeps them.
  struct HeldTimers {
    std::uint32_t turnOffDelay = 0;
    std::uint32_t nightMode = 0;
    std::uint32_t partyMode = 0;
  } heldTimers;
};

// Takes one answer into the reading as the window takes it into its
// controls. False for an answer that is not one of the walk's.
bool TakeReadBackAnswer(UnitReading& reading, const InputParameter& answer);

// One walk with a time limit for each answer, for a caller that waits for
// the answers itself. Time comes in as an argument; nothing here sleeps.
class ReadBackRun {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ReadBackRun(std::chrono::milliseconds answerLimit) : answerLimit_(answerLimit) {}

  // Asks for the walk's first parameter.
  void Start(const UnitLink& link, Clock::time_point now);
  // Waits for the first answer of a walk whose request went out already
  // ("restore defaults" ends with it).
  void Await(Clock::time_point now);

  // Takes an answer. Only the answer the walk waits for moves it on; others
  // (a status answer, a stray one of an earlier walk) are left alone.
  void TakeAnswer(const InputParameter& answer, const UnitLink& link, Clock::time_point now);

  bool Finished() const { return !awaiting_ && started_; }
  // The parameter asked for and not yet answered; empty once finished.
  std::optional<ParamID> Awaiting() const { return awaiting_; }
  // When the awaited answer is late.
  Clock::time_point Deadline() const { return deadline_; }
  bool TimedOut(Clock::time_point now) const { return awaiting_ && now >= deadline_; }
  // How many of the walk's answers came.
  std::size_t Answered() const { return answered_; }

  const UnitReading& Reading() const { return reading_; }

 private:
  std::chrono::milliseconds answerLimit_;
  bool started_ = false;
  std::optional<ParamID> awaiting_;
  Clock::time_point deadline_{};
  std::size_t answered_ = 0;
  UnitReading reading_;
};

}  // namespace ombrel

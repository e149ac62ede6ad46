// Where a command finds its unit and how it spends time: the native HID
// services with real pauses in the program, a virtual bus in the demo and
// the tests, with pauses a test may record instead.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hid/platform/hid_platform.h"
#include "protocol/unit_link.h"

namespace ombrel::cli {

// Which unit a command talks to: the one numbered so in the listing, the one
// with this serial number, or, with neither, the only one there is.
struct UnitChoice {
  std::optional<int> number;
  std::optional<std::string> serial;
  // The device path as listed: how --all names each unit to the command
  // that runs on it, whatever the order of a later listing.
  std::optional<std::string> path;

  UnitChoice() = default;
  UnitChoice(std::nullopt_t) {}
  UnitChoice(std::optional<int> n) : number(n) {}
  static UnitChoice Serial(std::string serialNumber) {
    UnitChoice choice;
    choice.serial = std::move(serialNumber);
    return choice;
  }
};

struct SettingsRecord;
struct UnitEntry;

struct UnitEnvironment {
  std::shared_ptr<platform::HidPlatform> platform;
  // The pauses between writes; a real sleep when empty.
  PauseFunction pause;
  // How long a read-back step or a status request may wait for its answer.
  std::chrono::milliseconds answerLimit{1000};
  // How long the scan repeats its commands without an answer before it
  // gives up.
  std::chrono::milliseconds scanLimit{10000};
  // Runs every few milliseconds while a command waits (the demo's network
  // moves on in it).
  std::function<void()> background;
  // True once the user asked to stop (Ctrl-C, SIGTERM): a command stops at
  // its next safe point.
  std::function<bool()> interrupted;
  // Standard input and standard error are a terminal: a person can be asked.
  bool terminal = false;
  // The units are simulated: list does not show a device path for them.
  bool simulated = false;
  // Told of each write of settings to a unit, with the exit status it ended
  // with (--log). Called on the thread that wrote.
  std::function<void(const UnitEntry& unit, const SettingsRecord& record, bool verified, int code)> written;
};

}  // namespace ombrel::cli

// SECTION.KEY=VALUE: one key of a settings file given on the command line
// (--set, and the words of `set`), its value written as after '=' in INI.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrel::cli {

struct SettingChange {
  std::string section;  // "wifi" or "fan"
  std::string key;      // one of the section's keys, in lower case
  std::string value;    // as INI writes it after '=', blanks around it trimmed
  // How messages name the change: `prefix` and the words as given, with
  // the value left out where it may be a password.
  std::string shown;
  // What is wrong with the words; empty when they name a key.
  std::string problem;
};

SettingChange ParseSettingChange(std::string_view words, std::string_view prefix);

// The change given earlier for the same key as changes[index], if any.
std::optional<std::size_t> EarlierChange(std::span<const SettingChange> changes, std::size_t index);

// "wifi.channel is given twice (first --set wifi.channel=11)"
std::string GivenTwice(const SettingChange& change, const SettingChange& first);

// What is wrong with the words of each change, values aside, one line each
// naming the change: nothing when every change names a key of its own.
std::vector<std::string> SettingChangeProblems(std::span<const std::string> changes, std::string_view prefix);

}  // namespace ombrel::cli

#pragma once

#include <stdexcept>
#include <string>

// Raised when a per-user setting cannot be stored.
class SettingWriteError : public std::runtime_error {
 public:
  explicit SettingWriteError(const std::string& valueName)
      : std::runtime_error("Failed to set data for '" + valueName + "'") {}
};

// The error the HID link raises when a device object can't be made.
#pragma once

#include <stdexcept>
#include <string>

class EControllerError : public std::runtime_error {
 public:
  explicit EControllerError(const std::string& message) : std::runtime_error(message) {}
};

// The error the HID link raises when a device object can't be made.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "hid/platform/hid_platform.h"

class EControllerError : public std::runtime_error {
 public:
  explicit EControllerError(const std::string& message) : std::runtime_error(message) {}
  // The message stays what the user is shown; `why` says what failed.
  EControllerError(const std::string& message, ombrel::platform::OpenError why)
      : std::runtime_error(message),
        FWhy(std::make_shared<const ombrel::platform::OpenError>(std::move(why))) {}

  // The open that failed, where one did; Failed() is false otherwise.
  const ombrel::platform::OpenError& Why() const {
    static const ombrel::platform::OpenError kNone;
    return FWhy ? *FWhy : kNone;
  }

 private:
  std::shared_ptr<const ombrel::platform::OpenError> FWhy;  // shared: copying can't throw
};

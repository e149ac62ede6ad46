// Bookkeeping that every backend's handle keeps for its overlapped reads
// and writes.
#pragma once

#include <cstdint>

#include "hid/platform/hid_platform.h"

namespace ombrel::platform {

// Sets the calling thread's last error and returns false, as a failing
// platform call does.
inline bool Fail(HidError error) {
  SetLastError(error);
  return false;
}

// The outcome of a handle's last overlapped read or write.
struct OverlappedResult {
  bool Complete = false;
  std::uint32_t Bytes = 0;
  HidError Error = kErrorSuccess;

  // What GetOverlappedResult reports for it.
  bool Report(std::uint32_t& bytes) const {
    bytes = 0;
    if (!Complete) return Fail(kErrorIoIncomplete);
    if (Error != kErrorSuccess) return Fail(Error);
    bytes = Bytes;
    return true;
  }
};

// A completion routine that is due, with what it is to be told.
struct FinishedIo {
  IoCompletion Completion;
  HidError Error = kErrorSuccess;
  std::uint32_t Bytes = 0;
};

}  // namespace ombrel::platform

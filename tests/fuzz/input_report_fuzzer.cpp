// Input reports as a unit might send them, and output reports as the
// simulated unit might receive them: any bytes at all must be decoded or
// dropped without reading past their end.

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/input_decoding.h"
#include "protocol/scan_entry.h"
#include "sim/unit_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (const auto answer = ombrel::DecodeInputReport(bytes)) {
    (void)ombrel::NetworkNameFromScanEntry(answer->text);
  }
  (void)ombrel::DecodeDeviceData(bytes);

  static ombrel::sim::UnitModel unit;
  unit.HandleOutputReport(bytes);
  unit.ClearOutputLog();
  return 0;
}

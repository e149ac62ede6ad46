#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/parameter_ids.h"
#include "protocol/unit_identity.h"
#include "protocol/value_layouts.h"

// The unit's side of the parameter protocol, without any transport: output
// reports go in as bytes, answers come out as input reports through a
// callback. The bus glue plugs it in as a HID interface with the identity
// below and makes each answer readable AnswerDelay() after the write that
// caused it.

namespace ombrel::sim {

// The identity the unit shows on the bus is the program's own.
using ombrel::kModelPendra;
using ombrel::kModelPendraDuo;
using ombrel::kUnitProductId;
using ombrel::kUnitVendorId;
// Input and output reports alike, report ID included.
inline constexpr std::size_t kUnitReportLength = 65;

using Report = std::vector<std::uint8_t>;

// One access point that the unit's Wi-Fi module sees when it scans.
struct VisibleNetwork {
  int encryption = 3;  // the module's code: 0 open, 2 WPA_PSK, 3 WPA2_PSK, 4 WPA_WPA2_PSK
  std::string ssid{};
  int rssi = -60;
  std::string mac = "aa:bb:cc:dd:ee:ff";
  int channel = 6;
};

// The module's list entry for one network, as a scan answer carries it:
// +CWLAP:(3,"Home",-60,"aa:bb:cc:dd:ee:ff",6)
std::string ScanListEntry(const VisibleNetwork& network);

struct UnitModelConfig {
  std::string productName{kModelPendra};
  std::string serialNumber = "PD2300017";
  std::size_t inputReportLength = kUnitReportLength;
  std::chrono::microseconds answerDelay{0};
  std::uint32_t filterRunSeconds = 0;
  std::vector<VisibleNetwork> networks{};
  // The module's "OK"/"ERROR" to each AT command, sent back as parameter 1.
  bool moduleReplies = true;
};

class UnitModel {
 public:
  // Receives one whole input report; the span is valid only during the call.
  using AnswerSink = std::function<void(std::span<const std::uint8_t> report)>;
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit UnitModel(UnitModelConfig config = {});

  const std::string& ProductName() const { return config_.productName; }
  std::size_t InputReportLength() const { return config_.inputReportLength; }

  // Answers go here, synchronously from HandleOutputReport and on its
  // thread, after the model's lock is released. Without a sink answers are
  // dropped, as a unit's are when nobody reads.
  void SetAnswerSink(AnswerSink sink);

  // For the glue: how long after a write its answers should become readable.
  std::chrono::microseconds AnswerDelay() const;
  void SetAnswerDelay(std::chrono::microseconds delay);

  // One output report as the program wrote it: report ID first, the whole
  // report length.
  void HandleOutputReport(std::span<const std::uint8_t> report);

  // Every output report received, ignored ones included, in order.
  std::vector<Report> OutputLog() const;
  std::size_t OutputReportCount() const;
  void ClearOutputLog();

  // The settings store. Values are the bytes as they lie on the wire.
  Report StoredValue(ParamID id) const;
  void SetStoredValue(ParamID id, std::span<const std::uint8_t> bytes);
  void SetByte(ParamID id, std::uint8_t value);
  void SetText(ParamID id, std::string_view text);
  void SetAddress(ParamID id, const Ipv4Octets& octets);
  void SetSeconds(ParamID id, std::uint32_t seconds);
  void RestoreFactoryDefaults();
  // Every stored setting with its bytes, and the way back: each given value
  // that is a stored setting replaces the stored one (others are ignored).
  // For keeping a unit's settings while it is not running.
  std::map<ParamID, Report> StoredSettings() const;
  void LoadStoredSettings(const std::map<ParamID, Report>& values);

  std::string SerialNumber() const;
  void SetSerialNumber(std::string serial);

  // Connection states as the unit reports them: 0 disconnected, else connected.
  void SetWiFiState(std::uint8_t state);
  void SetMasterState(std::uint8_t state);

  // The filter run time counts with the model's time, which moves by
  // Advance() and, once UseClock() is called, with that clock as well.
  void Advance(std::chrono::seconds elapsed);
  void UseClock(Clock clock);
  std::uint32_t FilterRunSeconds() const;
  void SetFilterRunSeconds(std::uint32_t seconds);

  // A fault of the line: the next `count` writes of parameter `id` are
  // logged but never reach the unit (a lost report; nothing answers a write,
  // so only a read-back shows it).
  void DropWrites(ParamID id, int count = 1);

  // The settings-transfer bracket: open between a write of 1 and one of 0.
  bool SettingsTransferOpen() const;
  int CompletedSettingsTransfers() const;

  // The Wi-Fi module. It takes AT command lines through parameter 1 while
  // switched on (parameter 3); "AT+CWLAP" while a scan is marked (parameter
  // 4 set to 1) answers one parameter 4 report per visible network, in
  // order. Commands are recorded without their "\r\n".
  void SetVisibleNetworks(std::vector<VisibleNetwork> networks);
  std::vector<std::string> AtCommands() const;
  std::uint8_t ScanMarker() const;
  std::uint8_t WiFiModuleSwitch() const;

 private:
  using Clock_duration = std::chrono::steady_clock::duration;

  void HandleWrite(ParamID id, std::span<const std::uint8_t> value, bool fullReport,
                   std::vector<Report>& answers);
  void HandleReadRequest(ParamID id, std::vector<Report>& answers);
  void HandleWiFiModuleBytes(std::span<const std::uint8_t> bytes, std::vector<Report>& answers);
  void HandleAtCommand(const std::string& command, std::vector<Report>& answers);
  void LoadFactorySettingsLocked();
  std::uint8_t CountThatFits(std::size_t size) const;
  Report MakeAnswer(ParamID id, std::uint8_t count, std::span<const std::uint8_t> value) const;
  std::chrono::seconds NowLocked() const;
  std::uint32_t FilterRunSecondsLocked() const;

  mutable std::mutex mutex_;
  UnitModelConfig config_;
  AnswerSink sink_;
  std::vector<Report> log_;
  std::map<ParamID, Report> store_;
  std::uint8_t wifiState_ = 0;
  std::uint8_t masterState_ = 0;

  // A value longer than one report comes as consecutive reports with the
  // same ID, all full but the last: the report before was full, so this one
  // continues it.
  ParamID continuingId_ = 0;
  bool continuing_ = false;
  std::map<ParamID, int> dropWrites_;

  std::chrono::seconds manualTime_{0};
  Clock clock_;
  std::chrono::steady_clock::time_point clockStart_{};
  std::chrono::seconds filterStartedAt_{0};
  std::uint32_t filterBase_ = 0;

  bool transferOpen_ = false;
  int transfersCompleted_ = 0;

  std::string moduleLine_;
  std::vector<std::string> atCommands_;
  std::uint8_t scanMarker_ = 0;
  std::uint8_t moduleSwitch_ = 1;
};

}  // namespace ombrel::sim

#include "sim/unit_model.h"

#include <algorithm>

#include "sim/factory_settings.h"

namespace ombrel::sim {
namespace {

constexpr std::uint8_t kReportId = 1;
constexpr std::size_t kHeader = 3;  // report ID, parameter ID, count
constexpr std::size_t kMaxCount = 255;

// How the unit lays out what it sends back. Kept apart from the program's
// catalogue on purpose: the model is the other side of the wire.
enum class Answer { None, Byte, Text, CountedText, Address, Seconds };

Answer AnswerOf(ParamID id) {
  switch (id) {
    case Param_Device_mode:
    case Param_Number_Slave:
    case Param_IP_Slave_mode:
    case Param_Type_of_connection:
    case Param_Wi_Fi_channel:
    case Param_Security_Wi_Fi:  // the stored digit character
    case Param_Available_OFF_device:
    case Param_Direction:
    case Param_Humidity_sensor:
    case Param_External_sensor1:
    case Param_External_sensor2:
    case Param_Humidity_sensor_threshold:
    case Param_External_sensor2_threshold:
    case Param_Direction_DUO:
    case Param_Wi_Fi_State_connection:
    case Param_Master_State_connection:
      return Answer::Byte;
    case Param_Wi_Fi_name:
    case Param_Wi_Fi_password:
      return Answer::Text;
    case Param_Serial_number:
      return Answer::CountedText;
    case Param_IP_Slave:
    case Param_IP_Master:
    case Param_Gateway:
      return Answer::Address;
    case Param_Timer_after_reacting_any_sensor:
    case Param_Timer_night_mode:
    case Param_Timer_party_mode:
    case Param_Timer_filter:
      return Answer::Seconds;
    default:
      return Answer::None;
  }
}

// `bytes` cut or zero-padded to exactly `size`.
Report Fixed(const Report& bytes, std::size_t size) {
  Report fixed(size, 0);
  std::copy_n(bytes.begin(), std::min(size, bytes.size()), fixed.begin());
  return fixed;
}

Report SecondsBytes(std::uint32_t s) {
  return {static_cast<std::uint8_t>(s >> 16), static_cast<std::uint8_t>(s >> 8), static_cast<std::uint8_t>(s)};
}

}  // namespace

UnitModel::UnitModel(UnitModelConfig config)
    : config_(std::move(config)),
      store_(FactorySettings()),
      filterBase_(std::min(config_.filterRunSeconds, kMaxSeconds)) {}

void UnitModel::SetAnswerSink(AnswerSink sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

std::chrono::microseconds UnitModel::AnswerDelay() const {
  std::lock_guard lock(mutex_);
  return config_.answerDelay;
}

void UnitModel::SetAnswerDelay(std::chrono::microseconds delay) {
  std::lock_guard lock(mutex_);
  config_.answerDelay = delay;
}

void UnitModel::HandleOutputReport(std::span<const std::uint8_t> report) {
  std::vector<Report> answers;
  AnswerSink sink;
  {
    std::lock_guard lock(mutex_);
    log_.emplace_back(report.begin(), report.end());
    if (report.size() < kHeader || report[0] != kReportId) return;

    const ParamID id = report[1];
    const std::size_t payload = std::min(report.size() - kHeader, kMaxCount);
    const std::size_t count = std::min<std::size_t>(report[2], payload);
    const auto value = report.subspan(kHeader, count);
    if (const auto drop = dropWrites_.find(id); drop != dropWrites_.end() && drop->second > 0) {
      --drop->second;
      return;
    }
    HandleWrite(id, value, count == payload, answers);
    sink = sink_;
  }
  if (!sink) return;
  for (const Report& answer : answers) sink(answer);
}

void UnitModel::DropWrites(ParamID id, int count) {
  std::lock_guard lock(mutex_);
  dropWrites_[id] = count;
}

void UnitModel::HandleWrite(ParamID id, std::span<const std::uint8_t> value, bool fullReport,
                            std::vector<Report>& answers) {
  const bool continues = continuing_ && continuingId_ == id;
  continuingId_ = id;
  continuing_ = fullReport;

  if (IsStoredSetting(id)) {
    Report& stored = store_[id];
    if (!continues) stored.clear();
    stored.insert(stored.end(), value.begin(), value.end());
    return;
  }

  const std::uint8_t first = value.empty() ? 0 : value[0];
  switch (id) {
    case Param_Read_request:
      if (!value.empty()) HandleReadRequest(first, answers);
      break;
    case Param_Settings_transfer:
      if (first == 1) {
        transferOpen_ = true;
      } else if (first == 0 && transferOpen_) {
        transferOpen_ = false;
        ++transfersCompleted_;
      }
      break;
    case Param_Restore_default_parameters:
      LoadFactorySettingsLocked();
      break;
    case Param_Reset_filter_timer:
      filterBase_ = 0;
      filterStartedAt_ = NowLocked();
      break;
    case Param_AT_command:
      HandleWiFiModuleBytes(value, answers);
      break;
    case Param_Wi_Fi_scan:
      scanMarker_ = first;
      break;
    case Param_Wi_Fi_module_switch:
      moduleSwitch_ = first;
      break;
    default:
      // Read-only values and unknown IDs: a write changes nothing.
      break;
  }
}

void UnitModel::HandleReadRequest(ParamID id, std::vector<Report>& answers) {
  switch (AnswerOf(id)) {
    case Answer::None:
      return;  // not something the unit sends
    case Answer::Byte: {
      std::uint8_t byte = 0;
      if (id == Param_Wi_Fi_State_connection) {
        byte = wifiState_;
      } else if (id == Param_Master_State_connection) {
        byte = masterState_;
      } else if (const auto it = store_.find(id); it != store_.end() && !it->second.empty()) {
        byte = it->second[0];
      }
      answers.push_back(MakeAnswer(id, 1, std::span(&byte, 1)));
      return;
    }
    case Answer::Text: {
      const Report& text = store_[id];
      answers.push_back(MakeAnswer(id, CountThatFits(text.size()), text));
      return;
    }
    case Answer::CountedText: {
      const Report serial(config_.serialNumber.begin(), config_.serialNumber.end());
      answers.push_back(MakeAnswer(id, CountThatFits(serial.size()), serial));
      return;
    }
    case Answer::Address:
      answers.push_back(MakeAnswer(id, 4, Fixed(store_[id], 4)));
      return;
    case Answer::Seconds: {
      const Report bytes =
          id == Param_Timer_filter ? SecondsBytes(FilterRunSecondsLocked()) : Fixed(store_[id], 3);
      answers.push_back(MakeAnswer(id, 3, bytes));
      return;
    }
  }
}

std::uint8_t UnitModel::CountThatFits(std::size_t size) const {
  const std::size_t length = config_.inputReportLength;
  const std::size_t room = length > kHeader ? length - kHeader : 0;
  return static_cast<std::uint8_t>(std::min({size, room, kMaxCount}));
}

Report UnitModel::MakeAnswer(ParamID id, std::uint8_t count, std::span<const std::uint8_t> value) const {
  // Made whole, then filled: GCC 12 takes an insert into the three-byte
  // header for a copy past its end (-Warray-bounds).
  Report report(kHeader + value.size(), 0);
  report[0] = kReportId;
  report[1] = id;
  report[2] = count;
  std::copy(value.begin(), value.end(), report.begin() + static_cast<std::ptrdiff_t>(kHeader));
  // Zero padding to the report length; a unit with short input reports
  // sends only what fits, its count unchanged.
  report.resize(config_.inputReportLength, 0);
  return report;
}

void UnitModel::HandleWiFiModuleBytes(std::span<const std::uint8_t> bytes, std::vector<Report>& answers) {
  // The unit passes these bytes on to its Wi-Fi module, which reads them as
  // lines ending in "\r\n".
  for (std::uint8_t byte : bytes) {
    moduleLine_.push_back(static_cast<char>(byte));
    if (moduleLine_.size() >= 2 && moduleLine_.ends_with("\r\n")) {
      moduleLine_.resize(moduleLine_.size() - 2);
      HandleAtCommand(moduleLine_, answers);
      moduleLine_.clear();
    }
  }
}

void UnitModel::HandleAtCommand(const std::string& command, std::vector<Report>& answers) {
  atCommands_.push_back(command);
  if (moduleSwitch_ == 0) return;  // the module is off and hears nothing

  const auto text = [this](ParamID id, std::string_view line) {
    const Report bytes(line.begin(), line.end());
    return MakeAnswer(id, CountThatFits(bytes.size()), bytes);
  };
  const bool known = command == "AT" || command == "AT+CWQAP" || command == "AT+CWLAP" ||
                     command.starts_with("AT+CWMODE_DEF=") || command.starts_with("AT+CWMODE=");
  if (command == "AT+CWLAP" && scanMarker_ == 1) {
    for (const VisibleNetwork& network : config_.networks) {
      answers.push_back(text(Param_Wi_Fi_scan, ScanListEntry(network)));
    }
  }
  if (config_.moduleReplies) answers.push_back(text(Param_AT_command, known ? "OK\r\n" : "ERROR\r\n"));
}

void UnitModel::SetVisibleNetworks(std::vector<VisibleNetwork> networks) {
  std::lock_guard lock(mutex_);
  config_.networks = std::move(networks);
}

std::string ScanListEntry(const VisibleNetwork& network) {
  return "+CWLAP:(" + std::to_string(network.encryption) + ",\"" + network.ssid + "\"," +
         std::to_string(network.rssi) + ",\"" + network.mac + "\"," + std::to_string(network.channel) + ")";
}

std::vector<Report> UnitModel::OutputLog() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::size_t UnitModel::OutputReportCount() const {
  std::lock_guard lock(mutex_);
  return log_.size();
}

void UnitModel::ClearOutputLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

Report UnitModel::StoredValue(ParamID id) const {
  std::lock_guard lock(mutex_);
  const auto it = store_.find(id);
  return it == store_.end() ? Report{} : it->second;
}

void UnitModel::SetStoredValue(ParamID id, std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  store_[id].assign(bytes.begin(), bytes.end());
}

void UnitModel::SetByte(ParamID id, std::uint8_t value) { SetStoredValue(id, std::span(&value, 1)); }

void UnitModel::SetText(ParamID id, std::string_view text) {
  const Report bytes(text.begin(), text.end());
  SetStoredValue(id, bytes);
}

void UnitModel::SetAddress(ParamID id, const Ipv4Octets& octets) { SetStoredValue(id, octets); }

void UnitModel::SetSeconds(ParamID id, std::uint32_t seconds) {
  SetStoredValue(id, SecondsBytes(std::min(seconds, kMaxSeconds)));
}

void UnitModel::RestoreFactoryDefaults() {
  std::lock_guard lock(mutex_);
  LoadFactorySettingsLocked();
}

std::map<ParamID, Report> UnitModel::StoredSettings() const {
  std::lock_guard lock(mutex_);
  return store_;
}

void UnitModel::LoadStoredSettings(const std::map<ParamID, Report>& values) {
  std::lock_guard lock(mutex_);
  for (const auto& [id, bytes] : values) {
    if (IsStoredSetting(id)) store_[id] = bytes;
  }
  continuing_ = false;
}

void UnitModel::LoadFactorySettingsLocked() {
  store_ = FactorySettings();
  continuing_ = false;
}

std::string UnitModel::SerialNumber() const {
  std::lock_guard lock(mutex_);
  return config_.serialNumber;
}

void UnitModel::SetSerialNumber(std::string serial) {
  std::lock_guard lock(mutex_);
  config_.serialNumber = std::move(serial);
}

void UnitModel::SetWiFiState(std::uint8_t state) {
  std::lock_guard lock(mutex_);
  wifiState_ = state;
}

void UnitModel::SetMasterState(std::uint8_t state) {
  std::lock_guard lock(mutex_);
  masterState_ = state;
}

std::chrono::seconds UnitModel::NowLocked() const {
  std::chrono::seconds now = manualTime_;
  if (clock_) now += std::chrono::floor<std::chrono::seconds>(clock_() - clockStart_);
  return now;
}

std::uint32_t UnitModel::FilterRunSecondsLocked() const {
  const auto elapsed = static_cast<std::uint64_t>(std::max<std::int64_t>(0, (NowLocked() - filterStartedAt_).count()));
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(filterBase_ + elapsed, kMaxSeconds));
}

void UnitModel::Advance(std::chrono::seconds elapsed) {
  std::lock_guard lock(mutex_);
  manualTime_ += elapsed;
}

void UnitModel::UseClock(Clock clock) {
  std::lock_guard lock(mutex_);
  // Time counted so far stays; the new clock counts from now on.
  manualTime_ = NowLocked();
  clock_ = std::move(clock);
  if (clock_) clockStart_ = clock_();
}

std::uint32_t UnitModel::FilterRunSeconds() const {
  std::lock_guard lock(mutex_);
  return FilterRunSecondsLocked();
}

void UnitModel::SetFilterRunSeconds(std::uint32_t seconds) {
  std::lock_guard lock(mutex_);
  filterBase_ = std::min(seconds, kMaxSeconds);
  filterStartedAt_ = NowLocked();
}

bool UnitModel::SettingsTransferOpen() const {
  std::lock_guard lock(mutex_);
  return transferOpen_;
}

int UnitModel::CompletedSettingsTransfers() const {
  std::lock_guard lock(mutex_);
  return transfersCompleted_;
}

std::vector<std::string> UnitModel::AtCommands() const {
  std::lock_guard lock(mutex_);
  return atCommands_;
}

std::uint8_t UnitModel::ScanMarker() const {
  std::lock_guard lock(mutex_);
  return scanMarker_;
}

std::uint8_t UnitModel::WiFiModuleSwitch() const {
  std::lock_guard lock(mutex_);
  return moduleSwitch_;
}

}  // namespace ombrel::sim

#include "protocol/read_back.h"

#include "protocol/conversions.h"
#include "protocol/read_back_walk.h"

namespace ombrel {

void StartReadBack(const UnitLink& link) { RequestParameter(link, kReadBackFirst); }

void ContinueReadBack(ParamID answered, const UnitLink& link) {
  if (!IsReadBackParameter(answered)) return;
  link.pause(1);
  if (const auto next = NextReadBackRequest(answered)) RequestParameter(link, *next);
}

std::optional<bool> FlagOfByte(std::uint8_t value) {
  if (value == 1) return true;
  if (value == 0) return false;
  return std::nullopt;
}

std::optional<bool> MasterWithRouterOfConnectionType(std::uint8_t value) {
  if (value == 1) return true;
  if (value == 2) return false;
  return std::nullopt;
}

bool SlaveJoinsRouter(std::u16string_view networkName) {
  return !networkName.starts_with(kAccessPointNamePrefix);
}

std::optional<int> SlaveAddressIndexOfMode(std::uint8_t mode) {
  if (mode == 1) return kSlaveAddressDhcp;
  if (mode == 0) return kSlaveAddressStatic;
  return std::nullopt;
}

std::uint32_t TimeFieldSeconds(std::uint32_t seconds) {
  return (seconds / 3600) % 24 * 3600 + (seconds / 60) % 60 * 60;
}

bool TakeReadBackAnswer(UnitReading& reading, const InputParameter& a) {
  if (!IsReadBackParameter(a.id)) return false;
  StoreReadBackAnswer(reading.lastKnown, a);
  WiFiPage& w = reading.wifi;
  FanPage& f = reading.fan;
  const auto setIf = [](bool& control, std::optional<bool> value) {
    if (value) control = *value;
  };

  switch (a.id) {
    case Param_Device_mode: setIf(w.master, FlagOfByte(a.byte)); break;
    case Param_Type_of_connection:
      if (reading.lastKnown.role == 1) setIf(w.withRouter, MasterWithRouterOfConnectionType(a.byte));
      break;
    case Param_Wi_Fi_name:
      w.networkName = std::u16string(ShownText(a.text));
      if (reading.lastKnown.role == 0) w.withRouter = SlaveJoinsRouter(w.networkName);
      break;
    case Param_Wi_Fi_password: w.password = std::u16string(ShownText(a.text)); break;
    // A value with no item leaves the list without a selection: an upload
    // that takes its number then fails instead of sending a value the unit
    // does not hold.
    case Param_Number_Slave:
      w.slaveNumber = a.byte < 32 ? std::optional<std::uint8_t>(a.byte + 1) : std::nullopt;
      break;
    case Param_IP_Slave_mode:
      if (const auto index = SlaveAddressIndexOfMode(a.byte)) w.slaveAddressIndex = *index;
      break;
    case Param_IP_Slave: w.slaveAddress = a.address; break;
    case Param_IP_Master: w.masterAddress = a.address; break;
    case Param_Wi_Fi_channel:
      w.channel = a.byte >= 1 && a.byte <= 13 ? std::optional<std::uint8_t>(a.byte) : std::nullopt;
      break;
    case Param_Security_Wi_Fi:
      if (const auto index = SecurityIndexFromDigit(a.byte)) w.securityIndex = *index;
      break;
    case Param_Gateway: w.gateway = a.address; break;
    case Param_Available_OFF_device: setIf(f.offAllowed, FlagOfByte(a.byte)); break;
    case Param_Direction: setIf(f.exhaust, FlagOfByte(a.byte)); break;
    case Param_Humidity_sensor: setIf(f.humiditySensor, FlagOfByte(a.byte)); break;
    case Param_External_sensor1: setIf(f.relaySensor, FlagOfByte(a.byte)); break;
    case Param_External_sensor2: setIf(f.sensor0To10V, FlagOfByte(a.byte)); break;
    case Param_Humidity_sensor_threshold:
      f.humidityPosition = TrackBarPositionFromPercent(a.byte, kHumidityTrackBar);
      break;
    case Param_External_sensor2_threshold:
      f.sensor0To10VPosition = TrackBarPositionFromPercent(a.byte, kExternalSensor2TrackBar);
      break;
    case Param_Timer_after_reacting_any_sensor:
      f.turnOffDelay = TimeFieldSeconds(a.seconds);
      reading.heldTimers.turnOffDelay = a.seconds;
      break;
    case Param_Timer_night_mode:
      f.nightMode = TimeFieldSeconds(a.seconds);
      reading.heldTimers.nightMode = a.seconds;
      break;
    case Param_Timer_party_mode:
      f.partyMode = TimeFieldSeconds(a.seconds);
      reading.heldTimers.partyMode = a.seconds;
      break;
    case Param_Direction_DUO: setIf(f.boostAndExhaust, FlagOfByte(a.byte)); break;
    default: break;
  }
  return true;
}

void ReadBackRun::Start(const UnitLink& link, Clock::time_point now) {
  Await(now);
  StartReadBack(link);
}

void ReadBackRun::Await(Clock::time_point now) {
  started_ = true;
  answered_ = 0;
  reading_ = {};
  awaiting_ = kReadBackFirst;
  deadline_ = now + answerLimit_;
}

void ReadBackRun::TakeAnswer(const InputParameter& answer, const UnitLink& link, Clock::time_point now) {
  if (!awaiting_ || answer.id != *awaiting_) return;
  TakeReadBackAnswer(reading_, answer);
  ++answered_;
  awaiting_ = NextReadBackRequest(answer.id);
  // The limit counts from the request, which follows the 1 ms pause.
  ContinueReadBack(answer.id, link);
  deadline_ = now + std::chrono::milliseconds(1) + answerLimit_;
}

}  // namespace ombrel

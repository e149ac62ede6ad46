#include "protocol/fan_upload.h"

#include "protocol/value_layouts.h"

namespace ombrel {
namespace {

std::u16string Flag(bool on) { return EncodeByte(on ? 1 : 0); }

std::u16string Threshold(int position) { return EncodeByte(PercentFromTrackBarPosition(position)); }

}  // namespace

void UploadFan(const FanPage& page, const UnitLink& link) {
  link.send(Param_Settings_transfer, EncodeByte(1));
  link.send(Param_Available_OFF_device, Flag(page.offAllowed));
  link.send(Param_Direction, Flag(page.exhaust));
  link.send(Param_Humidity_sensor, Flag(page.humiditySensor));
  link.send(Param_External_sensor1, Flag(page.relaySensor));
  link.send(Param_External_sensor2, Flag(page.sensor0To10V));
  link.send(Param_Humidity_sensor_threshold, Threshold(page.humidityPosition));
  link.send(Param_External_sensor2_threshold, Threshold(page.sensor0To10VPosition));
  link.send(Param_Timer_after_reacting_any_sensor, EncodeSeconds(page.turnOffDelay));
  link.send(Param_Timer_night_mode, EncodeSeconds(page.nightMode));
  link.send(Param_Timer_party_mode, EncodeSeconds(page.partyMode));
  link.send(Param_Direction_DUO, Flag(page.boostAndExhaust));
  link.send(Param_Settings_transfer, EncodeByte(0));
}

}  // namespace ombrel

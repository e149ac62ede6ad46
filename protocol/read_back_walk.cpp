#include "protocol/read_back_walk.h"

#include <algorithm>

namespace ombrel {
namespace {

constexpr std::array<ReadBackStep, kReadBackLength> kSteps{{
    {Param_Device_mode, Param_Type_of_connection},
    {Param_Type_of_connection, Param_Wi_Fi_name},
    {Param_Wi_Fi_name, Param_Wi_Fi_password},
    {Param_Wi_Fi_password, Param_Number_Slave},
    {Param_Number_Slave, Param_IP_Slave_mode},
    {Param_IP_Slave_mode, Param_IP_Slave},
    {Param_IP_Slave, Param_IP_Master},
    {Param_IP_Master, Param_Wi_Fi_channel},
    {Param_Wi_Fi_channel, Param_Security_Wi_Fi},
    {Param_Security_Wi_Fi, Param_Available_OFF_device},
    {Param_Available_OFF_device, Param_Direction},
    {Param_Direction, Param_Humidity_sensor},
    {Param_Humidity_sensor, Param_External_sensor1},
    {Param_External_sensor1, Param_External_sensor2},
    {Param_External_sensor2, Param_Humidity_sensor_threshold},
    {Param_Humidity_sensor_threshold, Param_External_sensor2_threshold},
    {Param_External_sensor2_threshold, Param_Timer_after_reacting_any_sensor},
    {Param_Timer_after_reacting_any_sensor, Param_Timer_night_mode},
    {Param_Timer_night_mode, Param_Timer_party_mode},
    {Param_Timer_party_mode, Param_Direction_DUO},
    {Param_Direction_DUO, Param_Gateway},
    {Param_Gateway, std::nullopt},
}};

const ReadBackStep* FindStep(ParamID id) {
  const auto it = std::find_if(kSteps.begin(), kSteps.end(),
                               [id](const ReadBackStep& step) { return step.answer == id; });
  return it == kSteps.end() ? nullptr : &*it;
}

}  // namespace

std::span<const ReadBackStep> ReadBackSteps() { return kSteps; }

bool IsReadBackParameter(ParamID id) { return FindStep(id) != nullptr; }

std::optional<ParamID> NextReadBackRequest(ParamID answered) {
  const ReadBackStep* step = FindStep(answered);
  return step == nullptr ? std::nullopt : step->next;
}

bool EndsReadBack(ParamID answered) {
  const ReadBackStep* step = FindStep(answered);
  return step != nullptr && !step->next;
}

std::u16string ReadRequestValue(ParamID id) { return std::u16string(1, char16_t{id}); }

}  // namespace ombrel

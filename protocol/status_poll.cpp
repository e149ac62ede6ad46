#include "protocol/status_poll.h"

#include "protocol/read_back.h"
#include "protocol/value_layouts.h"

namespace ombrel {

void WriteStatusRequests(const UnitLink& link, bool filterTime) {
  RequestParameter(link, Param_Wi_Fi_State_connection);
  link.pause(20);
  RequestParameter(link, Param_Master_State_connection);
  if (filterTime) {
    link.pause(20);
    RequestParameter(link, Param_Timer_filter);
  }
}

bool TakeStatusAnswer(UnitStatus& status, const InputParameter& answer) {
  switch (answer.id) {
    case Param_Wi_Fi_State_connection: status.wifiConnected = IsConnectedState(answer.byte); return true;
    case Param_Master_State_connection: status.masterConnected = IsConnectedState(answer.byte); return true;
    case Param_Timer_filter: status.filterRunSeconds = answer.seconds; return true;
    default: return false;
  }
}

FilterTimeParts SplitFilterTime(std::uint32_t s) {
  return {s / 86400, s / 3600 % 24, s / 60 % 60, s % 60};
}

void RestoreDefaults(const UnitLink& link) {
  link.send(Param_Settings_transfer, EncodeByte(1));
  link.send(Param_Restore_default_parameters, EncodeByte(0));
  link.pause(200);
  StartReadBack(link);
}

void ResetFilterTimer(const UnitLink& link) { link.send(Param_Reset_filter_timer, EncodeByte(0)); }

}  // namespace ombrel

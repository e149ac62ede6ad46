#include "app/window_link.h"

#include "protocol/pause.h"
#include "protocol/send_parameter.h"

const ombrel::UnitLink& WindowLink() {
  static const ombrel::UnitLink link{[](ParamID id, std::u16string_view value) { SendParameter(id, value); },
                                     [](unsigned milliseconds) { ombrel::Pause(milliseconds); }};
  return link;
}

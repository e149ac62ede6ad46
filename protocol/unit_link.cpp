#include "protocol/unit_link.h"

#include "protocol/read_back_walk.h"

namespace ombrel {

void RequestParameter(const UnitLink& link, ParamID id) {
  link.send(Param_Read_request, ReadRequestValue(id));
}

}  // namespace ombrel

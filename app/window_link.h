// What the window's handlers hand the unit work: SendParameter to the
// selected unit and the blocking pause of the window's thread.
#pragma once

#include "protocol/unit_link.h"

const ombrel::UnitLink& WindowLink();

// Moved to startup/, where the services build without Qt.
#pragma once

#include "startup/setting_write_error.h"

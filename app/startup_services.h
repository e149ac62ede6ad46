// Moved to startup/, where the services build without Qt.
#pragma once

#include "startup/startup_services.h"

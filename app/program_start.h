#pragma once

#include <memory>

#include "app/startup_services.h"
#include "hid/platform/hid_platform.h"

class GuardedApplication;

// The application's name and look; call once the application object exists.
void PrepareApplication(GuardedApplication& app);

// Creates the window on `platform` and `services`, runs its creation handler
// and, unless that ended the start, shows the window centred and runs the
// event loop. Returns the process's exit code.
int RunProgram(GuardedApplication& app, std::shared_ptr<ombrel::platform::HidPlatform> platform,
               StartupServices services);

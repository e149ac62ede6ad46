// Ombrel: the program on the system's own HID devices.

#include "app/guarded_application.h"
#include "app/program_start.h"
#include "hid/platform/native_platform.h"

int main(int argc, char* argv[]) {
  GuardedApplication app(argc, argv);
  PrepareApplication(app);
  return RunProgram(app, ombrel::platform::MakeNativeHidPlatform(), MakeNativeStartupServices());
}

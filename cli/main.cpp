// ombrel-cli: the unit from the command line, for installers and scripts.

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "cli/demo_environment.h"
#include "hid/platform/native_platform.h"

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::signal(SIGINT, OnInterrupt);
  return ombrel::cli::RunCli(args, std::cin, std::cout, std::cerr, [](bool demo) {
    ombrel::cli::UnitEnvironment env;
    if (demo) {
      env = ombrel::cli::DemoEnvironment();
    } else {
      env.platform = ombrel::platform::MakeNativeHidPlatform();
    }
    env.interrupted = [] { return gInterrupted != 0; };
    return env;
  });
}

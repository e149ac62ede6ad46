// ombrel-cli: the unit from the command line, for installers and scripts.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/cli_main.h"
#include "cli/demo_environment.h"
#include "cli/exit_codes.h"
#include "hid/platform/native_platform.h"

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

// The first Ctrl-C (or SIGTERM) asks the command to stop at its next safe
// point; a second one ends the program at once, as the system would.
extern "C" void OnInterrupt(int signal) {
  gInterrupted = 1;
  std::signal(signal, SIG_DFL);
}

void CatchInterrupts() {
#ifdef _WIN32
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
#else
  // No SA_RESTART: a question waiting for its answer ends on Ctrl-C.
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

bool IsTerminal(int fd) {
#ifdef _WIN32
  return _isatty(fd) != 0;
#else
  return isatty(fd) != 0;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args(argv + 1, argv + argc);
  CatchInterrupts();
  const bool terminal = IsTerminal(0) && IsTerminal(2);
  int code = ombrel::cli::RunCli(args, std::cin, std::cout, std::cerr, [terminal](const ombrel::cli::DemoOptions& demo) {
    ombrel::cli::UnitEnvironment env;
    if (demo.on) {
      env = ombrel::cli::DemoEnvironment(demo);
    } else {
      env.platform = ombrel::platform::MakeNativeHidPlatform();
    }
    env.interrupted = [] { return gInterrupted != 0; };
    env.terminal = terminal;
    return env;
  });
  // What the C library still holds goes out now, where a failure can be told.
  if (std::fclose(stdout) != 0 && code == ombrel::cli::kExitOk) {
    std::fprintf(stderr, "ombrel-cli: cannot write the output: %s\n", std::strerror(errno));
    code = ombrel::cli::kExitOutput;
  }
  return code;
}

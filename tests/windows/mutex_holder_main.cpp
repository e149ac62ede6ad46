// A second process for the named-mutex tests: creates the mutex named on
// its command line through the start-up service, says so on stdout, and
// holds it until its stdin closes.
#include <windows.h>

#include <cstdio>
#include <string>

#include "startup/windows/windows_startup_services.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  std::string name;
  for (const wchar_t* c = argv[1]; *c; ++c) name.push_back(static_cast<char>(*c));
  ombrel::startup::WindowsMutexService mutexes;
  if (mutexes.Exists(name)) {
    std::puts("exists");  // a second copy ends here
    return 1;
  }
  mutexes.Create(name);
  std::puts("holding");
  std::fflush(stdout);
  char buffer[16];
  DWORD n = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &n, nullptr) && n > 0) {
  }
  return 0;
}

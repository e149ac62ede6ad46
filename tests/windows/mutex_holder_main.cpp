// A second process for the named-mutex tests: creates the mutex named on
// its command line through the start-up service, says so on stdout, and
// holds it until its stdin closes. With "deny" after the name the mutex is
// made with an empty access list, so no other process may open it, as one
// made by an elevated process or another account is.
#include <windows.h>

#include <cstdio>
#include <string>

#include "startup/windows/windows_startup_services.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) return 2;
  std::string name;
  for (const wchar_t* c = argv[1]; *c; ++c) name.push_back(static_cast<char>(*c));
  ombrel::startup::WindowsMutexService mutexes;
  if (mutexes.Exists(name)) {
    std::puts("exists");  // a second copy ends here
    return 1;
  }
  if (argc == 3) {
    if (std::wstring(argv[2]) != L"deny") return 2;
    SECURITY_DESCRIPTOR descriptor;
    ACL empty;
    if (!::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::InitializeAcl(&empty, sizeof empty, ACL_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE))
      return 3;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    if (!::CreateMutexW(&attributes, FALSE, argv[1])) return 3;
  } else {
    mutexes.Create(name);
  }
  std::puts("holding");
  std::fflush(stdout);
  char buffer[16];
  DWORD n = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &n, nullptr) && n > 0) {
  }
  return 0;
}

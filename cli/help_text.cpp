#include "cli/commands.h"
#include "cli/settings_file.h"

#ifndef OMBREL_VERSION
#define OMBREL_VERSION "0.0.0"
#endif

namespace ombrel::cli {

std::string VersionText() { return std::string("ombrel-cli ") + OMBREL_VERSION; }

std::string SettingsFileHelp() {
  return SettingsSyntaxHelp() +
         "Values the chosen role and connection type do not use are sent as they stand,\n"
         "as the window sends its last known values. Where the write sends another value\n"
         "than the file's (a master without a router always has the address 192.168.4.1),\n"
         "check and write say so as a warning. As in the window, read takes a slave's\n"
         "connection type from its network's name: its master's own network begins with\n"
         "\"Kirrowind\". The whole file is checked before anything is written.\n";
}

}  // namespace ombrel::cli

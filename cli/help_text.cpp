#include "cli/commands.h"
#include "cli/settings_file.h"

#ifndef OMBREL_VERSION
#define OMBREL_VERSION "0.0.0"
#endif

namespace ombrel::cli {

std::string VersionText() { return std::string("ombrel-cli ") + OMBREL_VERSION; }

std::string SettingsFileHelp() {
  return "Settings file: an INI file with a [wifi] and a [fan] section. A line starting\n"
         "with ; or # is a comment, and so is the rest of a line after a blank and ; or #.\n"
         "Texts may be quoted: \"...\", with \\\" \\\\ \\xHH for a quote, a backslash, byte HH.\n"
         "A section gives every one of its keys:\n" +
         SettingsKeysHelp() +
         "Values the chosen role and connection type do not use are sent as they stand,\n"
         "as the window sends its last known values; a master without a router always\n"
         "has the address 192.168.4.1. As in the window, read takes a slave's connection\n"
         "type from its network's name: its master's own network begins with \"Kirrowind\".\n"
         "The whole file is checked before anything is written.\n";
}

}  // namespace ombrel::cli

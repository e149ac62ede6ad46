#include "cli/commands.h"
#include "cli/settings_file.h"

#ifndef OMBREL_VERSION
#define OMBREL_VERSION "0.0.0"
#endif

namespace ombrel::cli {

std::string VersionText() { return std::string("ombrel-cli ") + OMBREL_VERSION; }

std::string HelpText() {
  return "Usage: ombrel-cli [--demo] COMMAND [OPTIONS]\n"
         "\n"
         "Talks to a Kolvmark Tovra ventilation unit (Pendra, Pendra DUO) on USB exactly\n"
         "as the Ombrel window does.\n"
         "\n"
         "Commands:\n"
         "  list                    one line per unit: number, model, serial number, device\n"
         "                          path, and whether it can be opened for reading and writing\n"
         "  read [--json]           reads the unit's settings and prints them as a settings\n"
         "                          file (INI, or JSON with the same keys)\n"
         "  write FILE              sends the [wifi] section as the Wi-Fi page's Apply/Save\n"
         "                          would, then the [fan] section as the Fan page's; a file\n"
         "                          may hold either or both; FILE - reads standard input\n"
         "  status [--watch]        the Wi-Fi and master connection states and the filter\n"
         "                          run time; --watch repeats every second until Ctrl-C\n"
         "  scan                    has the unit's Wi-Fi module scan; prints the networks found\n"
         "  reset-filter            starts the filter run time again from zero\n"
         "  restore-defaults        returns the unit to its factory settings and prints them\n"
         "                          as read back (--json as for read)\n"
         "\n"
         "Options:\n"
         "  --unit N                the unit numbered N by list (needed with several units)\n"
         "  --demo                  a simulated Pendra DUO instead of the units on USB\n"
         "  --help, --version\n"
         "\n"
         "Settings file: an INI file with a [wifi] and a [fan] section. A line starting\n"
         "with ; or # is a comment, and so is the rest of a line after a blank and ; or #.\n"
         "Texts may be quoted: \"...\", with \\\" \\\\ \\xHH for a quote, a backslash, byte HH.\n"
         "A section gives every one of its keys:\n" +
         SettingsKeysHelp() +
         "Values the chosen role and connection type do not use are sent as they stand,\n"
         "as the window sends its last known values; a master without a router always\n"
         "has the address 192.168.4.1. As in the window, read takes a slave's connection\n"
         "type from its network's name: its master's own network begins with \"Kirrowind\".\n"
         "The whole file is checked before anything is written.\n"
         "\n"
         "Exit status: 0 done; 1 bad command line or settings file (nothing written);\n"
         "2 no unit, several units without --unit, a unit that cannot be opened, or one\n"
         "that stopped answering.\n";
}

}  // namespace ombrel::cli

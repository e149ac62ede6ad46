#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/settings_file.h"
#include "i18n/lang_strings.h"

namespace ombrel::cli {
namespace {

std::optional<std::string> ReadWhole(std::string_view fileName, std::istream& in, std::ostream& err) {
  if (fileName == "-") return std::string(std::istreambuf_iterator<char>(in), {});
  std::ifstream file{std::string(fileName), std::ios::binary};
  if (!file) {
    err << kProgram << "cannot read " << fileName << ": " << std::strerror(errno) << "\n";
    return std::nullopt;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    err << kProgram << "cannot read " << fileName << "\n";
    return std::nullopt;
  }
  return text.str();
}

}  // namespace

int WriteCommand(const UnitEnvironment& env, std::string_view fileName, std::istream& in,
                 std::optional<int> unit, std::ostream& out, std::ostream& err) {
  const auto text = ReadWhole(fileName, in, err);
  if (!text) return kExitBadInput;
  const ParsedSettings parsed = ParseSettingsFile(*text, fileName == "-" ? "<stdin>" : fileName);
  if (!parsed.problems.empty()) {
    for (const std::string& problem : parsed.problems) err << problem << "\n";
    err << kProgram << "nothing was written\n";
    return kExitBadInput;
  }

  auto session = OpenUnit(env, unit, err);
  if (!session) return kExitUnit;
  const SettingsRecord& record = parsed.record;
  std::string written;
  if (record.wifi) {
    // The file's values are both what the page shows and what is last known.
    WiFiSettings lastKnown = record.wifi->values;
    if (const auto refusal = UploadWiFi(lastKnown, PageOfWiFiRecord(*record.wifi), session->Link())) {
      // The file's check refuses all of these first; this is the core's word.
      err << kProgram << "the Wi-Fi settings were refused: "
          << (refusal->row ? LangStrings[static_cast<std::size_t>(*refusal->row)][LangEng]
                           : std::string_view("a list value is missing"))
          << "\n";
      return kExitBadInput;
    }
    written = "[wifi]";
  }
  if (record.fan) {
    UploadFan(*record.fan, session->Link());
    written += written.empty() ? "[fan]" : " and [fan]";
  }
  if (!CheckWrites(*session, err)) return kExitUnit;
  out << "Wrote " << written << " to " << UnitName(session->Selected()) << ".\n";
  return kExitOk;
}

}  // namespace ombrel::cli

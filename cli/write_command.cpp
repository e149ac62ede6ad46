#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/json_text.h"
#include "cli/settings_compare.h"
#include "i18n/lang_strings.h"

namespace ombrel::cli {
namespace {

// A file that left the password out (read --redact) sends the unit's own:
// it is read before anything is written. Exit status 0 when `wifi` holds
// it, else what the command ends with, having said why.
int TakeUnitsPassword(UnitSession& session, WiFiRecord& wifi, std::ostream& err) {
  const std::string name = UnitName(session.Selected());
  const auto reading = WalkSettings(session, false, err);
  if (!reading && session.Interrupted()) {
    err << kProgram << "interrupted while reading the password of " << name << "; nothing was written\n";
    return kExitInterrupted;
  }
  if (!reading || !CheckWrites(session, err)) {
    err << kProgram << "the file leaves the password out, and the one " << name
        << " holds could not be read: nothing was written\n";
    return kExitUnit;
  }
  wifi.values.password = reading->wifi.password;
  // From here on the record is what goes out, and the read-back after the
  // write compares the password as any other value.
  wifi.passwordLeftOut = false;
  if (const std::string wrong = AccessPointPasswordProblem(wifi); !wrong.empty()) {
    err << kProgram << "[wifi] password: left out of the file, and the one " << name << " holds " << wrong
        << "\n" << kProgram << "nothing was written\n";
    return kExitBadInput;
  }
  return kExitOk;
}


// `sent` gets each section that went out.
int SendAndVerify(UnitSession& session, const SettingsRecord& record, bool verify, std::ostream& out,
                  std::ostream& err, SettingsRecord& sent) {
  const std::string name = UnitName(session.Selected());

  // Ctrl-C is taken between the sections: each goes out whole or not at all.
  std::vector<std::string_view> written;
  const auto stopped = [&](std::string_view pending) {
    err << kProgram << "interrupted: "
        << (written.empty() ? "nothing was written to " + name
                            : Listed(written) + " written to " + name + "; " + std::string(pending) + " not sent")
        << "\n";
    return kExitInterrupted;
  };
  if (record.wifi) {
    if (session.Interrupted()) return stopped("[wifi]");
    // The file's values are both what the page shows and what is last known.
    WiFiSettings lastKnown = record.wifi->values;
    if (const auto refusal = UploadWiFi(lastKnown, PageOfWiFiRecord(*record.wifi), session.Link())) {
      // The file's check refuses all of these first; this is the core's word.
      err << kProgram << "the Wi-Fi settings were refused: "
          << (refusal->row ? LangStrings[static_cast<std::size_t>(*refusal->row)][LangEng]
                           : std::string_view("a list value is missing"))
          << "\n";
      return kExitBadInput;
    }
    written.push_back("[wifi]");
    sent.wifi = record.wifi;
  }
  if (record.fan) {
    if (session.Interrupted()) return stopped("[fan]");
    UploadFan(*record.fan, session.Link());
    sent.fan = record.fan;
    written.push_back("[fan]");
  }
  if (!CheckWrites(session, err)) return kExitUnit;
  const std::string what = Listed(written);
  if (!verify) {
    out << "Wrote " << what << " to " << name << " (not read back: --no-verify).\n";
    return kExitOk;
  }

  // The unit acknowledges no write: only its read-back shows what it took.
  const auto reading = WalkSettings(session, false, err);
  if (!reading) {
    if (session.Interrupted()) {
      err << kProgram << "interrupted: " << what << " written to " << name << "; not read back to verify\n";
      return kExitInterrupted;
    }
    err << kProgram << what << " written, but the read-back to verify it failed\n";
    return kExitUnit;
  }
  if (!CheckWrites(session, err)) return kExitUnit;
  const auto differences = Differences(record, *reading);
  if (!differences.empty()) {
    err << kProgram << "the unit holds other values than were written (" << name << "):\n";
    for (const Difference& d : differences) err << "  " << DifferenceLine(d, "written") << "\n";
    return kExitMismatch;
  }
  out << "Wrote " << what << " to " << name << "; read back, it holds every value sent.\n";
  return kExitOk;
}

}  // namespace

int WriteCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  auto record = ReadSettings(how.file, io.in, io.err, how.sets);
  if (!record) {
    io.err << kProgram << "nothing was written\n";
    return kExitBadInput;
  }
  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  if (record->wifi && record->wifi->passwordLeftOut) {
    if (const int code = TakeUnitsPassword(*session, *record->wifi, io.err); code != kExitOk) return code;
  }
  return WriteRecord(*session, *record, how.verify, io.out, io.err);
}

int WriteRecord(UnitSession& session, const SettingsRecord& record, bool verify, std::ostream& out,
                std::ostream& err) {
  SettingsRecord sent;
  const int code = SendAndVerify(session, record, verify, out, err, sent);
  // The commissioning log hears of every section that went to the unit.
  const auto& written = session.Environment().written;
  if (written && (sent.wifi || sent.fan)) written(session.Selected(), sent, verify, code);
  return code;
}

int CheckCommand(const Invocation& how, Streams io) {
  const auto record = ReadSettings(how.file, io.in, io.err, how.sets);
  if (!record) return kExitBadInput;
  std::vector<std::string_view> sections;
  if (record->wifi) sections.push_back("[wifi]");
  if (record->fan) sections.push_back("[fan]");
  io.out << (how.file == "-" ? std::string("<stdin>") : std::string(how.file)) << ": " << Listed(sections)
         << " can be written"
         << (record->wifi && record->wifi->passwordLeftOut ? " (the password is left out: the unit keeps its own)" : "")
         << ".\n";
  return kExitOk;
}

int DiffCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  const auto record = ReadSettings(how.file, io.in, io.err, how.sets);
  if (!record) return kExitUnit;
  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  const auto reading = WalkSettings(*session, false, io.err);
  if (!reading) {
    if (session->Interrupted()) {
      io.err << kProgram << "interrupted while reading " << UnitName(session->Selected()) << "\n";
      return kExitInterrupted;
    }
    return kExitUnit;
  }
  if (!CheckWrites(*session, io.err)) return kExitUnit;
  const auto differences = Differences(*record, *reading);
  if (how.json) {
    // One object per differing key: key ("wifi.channel"), unit, file; a
    // password's values are null, as they are never shown.
    io.out << "[";
    for (std::size_t i = 0; i < differences.size(); ++i) {
      const Difference& d = differences[i];
      io.out << (i ? ",\n  " : "\n  ") << "{\"key\": " << JsonString(d.section + "." + d.key)
             << ", \"unit\": " << (d.hidden ? "null" : JsonString(d.unit))
             << ", \"file\": " << (d.hidden ? "null" : JsonString(d.file)) << "}";
    }
    io.out << (differences.empty() ? "]\n" : "\n]\n");
  } else {
    for (const Difference& d : differences) io.out << DifferenceLine(d, "file") << "\n";
  }
  return differences.empty() ? kExitOk : kExitBadInput;
}

}  // namespace ombrel::cli

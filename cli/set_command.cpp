// `set`: a few of a unit's settings changed in place. The unit is read,
// its settings taken as `read` prints them, the changes taken in as a
// file's values would be, and only the sections they touch go out, read
// back as `write` does.
#include <ostream>

#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/settings_change.h"

namespace ombrel::cli {
namespace {

// The Wi-Fi keys a mode sends as given; the upload sends the others as
// last known or as the mode fixes them (protocol/wifi_upload.cpp), so a
// change of one there would be lost without a word.
struct ModeRule {
  std::string_view key;
  std::string_view appliesTo;
  bool (*applies)(const WiFiRecord&);
};

constexpr ModeRule kModeRules[] = {
    {"channel", "a master without a router", [](const WiFiRecord& r) { return r.master && !r.withRouter; }},
    {"security", "a master without a router", [](const WiFiRecord& r) { return r.master && !r.withRouter; }},
    {"slave_number", "a slave", [](const WiFiRecord& r) { return !r.master; }},
    {"slave_address", "a slave", [](const WiFiRecord& r) { return !r.master; }},
    {"slave_address_mode", "a slave with a router", [](const WiFiRecord& r) { return !r.master && r.withRouter; }},
    {"master_address", "a unit with a router (master or slave)", [](const WiFiRecord& r) { return r.withRouter; }},
};

std::string ModeText(const WiFiRecord& r) {
  return std::string(r.master ? "a master" : "a slave") + (r.withRouter ? " with a router" : " without a router");
}

// One line for each changed Wi-Fi key that the mode after the changes
// does not send; none when all of them go out.
std::vector<std::string> OutOfMode(const std::vector<SettingChange>& changes, const WiFiRecord& before,
                                   const WiFiRecord& after, const std::string& unitName) {
  const bool modeChanged = before.master != after.master || before.withRouter != after.withRouter;
  std::vector<std::string> lines;
  for (const SettingChange& c : changes) {
    if (c.section != "wifi") continue;
    for (const ModeRule& rule : kModeRules) {
      if (rule.key != c.key || rule.applies(after)) continue;
      lines.push_back(c.shown + ": applies to " + std::string(rule.appliesTo) + "; " +
                      (modeChanged ? "after these changes " : "") + unitName + " is " + ModeText(after));
    }
  }
  return lines;
}

}  // namespace

int SetCommand(const UnitEnvironment& env, const Invocation& how, Streams io) {
  const auto nothingWritten = [&] {
    io.err << kProgram << "nothing was written\n";
    return kExitBadInput;
  };
  // The words first: a mistyped key needs no unit.
  if (const auto problems = SettingChangeProblems(how.sets, ""); !problems.empty()) {
    for (const std::string& problem : problems) io.err << problem << "\n";
    return nothingWritten();
  }
  std::vector<SettingChange> changes;
  for (const std::string& words : how.sets) changes.push_back(ParseSettingChange(words, ""));

  auto session = OpenUnit(env, how.unit, io.err);
  if (!session) return kExitUnit;
  const std::string name = UnitName(session->Selected());
  const auto reading = WalkSettings(*session, false, io.err);
  if (!reading && session->Interrupted()) {
    io.err << kProgram << "interrupted while reading " << name << "; nothing was written\n";
    return kExitInterrupted;
  }
  if (!reading || !CheckWrites(*session, io.err)) return kExitUnit;

  // What Apply/Save would send now, of the sections the changes touch.
  const SettingsRecord held = RecordOfReading(*reading);
  SettingsRecord touched;
  for (const SettingChange& c : changes) {
    if (c.section == "wifi") touched.wifi = held.wifi;
    else touched.fan = held.fan;
  }
  ParsedSettings changed = ChangeSettings(touched, name, how.sets);
  std::vector<std::string> refusals = changed.problems;
  // A password "left out" here is the one just read.
  if (changed.record.wifi && changed.record.wifi->passwordLeftOut && touched.wifi) {
    changed.record.wifi->values.password = touched.wifi->values.password;
    changed.record.wifi->passwordLeftOut = false;
    if (const std::string wrong = AccessPointPasswordProblem(*changed.record.wifi); !wrong.empty()) {
      refusals.push_back("[wifi] password: the one " + name + " holds " + wrong);
    }
  }
  if (refusals.empty() && changed.record.wifi && touched.wifi) {
    refusals = OutOfMode(changes, *touched.wifi, *changed.record.wifi, name);
  }
  // Warnings are of what a write sends; with nothing written they would
  // only repeat the refusal.
  for (const std::string& refusal : refusals) io.err << refusal << "\n";
  if (!refusals.empty()) return nothingWritten();
  for (const std::string& warning : changed.warnings) io.err << warning << "\n";
  return WriteRecord(*session, changed.record, how.verify, io.out, io.err);
}

}  // namespace ombrel::cli

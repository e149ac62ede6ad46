// The two forms of the settings file, INI as people write it and JSON as
// `read --json` prints it, read into one receiver that checks the values.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "cli/unit_text.h"

namespace ombrel::cli {

// What a JSON value is, for the key's check of its type; every INI value
// is text and its key's check alone decides.
enum class ValueForm { Ini, String, Number, Boolean, Null, Array, Object };

// A value as the file gives it, in the unit's characters; `problem` says
// why it cannot be one (then `text` is not looked at).
struct ValueText {
  std::u16string text;
  std::string problem;
  ValueForm form = ValueForm::Ini;
  // An unquoted INI value that a blank and ';' or '#' cut short: `text` is
  // what stands before them, and a text key cannot tell that from its value.
  bool cutAtComment = false;
};

// What a reader finds, in the file's order; the receiver checks it.
class SettingsReceiver {
 public:
  virtual ~SettingsReceiver() = default;
  virtual void Problem(std::size_t line, const std::string& what) = 0;
  // Enters a section; false (after saying why) for one that takes no values.
  virtual bool Section(std::string section, std::size_t line) = 0;
  virtual void LeaveSection() = 0;
  // What follows belongs to no section that takes values.
  virtual void IgnoreSection() = 0;
  // One value of the current section; `shown` is how the file wrote it.
  virtual void Value(std::string key, std::size_t line, std::string_view shown, const ValueText& value) = 0;
  // The file could not be read to its end: what it lacks is not worth saying.
  virtual void Abandon() = 0;
};

void ReadIniSettings(std::string_view text, SettingsReceiver& receiver);

// One value as INI writes it after '=' (`raw` without the blanks around
// it): what the file gives, and how a message shows it (without a comment).
ValueText ReadIniValue(std::string_view raw);
std::string_view ShownIniValue(std::string_view raw);
void ReadJsonSettings(std::string_view text, SettingsReceiver& receiver);

// How a problem quotes what the file wrote: control characters and bytes
// that are not UTF-8 escaped, so the message cannot garble a terminal.
inline std::string Quoted(std::string_view text) { return "'" + Printable(text) + "'"; }

}  // namespace ombrel::cli

#include "cli/settings_change.h"

#include <algorithm>

#include "cli/command_table.h"
#include "cli/settings_file.h"
#include "cli/settings_syntax.h"

namespace ombrel::cli {
namespace {

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

constexpr std::string_view kSections[] = {"wifi", "fan"};

// "wifi.channel" for a key given without its section, when one has it.
std::optional<std::string> SectionOfKey(std::string_view key) {
  for (std::string_view section : kSections) {
    const auto keys = SectionKeys(section);
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) return std::string(section) + "." + std::string(key);
  }
  return std::nullopt;
}

}  // namespace

SettingChange ParseSettingChange(std::string_view words, std::string_view prefix) {
  SettingChange change;
  const auto equals = words.find('=');
  const std::string_view name = Trim(words.substr(0, equals));
  // The value is shown only once the key is known not to be a password.
  const auto hideValue = [&] {
    if (equals != std::string_view::npos) change.shown = std::string(prefix) + Printable(words.substr(0, equals)) + "=...";
  };
  change.shown = std::string(prefix) + Printable(words);
  if (equals == std::string_view::npos) {
    change.problem = "expected SECTION.KEY=VALUE, e.g. wifi.channel=11";
    return change;
  }
  const auto dot = name.find('.');
  if (dot == std::string_view::npos) {
    hideValue();
    const auto full = SectionOfKey(Lower(name));
    change.problem = "expected SECTION.KEY=VALUE" + (full ? " (did you mean " + *full + "?)" : std::string(", e.g. wifi.channel=11"));
    return change;
  }
  change.section = Lower(Trim(name.substr(0, dot)));
  change.key = Lower(Trim(name.substr(dot + 1)));
  change.value = std::string(Trim(words.substr(equals + 1)));
  if (std::find(std::begin(kSections), std::end(kSections), change.section) == std::end(kSections)) {
    hideValue();
    change.problem = "unknown section " + Quoted(change.section) + " (there are wifi and fan)";
    return change;
  }
  const auto keys = SectionKeys(change.section);
  if (std::find(keys.begin(), keys.end(), change.key) == keys.end()) {
    // A mistyped key may be the password's.
    hideValue();
    const auto nearest = Nearest(change.key, keys);
    change.problem = "[" + change.section + "] unknown key " + Quoted(change.key) +
                     (nearest ? " (did you mean " + std::string(*nearest) + "?)" : std::string());
    return change;
  }
  if (change.key == "password") hideValue();
  return change;
}

std::optional<std::size_t> EarlierChange(std::span<const SettingChange> changes, std::size_t index) {
  const SettingChange& c = changes[index];
  for (std::size_t i = 0; i < index; ++i) {
    if (changes[i].problem.empty() && changes[i].section == c.section && changes[i].key == c.key) return i;
  }
  return std::nullopt;
}

std::string GivenTwice(const SettingChange& change, const SettingChange& first) {
  return change.section + "." + change.key + " is given twice (first " + first.shown + ")";
}

std::vector<std::string> SettingChangeProblems(std::span<const std::string> words, std::string_view prefix) {
  std::vector<SettingChange> changes;
  for (const std::string& w : words) changes.push_back(ParseSettingChange(w, prefix));
  std::vector<std::string> problems;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const SettingChange& c = changes[i];
    if (!c.problem.empty()) problems.push_back(c.shown + ": " + c.problem);
    else if (const auto first = EarlierChange(changes, i)) problems.push_back(c.shown + ": " + GivenTwice(c, changes[*first]));
  }
  return problems;
}

}  // namespace ombrel::cli

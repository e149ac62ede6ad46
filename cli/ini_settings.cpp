#include "cli/settings_syntax.h"

#include <string>

#include "cli/unit_text.h"

namespace ombrel::cli {
namespace {

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool StartsComment(std::string_view text) { return !text.empty() && (text.front() == ';' || text.front() == '#'); }

// A bare value without its comment: ';' or '#' after a blank starts one.
std::string_view WithoutComment(std::string_view raw, bool& cut) {
  for (std::size_t i = 1; i < raw.size(); ++i) {
    if ((raw[i] == ';' || raw[i] == '#') && (raw[i - 1] == ' ' || raw[i - 1] == '\t')) {
      cut = true;
      return Trim(raw.substr(0, i));
    }
  }
  cut = false;
  return raw;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A value as the file gives it: quoted with escapes, or bare. A quoted
// text takes only \" \\ and \xHH, so a Windows path or a regular
// expression copied in is refused rather than changed.
ValueText ReadValue(std::string_view raw) {
  ValueText result;
  if (raw.empty() || raw.front() != '"') {
    bool cut = false;
    auto decoded = UnitTextOfUtf8(WithoutComment(raw, cut));
    result.text = std::move(decoded.text);
    result.problem = std::move(decoded.problem);
    result.cutAtComment = cut;
    return result;
  }
  std::string pending;
  const auto flush = [&]() -> bool {
    auto decoded = UnitTextOfUtf8(pending);
    pending.clear();
    if (!decoded.problem.empty()) {
      result.problem = decoded.problem;
      return false;
    }
    result.text += decoded.text;
    return true;
  };
  std::size_t i = 1;
  for (; i < raw.size() && raw[i] != '"'; ++i) {
    if (raw[i] != '\\') {
      pending += raw[i];
      continue;
    }
    if (++i >= raw.size()) break;
    const char e = raw[i];
    char16_t code = 0;
    if (e == '"' || e == '\\') {
      code = static_cast<char16_t>(e);
    } else if (e == 'x') {
      const int high = i + 1 < raw.size() ? HexDigit(raw[i + 1]) : -1;
      const int low = i + 2 < raw.size() ? HexDigit(raw[i + 2]) : -1;
      if (high < 0 || low < 0) {
        result.problem = "has \\x without two hex digits after it (\\xHH is the byte HH)";
        return result;
      }
      code = static_cast<char16_t>(high * 16 + low);
      i += 2;
    } else {
      result.problem = "has an unknown escape \\" + Printable(FirstCharacter(raw.substr(i))) +
                       "; a quoted text takes \\\", \\\\ and \\xHH (write \\\\ for a backslash)";
      return result;
    }
    if (!flush()) return result;
    result.text += code;
  }
  if (i >= raw.size()) {
    result.problem = "lacks its closing quote";
    return result;
  }
  const std::string_view after = Trim(raw.substr(i + 1));
  if (!after.empty() && !StartsComment(after)) {
    result.problem = "has text after its closing quote";
    return result;
  }
  flush();
  return result;
}

}  // namespace

ValueText ReadIniValue(std::string_view raw) { return ReadValue(raw); }

std::string_view ShownIniValue(std::string_view raw) {
  bool cut = false;
  return WithoutComment(raw, cut);
}

void ReadIniSettings(std::string_view text, SettingsReceiver& c) {
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || StartsComment(line)) continue;

    if (line.front() == '[') {
      // A comment may follow the header: "[wifi] ; the main unit".
      const auto close = line.find(']');
      if (close == std::string_view::npos || !(close + 1 == line.size() || StartsComment(Trim(line.substr(close + 1))))) {
        c.Problem(lineNumber, "a section header ends with ']' (a comment may follow it)");
        c.IgnoreSection();
        continue;
      }
      c.Section(std::string(Trim(line.substr(1, close - 1))), lineNumber);
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      c.Problem(lineNumber, "expected 'key = value', found " + Quoted(line));
      continue;
    }
    const std::string_view raw = Trim(line.substr(equals + 1));
    c.Value(std::string(Trim(line.substr(0, equals))), lineNumber, ShownIniValue(raw), ReadValue(raw));
  }
}

}  // namespace ombrel::cli

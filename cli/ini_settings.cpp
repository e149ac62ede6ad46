#include "cli/settings_syntax.h"

#include <cctype>
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

// A bare value without its comment: ';' or '#' after a blank starts one.
std::string_view WithoutComment(std::string_view raw) {
  for (std::size_t i = 1; i < raw.size(); ++i) {
    if ((raw[i] == ';' || raw[i] == '#') && (raw[i - 1] == ' ' || raw[i - 1] == '\t')) return Trim(raw.substr(0, i));
  }
  return raw;
}

// A value as the file gives it: quoted with escapes, or bare.
ValueText ReadValue(std::string_view raw) {
  ValueText result;
  if (raw.empty() || raw.front() != '"') {
    auto decoded = UnitTextOfUtf8(WithoutComment(raw));
    return {std::move(decoded.text), std::move(decoded.problem)};
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
    } else if (e == 'n') {
      code = u'\n';
    } else if (e == 'r') {
      code = u'\r';
    } else if (e == 't') {
      code = u'\t';
    } else if (e == 'x' && i + 2 < raw.size() && std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
      code = static_cast<char16_t>(std::stoi(std::string(raw.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      result.problem = std::string("has an unknown escape \\") + e + " (use \\\", \\\\, \\n, \\r, \\t or \\xHH)";
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
  if (!after.empty() && after.front() != ';' && after.front() != '#') {
    result.problem = "has text after its closing quote";
    return result;
  }
  flush();
  return result;
}

}  // namespace

void ReadIniSettings(std::string_view text, SettingsReceiver& c) {
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    line = Trim(line);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;

    if (line.front() == '[') {
      if (line.back() != ']') {
        c.Problem(lineNumber, "a section header ends with ']'");
        c.IgnoreSection();
        continue;
      }
      c.Section(std::string(Trim(line.substr(1, line.size() - 2))), lineNumber);
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      c.Problem(lineNumber, "expected 'key = value', found " + Quoted(line));
      continue;
    }
    const std::string_view raw = Trim(line.substr(equals + 1));
    c.Value(std::string(Trim(line.substr(0, equals))), lineNumber, WithoutComment(raw), ReadValue(raw));
  }
}

}  // namespace ombrel::cli

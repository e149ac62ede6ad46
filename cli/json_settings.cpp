#include "cli/settings_syntax.h"

#include <cctype>
#include <string>

#include "cli/unit_text.h"
#include "hid/utf16.h"

namespace ombrel::cli {
namespace {

// JSON as `read --json` prints it: an object of sections, each an object of
// keys with strings, numbers or true/false.
class JsonReader {
 public:
  JsonReader(std::string_view text, SettingsReceiver& c) : text_(text), c_(c) {}

  void Read() {
    Blank();
    if (!Expect('{')) return;
    if (Peek() == '}') {
      ++at_;
      return End();
    }
    for (;;) {
      Blank();
      const std::size_t line = line_;
      std::string section;
      if (!String(section)) return;
      Blank();
      if (!Expect(':')) return;
      Blank();
      const bool known = c_.Section(section, line);
      if (!Expect('{')) return;
      if (!Members(known)) return;
      c_.LeaveSection();
      Blank();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      if (!Expect('}')) return;
      return End();
    }
  }

 private:
  bool Members(bool known) {
    Blank();
    if (Peek() == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      Blank();
      const std::size_t line = line_;
      std::string key;
      if (!String(key)) return false;
      Blank();
      if (!Expect(':')) return false;
      Blank();
      std::string shown, utf8;
      if (Peek() == '"') {
        const std::size_t start = at_;
        if (!String(utf8)) return false;
        shown = std::string(text_.substr(start, at_ - start));
      } else {
        const std::size_t start = at_;
        while (at_ < text_.size() && std::string_view(",}] \t\r\n").find(text_[at_]) == std::string_view::npos) ++at_;
        shown = std::string(text_.substr(start, at_ - start));
        if (shown == "true") utf8 = "yes";
        else if (shown == "false") utf8 = "no";
        else utf8 = shown;  // a number, or what the key's check will refuse
        if (shown.empty()) return Fail("expected a value");
      }
      if (known) {
        auto decoded = UnitTextOfUtf8(utf8);
        c_.Value(key, line, shown, {std::move(decoded.text), std::move(decoded.problem)});
      }
      Blank();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      return Expect('}');
    }
  }

  // A JSON string, its escapes undone, as UTF-8.
  bool String(std::string& out) {
    if (!Expect('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      const char ch = text_[at_++];
      if (ch == '\n') return Fail("a string ends on its own line");
      if (ch != '\\') {
        out += ch;
        continue;
      }
      if (at_ >= text_.size()) break;
      const char e = text_[at_++];
      switch (e) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          if (at_ + 4 > text_.size()) return Fail("a \\u escape takes four hex digits");
          unsigned code = 0;
          for (int k = 0; k < 4; ++k) {
            const char h = text_[at_++];
            if (!std::isxdigit(static_cast<unsigned char>(h))) return Fail("a \\u escape takes four hex digits");
            code = code * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (h | 0x20) - 'a' + 10);
          }
          // As UTF-8; a character the unit cannot store is refused by the key's check.
          AppendUtf8(out, code);
          break;
        }
        default: return Fail(std::string("unknown escape \\") + e);
      }
    }
    return Expect('"');
  }

  void Blank() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
      if (text_[at_] == '\n') ++line_;
      ++at_;
    }
  }

  char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

  bool Expect(char ch) {
    if (Peek() == ch) {
      ++at_;
      return true;
    }
    return Fail(std::string("expected '") + ch + "'" +
                (at_ < text_.size() ? ", found '" + std::string(1, text_[at_]) + "'" : " before the end"));
  }

  bool Fail(const std::string& what) {
    c_.Problem(line_, "JSON: " + what);
    c_.Abandon();
    return false;
  }

  void End() {
    Blank();
    if (at_ < text_.size()) Fail("text after the closing '}'");
  }

  std::string_view text_;
  SettingsReceiver& c_;
  std::size_t at_ = 0;
  std::size_t line_ = 1;
};

}  // namespace

void ReadJsonSettings(std::string_view text, SettingsReceiver& receiver) { JsonReader(text, receiver).Read(); }

}  // namespace ombrel::cli

#include "cli/settings_syntax.h"

#include <cstdint>
#include <string>

#include "cli/unit_text.h"
#include "hid/utf16.h"

namespace ombrel::cli {
namespace {

// Deeper arrays and objects than any settings file has are refused before
// they use up the stack.
constexpr int kMaxDepth = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// JSON's number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view t) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    return i > start;
  };
  if (i < t.size() && t[i] == '-') ++i;
  if (i < t.size() && t[i] == '0') ++i;
  else if (!digits()) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == t.size();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// JSON as `read --json` prints it: an object of sections, each an object of
// keys with strings, numbers or true/false. The receiver checks each value's
// type against its key.
class JsonReader {
 public:
  JsonReader(std::string_view text, SettingsReceiver& c) : text_(text), c_(c) {}

  void Read() {
    Blank();
    if (Peek() == '[') {
      Fail("expected a JSON object ({\"wifi\": {...}, \"fan\": {...}}), found an array");
      return;
    }
    if (!Expect('{')) return;
    Blank();
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
      const std::size_t start = at_;
      std::string utf8;
      ValueForm form = ValueForm::Null;
      if (!Value(utf8, form, 0)) return false;
      const std::string_view shown = text_.substr(start, at_ - start);
      if (known) {
        auto decoded = UnitTextOfUtf8(utf8);
        c_.Value(key, line, shown, {std::move(decoded.text), std::move(decoded.problem), form, false});
      }
      Blank();
      if (Peek() == ',') {
        ++at_;
        continue;
      }
      return Expect('}');
    }
  }

  // Any JSON value. A string gives its text, true and false give yes and
  // no, a number its digits; an array or an object is read past.
  bool Value(std::string& utf8, ValueForm& form, int depth) {
    if (depth > kMaxDepth) return Fail("arrays and objects nest too deep");
    const char first = Peek();
    if (first == '"') {
      form = ValueForm::String;
      return String(utf8);
    }
    if (first == '[' || first == '{') {
      form = first == '[' ? ValueForm::Array : ValueForm::Object;
      return Nested(depth);
    }
    const std::size_t start = at_;
    while (at_ < text_.size() && std::string_view(",:{}[]\" \t\r\n").find(text_[at_]) == std::string_view::npos) ++at_;
    const std::string_view token = text_.substr(start, at_ - start);
    if (token.empty()) {
      return Fail("expected a value" +
                  (at_ < text_.size() ? ", found " + Quoted(FirstCharacter(text_.substr(at_))) : std::string(" before the end")));
    }
    if (token == "true" || token == "false") {
      form = ValueForm::Boolean;
      utf8 = token == "true" ? "yes" : "no";
    } else if (token == "null") {
      form = ValueForm::Null;
    } else if (IsJsonNumber(token)) {
      form = ValueForm::Number;
      utf8 = token;
    } else {
      return Fail("expected a value (a string, a number, true, false or null), found " + Quoted(token));
    }
    return true;
  }

  // An array or an object, read to its end.
  bool Nested(int depth) {
    const char close = Peek() == '[' ? ']' : '}';
    ++at_;
    Blank();
    if (Peek() == close) {
      ++at_;
      return true;
    }
    for (;;) {
      Blank();
      std::string ignored;
      ValueForm form = ValueForm::Null;
      if (close == '}') {
        if (!String(ignored)) return false;
        Blank();
        if (!Expect(':')) return false;
        Blank();
      }
      if (!Value(ignored, form, depth + 1)) return false;
      Blank();
      if (Peek() != ',') return Expect(close);
      ++at_;
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
          std::uint32_t code = 0;
          if (!Hex4(code)) return false;
          // A pair of surrogates is one character.
          std::uint32_t low = 0;
          if (code >= 0xD800 && code <= 0xDBFF && text_.substr(at_).starts_with("\\u")) {
            const std::size_t before = at_;
            at_ += 2;
            if (!Hex4(low)) return false;
            if (low >= 0xDC00 && low <= 0xDFFF) code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            else at_ = before;
          }
          // As UTF-8; a character the unit cannot store is refused by the key's check.
          AppendUtf8(out, static_cast<char32_t>(code));
          break;
        }
        default: return Fail("unknown escape \\" + Printable(FirstCharacter(text_.substr(at_ - 1))));
      }
    }
    return Expect('"');
  }

  bool Hex4(std::uint32_t& code) {
    for (int k = 0; k < 4; ++k) {
      const int digit = at_ < text_.size() ? HexDigit(text_[at_]) : -1;
      if (digit < 0) return Fail("a \\u escape takes four hex digits");
      code = code * 16 + static_cast<std::uint32_t>(digit);
      ++at_;
    }
    return true;
  }

  void Blank() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
      if (text_[at_] == '\n') ++line_;
      ++at_;
    }
  }

  char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

  bool Expect(char ch) {
    if (Peek() == ch && at_ < text_.size()) {
      ++at_;
      return true;
    }
    return Fail(std::string("expected '") + ch + "'" +
                (at_ < text_.size() ? ", found " + Quoted(FirstCharacter(text_.substr(at_))) : " before the end"));
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

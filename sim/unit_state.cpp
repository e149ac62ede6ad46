#include "sim/unit_state.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "sim/factory_settings.h"

namespace ombrel::sim {
namespace {

constexpr std::string_view kHeader = "ombrel-demo-state 1";
constexpr std::string_view kEnd = "end";
constexpr std::string_view kNoBytes = "-";
// One report's worth of count: no text the unit takes is longer.
constexpr std::size_t kMaxTextBytes = 255;
constexpr std::size_t kMaxSerialLength = 64;

bool IsTextSetting(ParamID id) { return id == Param_Wi_Fi_name || id == Param_Wi_Fi_password; }

// Whether a value of `size` bytes is one the unit keeps for `id`: texts up
// to a count's worth, the rest exactly as long as their factory value.
bool Fits(ParamID id, std::size_t size) {
  if (id == Param_Timer_filter) return size == 3;
  if (IsTextSetting(id)) return size <= kMaxTextBytes;
  static const auto factory = FactorySettings();
  const auto it = factory.find(id);
  return it != factory.end() && it->second.size() == size;
}

bool IsSerial(std::string_view serial) {
  return !serial.empty() && serial.size() <= kMaxSerialLength &&
         std::all_of(serial.begin(), serial.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Report> ParseHex(std::string_view hex) {
  if (hex == kNoBytes) return Report{};
  if (hex.size() % 2 != 0 || hex.size() > 2 * kMaxTextBytes) return std::nullopt;
  Report bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = HexDigit(hex[i]);
    const int low = HexDigit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

std::optional<ParamID> ParseId(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value > 255) return std::nullopt;
  return static_cast<ParamID>(value);
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    if (line[at] == ' ' || line[at] == '\t') {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    fields.push_back(line.substr(at, end - at));
    at = end;
  }
  return fields;
}

// The text's lines without their "\n" (or "\r\n", as an editor may leave).
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

SavedValues SaveUnit(const UnitModel& unit) {
  SavedValues values = unit.StoredSettings();
  const auto filter = SecondsBytes(unit.FilterRunSeconds());
  values[Param_Timer_filter].assign(filter.begin(), filter.end());
  return values;
}

void RestoreUnit(UnitModel& unit, const SavedValues& values) {
  unit.LoadStoredSettings(values);
  if (const auto filter = values.find(Param_Timer_filter); filter != values.end() && filter->second.size() == 3) {
    unit.SetFilterRunSeconds(SecondsFromBytes(std::span<const std::uint8_t, 3>(filter->second.data(), 3)));
  }
}

std::string FormatSavedUnits(const SavedUnits& units) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(kHeader);
  text += '\n';
  for (const auto& [serial, values] : units) {
    // Nothing is written that would not read back.
    if (!IsSerial(serial)) continue;
    for (const auto& [id, bytes] : values) {
      if (!Fits(id, bytes.size())) continue;
      text += serial + ' ' + std::to_string(id) + ' ';
      if (bytes.empty()) text += kNoBytes;
      for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xf];
      }
      text += '\n';
    }
  }
  text += kEnd;
  text += '\n';
  return text;
}

std::optional<SavedUnits> ParseSavedUnits(std::string_view text) {
  const std::vector<std::string_view> lines = Lines(text);
  if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kEnd) return std::nullopt;
  SavedUnits units;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const auto fields = Fields(lines[i]);
    if (fields.size() != 3 || !IsSerial(fields[0])) return std::nullopt;
    const auto id = ParseId(fields[1]);
    const auto bytes = ParseHex(fields[2]);
    if (!id || !bytes || !Fits(*id, bytes->size())) return std::nullopt;
    if (!units[std::string(fields[0])].emplace(*id, *bytes).second) return std::nullopt;
  }
  return units;
}

}  // namespace ombrel::sim

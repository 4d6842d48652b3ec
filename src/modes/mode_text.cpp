#include "modes/mode_text.h"

#include <algorithm>
#include <charconv>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Every field of `text`: one more than it has commas.
std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (size_t comma; (comma = text.find(',')) != std::string_view::npos; text.remove_prefix(comma + 1)) {
    fields.push_back(text.substr(0, comma));
  }
  fields.push_back(text);
  return fields;
}

}  // namespace

std::string DepthText(int32_t bitsPerPel) {
  if (bitsPerPel == 4) return "16 colors";
  if (bitsPerPel == 8) return "256 colors";
  if (bitsPerPel <= 24) return "24bit color";
  return "32bit color";
}

std::string ModeText(int32_t width, int32_t height, std::string_view depth, std::string_view rate) {
  std::string text = std::to_string(width);
  text += " x ";
  text += std::to_string(height);
  text += ", ";
  text += depth;
  text += ", ";
  text += rate;
  return text;
}

std::string ModeText(const DevMode& mode) {
  // The driver's 0 and 1 both stand for the hardware's own rate.
  const std::string rate =
      mode.dmDisplayFrequency > 1 ? std::to_string(mode.dmDisplayFrequency) + " Hz" : "(Hardware default)";
  return ModeText(mode.dmPelsWidth, mode.dmPelsHeight, DepthText(mode.dmBitsPerPel), rate);
}

std::string MetricsText(const ScreenMetrics& s) {
  return std::to_string(s.horzRes) + " x " + std::to_string(s.vertRes) + ", " + std::to_string(s.bitsPixel) +
         " bits per pixel, " + std::to_string(s.vRefresh) + " Hz (not listed)";
}

std::string_view Field(std::string_view text, ModeField field) {
  for (auto index = static_cast<size_t>(field); index > 0; --index) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return {};
    text.remove_prefix(comma + 1);
  }
  return text.substr(0, text.find(','));
}

std::string RefreshText(std::string_view text) {
  std::string_view rate = Field(text, ModeField::Rate);
  const size_t first = rate.find_first_not_of(' ');
  if (first == std::string_view::npos) return " Hz";
  rate = rate.substr(first, rate.find_last_not_of(' ') - first + 1);
  return ReplaceAll(rate, " Hz", "") + " Hz";
}

// A tag that is no mode text (the mode in force was never found) lends empty fields, so the
// text names no mode.
std::string AtDepth(std::string_view text, std::string_view depth) {
  std::string out(Field(text, ModeField::Size));
  out += ", ";
  out += depth;
  out += ",";
  out += Field(text, ModeField::Rate);
  return out;
}

namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A whole number and nothing else: no sign, no letters after it.
bool Whole(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && text.front() != '-' && ec == std::errc{} && ptr == end;
}

}  // namespace

std::optional<ModeParts> TakeApart(std::string_view text) {
  if (std::count(text.begin(), text.end(), ',') != 2) return std::nullopt;
  ModeParts parts;
  const std::string size = LowerCase(Trimmed(Field(text, ModeField::Size)));
  const size_t x = size.find(" x ");
  if (x == std::string::npos || !Whole(Trimmed(std::string_view(size).substr(0, x)), parts.width) ||
      !Whole(Trimmed(std::string_view(size).substr(x + 3)), parts.height)) {
    return std::nullopt;
  }
  parts.depth = std::string(Trimmed(Field(text, ModeField::Depth)));
  const std::string rate = LowerCase(Trimmed(Field(text, ModeField::Rate)));
  if (rate == "(hardware default)") return parts;
  if (!rate.ends_with(" hz") || !Whole(Trimmed(std::string_view(rate).substr(0, rate.size() - 3)), parts.rate)) {
    return std::nullopt;
  }
  return parts.depth.empty() ? std::nullopt : std::optional(parts);
}

std::vector<std::string> DepthTexts(std::span<const std::string> rows) {
  std::string depths;
  for (const std::string& row : rows) {
    std::string key = ",";
    key += Field(row, ModeField::Depth);
    if (depths.find(key) == std::string::npos) depths += key;
  }
  depths = ReplaceAll(depths, ", ", ",");
  const std::vector<std::string_view> fields = SplitFields(depths);
  return {fields.begin() + 1, fields.end()};  // the list starts with its separator
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
  return lower;
}

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
  std::string out;
  for (size_t at; !what.empty() && (at = text.find(what)) != std::string_view::npos;) {
    out.append(text.substr(0, at)).append(with);
    text.remove_prefix(at + what.size());
  }
  return out.append(text);
}

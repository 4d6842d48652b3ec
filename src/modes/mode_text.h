#pragma once
// The mode text, the one-line name of a mode everywhere in the program (list rows, menu
// captions, presets): "1024 x 768, 32bit color, 75 Hz", or with "(Hardware default)" as its
// rate part. Three fields separated by ",": the size, the depth text and the rate part, the
// second and third each starting with a blank. Everything that builds or takes one apart is
// here.
#include <cstddef>
#include <cstdint>
#include <span>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devmode.h"
#include "platform/display.h"

// The depth as a mode text shows it: 16- and 24-bit modes both read "24bit color".
std::string DepthText(int32_t bitsPerPel);
// "W x H, DEPTH, RATE", the rate part given whole ("75 Hz", "(Hardware default)").
std::string ModeText(int32_t width, int32_t height, std::string_view depth, std::string_view rate);
std::string ModeText(const DevMode& mode);
// The screen's own figures, for a mode in force that no listed mode matches: they name its
// bits per pixel, which no mode text does.
std::string MetricsText(const ScreenMetrics& screen);

enum class ModeField : size_t { Size = 0, Depth = 1, Rate = 2 };
// That field of `text` as it stands, leading blank included; empty when the text has fewer.
std::string_view Field(std::string_view text, ModeField field);
// The rate part of a mode text, ending in " Hz": "75 Hz", or "(Hardware default) Hz".
std::string RefreshText(std::string_view text);
// `text`'s size and rate part at the depth `depth`: what "Select Color Depth" looks for.
std::string AtDepth(std::string_view text, std::string_view depth);
// A mode text taken apart: what a user typed, letter case and blanks around the fields aside.
struct ModeParts {
  int32_t width = 0, height = 0;
  std::string depth;  // as the text writes it
  int32_t rate = 0;   // whole hertz; 0 for "(Hardware default)"
};
std::optional<ModeParts> TakeApart(std::string_view text);

// The distinct depth texts of `rows`, in the order of their first rows.
std::vector<std::string> DepthTexts(std::span<const std::string> rows);

// Equal once ASCII letters are lower-cased; mode texts hold no other letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
std::string LowerCase(std::string_view text);
// `text` with every occurrence of `what` replaced by `with`.
std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view with);

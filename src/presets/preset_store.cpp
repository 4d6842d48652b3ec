#include "presets/preset_store.h"

#include "app_info.h"
#include "platform/settings.h"
#include "window/form1.h"

namespace {

// Defaults tried, in order, when a preset's stored value names no offered mode; each is
// completed with the refresh text of the mode in force.
constexpr std::string_view kCandidates[kPresetCount][2] = {
    {"1600 x 1200, 32bit color, ", "1280 x 1024, 32bit color, "},
    {"1024 x 768, 32bit color, ", {}},
    {"800 x 600, 32bit color, ", {}},
    {"640 x 480, 32bit color, ", {}},
};

}  // namespace

std::string RefreshText(std::string_view modeText) {
  std::string_view rate = TextField(modeText, 2);
  const size_t first = rate.find_first_not_of(' ');
  if (first == std::string_view::npos) return " Hz";
  rate = rate.substr(first, rate.find_last_not_of(' ') - first + 1);
  return ReplaceAll(rate, " Hz", "") + " Hz";
}

std::string LoadPreset(Settings& settings, size_t n, const std::string& refreshText,
                       const std::function<int32_t(const std::string&)>& find) {
  std::string value = settings.read(app::kTitle, kPresetSection, PresetKey(n), "");
  if (find(value) != -1) return value;
  // Without a mode in force there is no rate to build a default from.
  for (std::string_view prefix : kCandidates[n]) {
    if (refreshText.empty() || prefix.empty()) break;
    std::string candidate = std::string(prefix) + refreshText;
    if (find(candidate) != -1) return candidate;
  }
  return {};
}

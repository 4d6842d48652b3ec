#include "presets/preset_store.h"

#include "app_info.h"
#include "modes/mode_text.h"
#include "platform/settings.h"

namespace {

// Defaults tried, in order, when a preset's stored value names no offered mode: sizes at 32
// bits, each completed with the refresh text of the mode in force. A size of 0 tries nothing.
struct Size {
  int32_t width = 0, height = 0;
};
constexpr Size kCandidates[kPresetCount][2] = {
    {{1600, 1200}, {1280, 1024}},
    {{1024, 768}, {}},
    {{800, 600}, {}},
    {{640, 480}, {}},
};

}  // namespace

std::string LoadPreset(Settings& settings, size_t n, const std::string& refreshText,
                       const std::function<int32_t(const std::string&)>& find) {
  std::string value = settings.read(app::kTitle, kPresetSection, PresetKey(n), "");
  if (find(value) != -1) return value;
  // Without a mode in force there is no rate to build a default from.
  for (const Size& size : kCandidates[n]) {
    if (refreshText.empty() || size.width == 0) break;
    std::string candidate = ModeText(size.width, size.height, DepthText(32), refreshText);
    if (find(candidate) != -1) return candidate;
  }
  return {};
}

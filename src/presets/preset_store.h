#pragma once
// How a preset is read from the store, shared by the tray's start-up and tarnvelctl.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class Settings;

inline constexpr size_t kPresetCount = 4;
// Where preset n (0 to 3) is stored, under the application's title: "Settings", "d1" to "d4".
inline constexpr std::string_view kPresetSection = "Settings";
inline std::string PresetKey(size_t n) { return "d" + std::to_string(n + 1); }

// Preset `n` (0 to 3) as the program uses it: the stored value when `find` names a listed
// mode with it, else the first of the preset's defaults, completed with `refreshText`, that
// `find` names, else empty. `find` gives a mode text's row, or -1. An empty `refreshText`
// (no mode in force) builds no default. Nothing is written.
std::string LoadPreset(Settings& settings, size_t n, const std::string& refreshText,
                       const std::function<int32_t(const std::string&)>& find);

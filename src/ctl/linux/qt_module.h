#pragma once
// What tarnvelctl's Qt module offers, looked up by name once the module is loaded.
#include "desktop/desktop_display.h"
#include "platform/settings.h"

inline constexpr const char* kTarnvelctlQtModule = "tarnvelctl-qt.so";

extern "C" {
// Mutter's display service when it is on the session bus, else null; the caller owns it.
desktop::System* TarnvelctlMutterDesk();
using TarnvelctlMutterDeskFn = desktop::System* (*)();
// The settings file, as the tray program reads it; the caller owns it.
Settings* TarnvelctlSettings();
using TarnvelctlSettingsFn = Settings* (*)();
}

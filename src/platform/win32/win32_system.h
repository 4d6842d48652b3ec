#pragma once
// The Windows backends: user32/gdi32 display settings, the registry and the shell's notify
// icon; what tarnvelctl.exe shares with the tray program.
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/display.h"
#include "platform/settings.h"
#include "platform/shell.h"

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// The system's words for an error code, without the full stop.
std::string SystemMessage(DWORD code);

// The display device named `device` (\\.\DISPLAY2), or the primary one when none is named.
class Win32Display final : public DisplayDriver {
 public:
  explicit Win32Display(std::string device = {}) : device_(std::move(device)) {}
  bool enumMode(int32_t modeNum, DevMode& mode) override;
  ScreenMetrics metrics() override;
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

 private:
  const char* device() const { return device_.empty() ? nullptr : device_.c_str(); }
  std::string device_;
};

// A display device attached to the desktop, with its mode in force and where the system put it.
struct AttachedDisplay {
  std::string name;
  DevMode mode{};
  int32_t x = 0, y = 0;
  bool primary = false;
};
std::vector<AttachedDisplay> AttachedDisplays();

// HKCU\Software\<app>\<section>, string values stored as UTF-16.
class Win32Settings final : public Settings {
 public:
  std::string read(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view fallback) override;
  bool write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) override;
  // Registry writes land as they are made: this reports whether the ones since the last
  // sync all did.
  bool sync() override { return std::exchange(ok_, true); }
  std::string unreadable(std::string_view app, std::string_view section) override;

 private:
  bool ok_ = true;
};

class Win32Shell final : public Shell {
 public:
  bool notifyIcon(uint32_t message, const NotifyIconData& data) override;
  // Windows always has a notification area: the taskbar's. When Explorer starts anew, the
  // icon goes back through TaskbarCreated.
  bool trayHostPresent() override { return true; }
  void execute(uintptr_t owner, const char* operation, const char* file, const char* parameters, const char* directory,
               int show) override;
};

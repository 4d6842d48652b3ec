#pragma once
// tarnvelctl's system on Linux: the tray program's display choice, arrangement record and
// settings file, without widgets. Qt is loaded only for a command that needs it (Mutter's
// service, the presets).
#include <memory>
#include <string>
#include <vector>

#include "ctl/notes.h"
#include "ctl/tarnvelctl.h"
#include "desktop/confirmed_display.h"
#include "desktop/desktop_display.h"
#include "platform/settings.h"
#include "platform/posix/posix_files.h"

typedef struct _XDisplay Display;

class LinuxHost final : public ctl::Host {
 public:
  ~LinuxHost() override;
  DisplayDriver* display(const std::string& monitor, std::string& why) override;
  std::optional<std::vector<ctl::Shown>> monitors(std::string& why) override;
  // The records of --remember are kept for the display server reached.
  ctl::Notes& notes() override;
  // The settings file is read only when a preset is asked for.
  Settings& settings() override;

 private:
  desktop::System* reach(std::string& why);
  Display* openX();

  Display* x_ = nullptr;
  bool wayland_ = false;
  PosixFiles files_;
  std::unique_ptr<desktop::System> system_;
  std::unique_ptr<desktop::Memory> memory_;
  std::unique_ptr<desktop::DesktopDisplay> driver_;
  std::unique_ptr<ConfirmedDisplay> confirmed_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<ctl::FileNotes> notes_;
};

#pragma once
// tarnvelctl's system on Windows: the tray program's display settings and registry store. The
// system arranges the desk itself: a switch names one display device and nothing more.
#include <memory>
#include <string>
#include <vector>

#include "ctl/notes.h"
#include "ctl/tarnvelctl.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"

class WindowsHost final : public ctl::Host {
 public:
  WindowsHost();
  DisplayDriver* display(const std::string& monitor, std::string& why) override;
  std::optional<std::vector<ctl::Shown>> monitors(std::string& why) override;
  Settings& settings() override { return settings_; }
  ctl::Notes& notes() override { return notes_; }

 private:
  std::unique_ptr<Win32Display> display_;
  Win32Settings settings_;
  Win32Files files_;
  ctl::FileNotes notes_;
};

#pragma once
// tarnvelctl's console on Windows: the standard handles, and the console's own events.
#include "ctl/tarnvelctl.h"

class WindowsConsole final : public ctl::Console {
 public:
  bool out(std::string_view text) override;
  ctl::OutError outError() override { return error_; }
  void err(std::string_view text) override;
  // Ctrl+C and Ctrl+Break end the wait for an answer; a console that closes waits, a few
  // seconds at most, until the switch is taken back.
  void holdInterruptions() override;
  ctl::Answer answer(std::chrono::milliseconds timeout) override;
  void takenBack() override;

 private:
  ctl::OutError error_;
};

#pragma once
// tarnvelctl's console on POSIX systems: the standard descriptors and the signals.
#include <csignal>
#include <string>

#include "ctl/tarnvelctl.h"

// Standard output, standard error and standard input by their descriptors. Descriptors 0 to 2
// that were closed at start are opened on /dev/null first, so that no file the program opens
// later (the display's socket) takes their place; a standard output closed at start counts as
// one that cannot be written.
class PosixConsole final : public ctl::Console {
 public:
  PosixConsole();
  bool out(std::string_view text) override;
  ctl::OutError outError() override { return error_; }
  void err(std::string_view text) override;
  // Holds SIGINT, SIGTERM, SIGHUP and SIGPIPE, but those that were ignored at start (a shell's
  // background job starts with SIGINT ignored): the wait for an answer takes them, and no handler
  // runs at all.
  void holdInterruptions() override;
  ctl::Answer answer(std::chrono::milliseconds timeout) override;
  void takenBack() override {}

 private:
  bool outClosed_ = false;
  ctl::OutError error_;
  sigset_t held_{};
};

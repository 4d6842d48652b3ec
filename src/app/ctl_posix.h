#pragma once
// tarnvelctl's console and its records of --remember on Linux.
#include <csignal>
#include <filesystem>
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
  std::string outError() override { return error_; }
  void err(std::string_view text) override;
  // Holds SIGINT, SIGTERM, SIGHUP and SIGPIPE, but those that were ignored at start (a shell's
  // background job starts with SIGINT ignored): the wait for an answer takes them, and no handler
  // runs at all.
  void holdInterruptions() override;
  ctl::Answer answer(std::chrono::milliseconds timeout) override;
  void takenBack() override {}

 private:
  bool outClosed_ = false;
  std::string error_;
  sigset_t held_{};
};

// One small file a monitor in $XDG_RUNTIME_DIR/tarnvel/, which the system empties at logout:
// the record lives as long as the dynamic switch it undoes.
class RuntimeNotes final : public ctl::Notes {
 public:
  // `server` names the display server in a file name ("x11-0").
  explicit RuntimeNotes(std::string server) : server_(std::move(server)) {}
  Made make(const std::string& monitor, const std::string& mode, std::string& why) override;
  std::optional<std::string> read(const std::string& monitor) override;
  void forget(const std::string& monitor) override;

 private:
  std::optional<std::filesystem::path> path(const std::string& monitor, std::string& why) const;
  std::string server_;
};

// The name a monitor's or server's name has in a file name: letters, digits, ".", "-", "_".
std::string FileName(std::string_view name);

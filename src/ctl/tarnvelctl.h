#pragma once
// tarnvelctl: the tray program's switches from a terminal. Its arguments, its output and its
// exit codes; the modes, their texts, the lookup and the presets are the tray's own.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devmode.h"
#include "platform/display.h"

class Settings;

namespace ctl {

// What scripts test for.
namespace exit_code {
inline constexpr int kDone = 0;
inline constexpr int kUnreachable = 1;  // the display cannot be reached or read
inline constexpr int kUsage = 2;
inline constexpr int kNoMatch = 3;  // no listed mode matches, the preset is empty, or no such monitor
inline constexpr int kRefused = 4;  // the display refused the change, or it did not land
inline constexpr int kReverted = 5;
}  // namespace exit_code

inline constexpr std::string_view kUsage =
    "usage: tarnvelctl [--monitor NAME] list | current | presets | set [--revert-after SECONDS] MODE |"
    " preset [--revert-after SECONDS] N | monitors | --help | --version";

enum class Action { Help, Version, List, Current, Presets, Set, Preset, Monitors };

struct Command {
  Action action = Action::Help;
  std::string mode;      // set: MODE, its words joined with single spaces
  size_t preset = 0;     // preset: 1 to 4
  int revertAfter = 0;   // seconds to wait for a "y"; 0 asks nothing
  std::string monitor;   // the monitor to act on; empty: the primary one
};

// The command, or in `error` what was wrong with the arguments.
struct Parsed {
  Command command;
  std::string error;
};
Parsed ParseArgs(std::span<const std::string> args);

// WIDTHxHEIGHT[xBITS][@HZ], such as 1024x768 or 1920x1080x32@144.
struct ShortForm {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;  // 0: the depth in force
  int32_t hz = -1;   // -1: the rate in force where the size offers it, else its highest
};
std::optional<ShortForm> ParseShortForm(std::string_view word);

// The first of `modes` that `form` names, with `screen` the mode in force; -1 for none.
int32_t MatchShortForm(std::span<const DevMode> modes, const ShortForm& form, const ScreenMetrics& screen);

// A monitor that shows a picture, as "tarnvelctl monitors" prints it.
struct Shown {
  std::string name;
  DevMode mode{};  // the mode in force
  int32_t x = 0, y = 0;
  bool primary = false;
};

// What a platform gives a run; nothing is reached before a command needs it.
class Host {
 public:
  virtual ~Host() = default;
  // The display of the monitor named `monitor`, one that Monitors() lists; the primary one when
  // empty. Null when the display cannot be reached; `why` then says why.
  virtual DisplayDriver* display(const std::string& monitor, std::string& why) = 0;
  // Every monitor that shows a picture, members of a mirrored set each on their own; nothing
  // when the display cannot be reached or read (`why` says why).
  virtual std::optional<std::vector<Shown>> monitors(std::string& why) = 0;
  virtual Settings& settings() = 0;
};

// A line typed within the time, or why none came.
struct Answer {
  enum class Kind { Line, EndOfInput, TooLate } kind = Kind::TooLate;
  std::string line;
};
// Waits at most `timeout` for one line of `in`. The line is read on a thread of its own, which
// stays behind, blocked, when the time runs out: the process ends without waiting for it.
Answer ReadAnswer(std::istream& in, std::chrono::milliseconds timeout);

// Runs a command line (without the program's name) and returns its exit code. Results go to
// `out`, one item a line; errors, one line each, and the question of --revert-after to `err`.
int Run(std::span<const std::string> args, Host& host, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace ctl

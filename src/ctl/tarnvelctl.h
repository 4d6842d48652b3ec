#pragma once
// tarnvelctl: the tray program's switches from a terminal, a script, a game launcher or a
// streaming host's "do" and "undo". Its arguments, its output and its exit codes; the modes,
// their texts, the lookup and the presets are the tray's own.
#include <chrono>
#include <cstddef>
#include <cstdint>
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
inline constexpr int kNoMatch = 3;  // no listed mode matches, the preset is empty, no such monitor, nothing remembered
inline constexpr int kRefused = 4;  // the display refused the change, or it did not land
inline constexpr int kReverted = 5;
inline constexpr int kFileOrOutput = 6;  // a file or the output could not be read or written
}  // namespace exit_code

inline constexpr std::string_view kUsage =
    "usage: tarnvelctl [--monitor NAME] list | current | presets | monitors | restore |"
    " set [--revert-after SECONDS] [--remember] [--closest] MODE |"
    " preset [--revert-after SECONDS] [--remember] N | --help | --version";

enum class Action { Help, Version, List, Current, Presets, Monitors, Set, Preset, Restore };

struct Command {
  Action action = Action::Help;
  std::string mode;      // set: MODE, its words joined with single spaces
  size_t preset = 0;     // preset: 1 to 4
  int revertAfter = 0;   // seconds to wait for a "y"; 0 asks nothing
  std::string monitor;   // the monitor to act on; empty: the primary one
  bool remember = false;  // set, preset: keep the mode in force for restore, unless one is kept
  bool closest = false;   // set: the nearest listed mode when none matches
};

// The command, or in `error` what was wrong with the arguments.
struct Parsed {
  Command command;
  std::string error;
};
Parsed ParseArgs(std::span<const std::string> args);

// WIDTHxHEIGHT[xBITS][@HZ], such as 1024x768, 1920x1080x32@144 or 1366x768@59.94Hz: HZ may
// have a fraction (as a streaming host passes a client's rate) and end in "Hz", in any case.
struct ShortForm {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;  // 0: the depth in force
  double hz = -1;    // -1: the rate in force where the size offers it, else its highest
};
std::optional<ShortForm> ParseShortForm(std::string_view word);
// Whether `word` is written as a short form would be (digits, "x", "@", ".", "-", a trailing
// "Hz"), valid or not: one that is not valid is wrong usage, not a mode text to look up.
bool LooksLikeShortForm(std::string_view word);

// The first of `modes` that `form` names, with `screen` the mode in force; -1 for none. BITS
// are the bits per pixel; only where no mode of that size has them, the depth a mode text
// shows (x24 finds a 16-bit mode, which reads "24bit color"). A rate matches the listed rate
// nearest to it, less than 1 Hz away (59.94 is listed as 60 on X11, as 59 on Windows).
int32_t MatchShortForm(std::span<const DevMode> modes, const ShortForm& form, const ScreenMetrics& screen);

// What --closest looks for: a size, a depth (bits per pixel, or a depth text, or neither: the
// depth in force) and a rate (-1: the rate in force).
struct Wanted {
  int32_t width = 0, height = 0;
  int32_t bits = 0;
  std::string depth;
  double hz = -1;
};
// Of the modes at `rows`, the one of the wanted depth whose size is nearest (the sum of the
// width's and the height's differences), then whose rate is nearest; the first on a tie. -1
// when none has that depth.
int32_t Closest(std::span<const DevMode> modes, std::span<const int32_t> rows, const Wanted& wanted,
                const ScreenMetrics& screen);

// A monitor that shows a picture, as "tarnvelctl monitors" prints it.
struct Shown {
  std::string name;
  DevMode mode{};  // the mode in force
  int32_t x = 0, y = 0;
  bool primary = false;
};

// The modes remembered with --remember, one for each monitor, for a later run's restore.
class Notes {
 public:
  virtual ~Notes() = default;
  enum class Made { Created, AlreadyThere, Failed };
  // Keeps `mode` for `monitor` unless a mode is kept for it already: made whole and at once, or
  // not at all (`why` then says why).
  virtual Made make(const std::string& monitor, const std::string& mode, std::string& why) = 0;
  // The mode kept for `monitor`; nothing when none is.
  virtual std::optional<std::string> read(const std::string& monitor) = 0;
  virtual void forget(const std::string& monitor) = 0;
  // The monitors a mode is kept for.
  virtual std::vector<std::string> kept() = 0;
};

// What a platform gives a run; nothing is reached before a command needs it.
class Host {
 public:
  virtual ~Host() = default;
  // The display of the monitor named `monitor`, one that monitors() lists; the primary one when
  // empty. Null when the display cannot be reached; `why` then says why.
  virtual DisplayDriver* display(const std::string& monitor, std::string& why) = 0;
  // Every monitor that shows a picture, members of a mirrored set each on their own; nothing
  // when the display cannot be reached or read (`why` says why).
  virtual std::optional<std::vector<Shown>> monitors(std::string& why) = 0;
  virtual Settings& settings() = 0;
  virtual Notes& notes() = 0;
};

// A line typed within the time, or why none came.
struct Answer {
  enum class Kind { Line, EndOfInput, TooLate, Interrupted } kind = Kind::TooLate;
  std::string line;
  std::string why;  // what interrupted: "interrupted", "terminated", "hung up", "output closed"
};

// Why standard output could not be written.
struct OutError {
  enum class Kind { Closed, Failed } kind = Kind::Failed;  // Closed: its reader went away
  std::string text;                                         // as the system says it
};

// Where a run's text goes and its answer comes from: results on standard output, errors and
// the question of --revert-after on standard error.
class Console {
 public:
  virtual ~Console() = default;
  // Writes `text` whole to standard output; false when it could not be written.
  virtual bool out(std::string_view text) = 0;
  // Why the last out() failed.
  virtual OutError outError() = 0;
  virtual void err(std::string_view text) = 0;
  // From now on, what would end the program (Ctrl+C, a signal, its console closing) ends the
  // wait for an answer instead, so that the switch before it can be taken back.
  virtual void holdInterruptions() = 0;
  // Waits at most `timeout` for one line of standard input.
  virtual Answer answer(std::chrono::milliseconds timeout) = 0;
  // The switch was taken back: a console that waits to close may close now.
  virtual void takenBack() = 0;
};

// Runs a command line (without the program's name) and returns its exit code.
int Run(std::span<const std::string> args, Host& host, Console& console);

}  // namespace ctl

#include "ctl/tarnvelctl.h"

#include <algorithm>
#include <charconv>
#include <future>
#include <istream>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "app_info.h"
#include "modes/screen_res.h"
#include "platform/settings.h"
#include "platform/toolkit.h"
#include "presets/preset_store.h"
#include "window/mode_lookup.h"

namespace ctl {
namespace {

constexpr std::string_view kHelp =
    "Switches the display mode from a terminal, as the Tarnvel tray program does.\n"
    "\n"
    "  tarnvelctl list               every offered mode, one mode text a line\n"
    "  tarnvelctl current            the mode in force now\n"
    "  tarnvelctl set MODE           switch to MODE: a mode text as \"tarnvelctl list\" prints it\n"
    "                                (letter case ignored; quotes optional), or a short form\n"
    "                                WIDTHxHEIGHT[xBITS][@HZ] such as 1024x768 or 1920x1080@144\n"
    "  tarnvelctl preset N           switch to the tray program's preset N (1 to 4)\n"
    "  tarnvelctl presets            the four presets, an empty line for an empty one\n"
    "\n"
    "  --revert-after SECONDS        with set and preset: ask whether to keep the new mode and\n"
    "                                switch back unless a line starting with y comes in time\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 done; 1 the display cannot be reached or read; 2 wrong usage; 3 no listed\n"
    "mode matches, or the preset is empty; 4 the display refused the change or it did not land;\n"
    "5 switched back after --revert-after.\n";

constexpr int kLongestWait = 24 * 60 * 60;

std::optional<int32_t> Number(std::string_view text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end || value < 0) return std::nullopt;
  return value;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower;
}

// ScreenRes reports to a window only while filling a list, which a terminal never does.
class NoWindow final : public Toolkit {
 public:
  void messageBox(std::string_view, int, std::string_view) override {}
  bool anotherInstanceRunning() override { return false; }
  void showWindow() override {}
  void hideWindow() override {}
  void focus(const Control&) override {}
  void processEvents() override {}
  const MenuEntry* popupMenu(const MenuEntry&) override { return nullptr; }
  // No event loop runs here to make a call later.
  uint32_t callOnce(uint32_t, std::function<void()>) override { return 0; }
  void cancelCall(uint32_t) override {}
  void endProgram() override {}
  std::string currentDirectory() override { return {}; }
  uint32_t windowHandle() override { return 0; }
  uint32_t windowIcon() override { return 0; }
  float twipsPerPixelX() override { return 15; }
};

// The engine keeps only whether a change took; an error names the display's own code.
class CodeKeeper final : public DisplayDriver {
 public:
  explicit CodeKeeper(DisplayDriver& driver) : driver_(driver) {}
  bool enumMode(int32_t modeNum, DevMode& mode) override { return driver_.enumMode(modeNum, mode); }
  ScreenMetrics metrics() override { return driver_.metrics(); }
  int32_t changeMode(DevMode& mode, uint32_t flags) override { return code = driver_.changeMode(mode, flags); }
  int32_t code = 0;

 private:
  DisplayDriver& driver_;
};

// One run against the display: the tray's engine with its modes listed once.
class Session {
 public:
  explicit Session(DisplayDriver& display) : codes_(display), engine_(codes_, window_) {
    engine_.EnumDisplayModes(texts_);
    texts_.pop_back();  // the cleared extra entry is never listed
  }

  const std::vector<std::string>& texts() const { return texts_; }
  // The rows the tray's "All Resolutions" shows.
  std::vector<int32_t> listed() const { return AllResolutionsRows(texts_); }
  std::span<const DevMode> modes() const { return {engine_.DisplayModes().data(), texts_.size()}; }
  int32_t inForce() { return engine_.FindCurrentMode(); }
  ScreenMetrics metrics() { return codes_.metrics(); }
  bool apply(int32_t index) { return engine_.ApplyDisplayMode(index) != kFalse; }
  int32_t code() const { return codes_.code; }

  // The mode in force now, read fresh, as a mode text; the screen's own figures when no
  // listed mode matches them.
  std::string inForceText() {
    const int32_t now = inForce();
    if (now >= 0) return texts_[static_cast<size_t>(now)];
    const ScreenMetrics s = metrics();
    return std::to_string(s.horzRes) + " x " + std::to_string(s.vertRes) + ", " + std::to_string(s.bitsPixel) +
           " bits per pixel, " + std::to_string(s.vRefresh) + " Hz (not listed)";
  }

 private:
  NoWindow window_;
  CodeKeeper codes_;
  ScreenRes engine_;
  std::vector<std::string> texts_;
};

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
};

int Error(std::ostream& err, int code, const std::string& message) {
  err << "tarnvelctl: " << message << '\n';
  return code;
}

std::string RefreshOfModeInForce(Session& session) {
  const int32_t now = session.inForce();
  return now >= 0 ? RefreshText(session.texts()[static_cast<size_t>(now)]) : std::string();
}

std::string LoadPresetOf(Session& session, Host& host, size_t n, const std::string& refresh) {
  return LoadPreset(host.settings(), n, refresh,
                    [&](const std::string& text) { return FindModeText(session.texts(), text); });
}

// Switches to `target` and, when asked to, switches back unless the user keeps it.
int Switch(Session& session, int32_t target, int revertAfter, Streams io) {
  const int32_t before = session.inForce();
  if (revertAfter > 0 && before < 0) {
    return Error(io.err, exit_code::kUnreachable,
                 "no listed mode is in force (" + session.inForceText() + "), so there is none to switch back to");
  }
  const std::string& text = session.texts()[static_cast<size_t>(target)];
  if (!session.apply(target)) {
    return Error(io.err, exit_code::kRefused,
                 "the display did not take " + text + " (code " + std::to_string(session.code()) +
                     "); in force now: " + session.inForceText());
  }
  io.out << text << '\n';
  io.out.flush();
  if (revertAfter == 0) return exit_code::kDone;

  io.err << "tarnvelctl: keep " << text << "? Type y and Enter within " << revertAfter
         << " seconds, or the previous mode comes back." << std::endl;
  const Answer answer = ReadAnswer(io.in, std::chrono::seconds(revertAfter));
  if (answer.kind == Answer::Kind::Line && !answer.line.empty() && (answer.line[0] == 'y' || answer.line[0] == 'Y')) {
    return exit_code::kDone;
  }
  const std::string& previous = session.texts()[static_cast<size_t>(before)];
  const std::string why = answer.kind == Answer::Kind::TooLate      ? "no answer within " + std::to_string(revertAfter) + " s"
                          : answer.kind == Answer::Kind::EndOfInput ? "end of input"
                                                                    : "the answer was not y";
  if (!session.apply(before)) {
    return Error(io.err, exit_code::kRefused,
                 why + ", but switching back to " + previous + " failed (code " + std::to_string(session.code()) +
                     "); in force now: " + session.inForceText());
  }
  return Error(io.err, exit_code::kReverted, why + ": switched back to " + previous);
}

int RunOnDisplay(const Command& command, Host& host, Streams io) {
  std::string why;
  DisplayDriver* display = host.display(why);
  if (!display) return Error(io.err, exit_code::kUnreachable, why);
  Session session(*display);
  if (session.texts().empty()) return Error(io.err, exit_code::kUnreachable, "the display lists no modes");

  switch (command.action) {
    case Action::List:
      for (int32_t row : session.listed()) io.out << session.texts()[static_cast<size_t>(row)] << '\n';
      return exit_code::kDone;
    case Action::Current: {
      const int32_t now = session.inForce();
      if (now < 0) return Error(io.err, exit_code::kUnreachable, "no listed mode is in force: " + session.inForceText());
      io.out << session.texts()[static_cast<size_t>(now)] << '\n';
      return exit_code::kDone;
    }
    case Action::Presets: {
      const std::string refresh = RefreshOfModeInForce(session);
      for (size_t n = 0; n < kPresetCount; ++n) io.out << LoadPresetOf(session, host, n, refresh) << '\n';
      return exit_code::kDone;
    }
    case Action::Preset: {
      const std::string value = LoadPresetOf(session, host, command.preset - 1, RefreshOfModeInForce(session));
      if (value.empty()) return Error(io.err, exit_code::kNoMatch, "preset " + std::to_string(command.preset) + " is empty");
      return Switch(session, FindModeText(session.texts(), value), command.revertAfter, io);
    }
    case Action::Set: {
      const std::optional<ShortForm> form = ParseShortForm(command.mode);
      const int32_t target = form ? MatchShortForm(session.modes(), *form, session.metrics())
                                  : FindModeText(session.texts(), command.mode);
      if (target < 0) {
        return Error(io.err, exit_code::kNoMatch,
                     "no listed mode matches \"" + command.mode + "\" (" + std::to_string(session.listed().size()) +
                         " modes are listed: see tarnvelctl list)");
      }
      return Switch(session, target, command.revertAfter, io);
    }
    case Action::Help:
    case Action::Version:
      break;
  }
  return exit_code::kDone;
}

}  // namespace

Parsed ParseArgs(std::span<const std::string> args) {
  Parsed parsed;
  Command& command = parsed.command;
  std::vector<std::string> words;
  std::optional<std::string> wait;
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      command.action = Action::Help;
      return parsed;
    } else if (options && arg == "--version") {
      command.action = Action::Version;
      return parsed;
    } else if (options && arg == "--revert-after") {
      if (i + 1 == args.size()) return {command, "--revert-after needs SECONDS"};
      wait = args[++i];
    } else if (options && arg.starts_with("--revert-after=")) {
      wait = arg.substr(arg.find('=') + 1);
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      return {command, "unknown option " + arg};
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return {command, "no command given"};

  const std::string& name = words[0];
  const std::span<const std::string> operands(words.begin() + 1, words.end());
  if (name == "list" || name == "current" || name == "presets") {
    command.action = name == "list" ? Action::List : name == "current" ? Action::Current : Action::Presets;
    if (!operands.empty()) return {command, name + " takes no arguments, but was given \"" + operands[0] + "\""};
  } else if (name == "set") {
    command.action = Action::Set;
    if (operands.empty()) return {command, "set needs a MODE"};
    for (const std::string& word : operands) command.mode += (command.mode.empty() ? "" : " ") + word;
  } else if (name == "preset") {
    command.action = Action::Preset;
    if (operands.size() != 1) return {command, "preset needs one N, from 1 to 4"};
    const std::optional<int32_t> n = Number(operands[0]);
    if (!n || *n < 1 || *n > static_cast<int32_t>(kPresetCount)) {
      return {command, "preset N is 1, 2, 3 or 4, not \"" + operands[0] + "\""};
    }
    command.preset = static_cast<size_t>(*n);
  } else {
    return {command, "unknown command \"" + name + "\""};
  }

  if (wait) {
    if (command.action != Action::Set && command.action != Action::Preset) {
      return {command, "--revert-after goes with set and preset only"};
    }
    const std::optional<int32_t> seconds = Number(*wait);
    if (!seconds || *seconds < 1 || *seconds > kLongestWait) {
      return {command, "--revert-after takes whole seconds from 1 to " + std::to_string(kLongestWait) + ", not \"" +
                           *wait + "\""};
    }
    command.revertAfter = *seconds;
  }
  return parsed;
}

std::optional<ShortForm> ParseShortForm(std::string_view word) {
  const std::string lower = Lower(word);
  std::string_view rest = lower;
  ShortForm form;
  const size_t at = rest.find('@');
  if (at != std::string_view::npos) {
    const std::optional<int32_t> hz = Number(rest.substr(at + 1));
    if (!hz) return std::nullopt;
    form.hz = *hz;
    rest = rest.substr(0, at);
  }
  std::vector<int32_t> parts;
  while (true) {
    const size_t x = rest.find('x');
    const std::optional<int32_t> part = Number(rest.substr(0, x));
    if (!part) return std::nullopt;
    parts.push_back(*part);
    if (x == std::string_view::npos) break;
    rest = rest.substr(x + 1);
  }
  if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
  form.width = parts[0];
  form.height = parts[1];
  if (parts.size() == 3) {
    if (parts[2] == 0) return std::nullopt;
    form.bits = parts[2];
  }
  return form;
}

int32_t MatchShortForm(std::span<const DevMode> modes, const ShortForm& form, const ScreenMetrics& screen) {
  const int32_t bits = form.bits ? form.bits : screen.bitsPixel;
  const auto fits = [&](const DevMode& m) {
    return m.dmPelsWidth == form.width && m.dmPelsHeight == form.height && m.dmBitsPerPel == bits;
  };
  int32_t hz = form.hz;
  if (hz < 0) {
    // The rate in force when this size offers it; else the size's highest.
    bool offered = false;
    for (const DevMode& m : modes) {
      if (!fits(m)) continue;
      if (m.dmDisplayFrequency == screen.vRefresh) offered = true;
      hz = std::max(hz, m.dmDisplayFrequency);
    }
    if (offered) hz = screen.vRefresh;
  }
  for (size_t i = 0; i < modes.size(); ++i) {
    if (fits(modes[i]) && modes[i].dmDisplayFrequency == hz) return static_cast<int32_t>(i);
  }
  return -1;
}

Answer ReadAnswer(std::istream& in, std::chrono::milliseconds timeout) {
  // Shared with the reader, which may outlive this call.
  auto promise = std::make_shared<std::promise<Answer>>();
  std::future<Answer> answer = promise->get_future();
  std::thread([promise, &in] {
    Answer got;
    got.kind = std::getline(in, got.line) ? Answer::Kind::Line : Answer::Kind::EndOfInput;
    promise->set_value(std::move(got));
  }).detach();
  if (answer.wait_for(timeout) != std::future_status::ready) return {};
  return answer.get();
}

int Run(std::span<const std::string> args, Host& host, std::istream& in, std::ostream& out, std::ostream& err) {
  const Parsed parsed = ParseArgs(args);
  if (!parsed.error.empty()) {
    err << "tarnvelctl: " << parsed.error << '\n' << kUsage << '\n';
    return exit_code::kUsage;
  }
  switch (parsed.command.action) {
    case Action::Help:
      out << kUsage << "\n\n" << kHelp;
      return exit_code::kDone;
    case Action::Version:
      out << "tarnvelctl " << app::kVersionMajor << '.' << app::kVersionMinor << '.' << app::kVersionRevision << '\n';
      return exit_code::kDone;
    default:
      return RunOnDisplay(parsed.command, host, {in, out, err});
  }
}

}  // namespace ctl

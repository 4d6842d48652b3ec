#include "ctl/tarnvelctl.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "app_info.h"
#include "modes/mode_lookup.h"
#include "modes/mode_text.h"
#include "modes/screen_res.h"
#include "platform/settings.h"
#include "platform/toolkit.h"
#include "presets/preset_store.h"
#include "tray/about_text.h"

namespace ctl {
namespace {

constexpr std::string_view kHelp =
    "Switches the display mode from a terminal, as the Tarnvel tray program does.\n"
    "\n"
    "  tarnvelctl list               every offered mode, one mode text a line\n"
    "  tarnvelctl current            the mode in force now\n"
    "  tarnvelctl set MODE           switch to MODE: a mode text as \"tarnvelctl list\" prints it\n"
    "                                (letter case ignored; quotes optional), or a short form\n"
    "                                WIDTHxHEIGHT[xBITS][@HZ] such as 1024x768, 1920x1080@144 or\n"
    "                                1366x768@59.94Hz (the listed rate less than 1 Hz away)\n"
    "  tarnvelctl preset N           switch to the tray program's preset N (1 to 4)\n"
    "  tarnvelctl presets            the four presets, an empty line for an empty one\n"
    "  tarnvelctl monitors           every monitor that shows a picture: its name, mode in force\n"
    "                                and position (+X+Y), and \"primary\", separated by tabs\n"
    "  tarnvelctl restore            switch back to the mode kept by --remember, and forget it\n"
    "\n"
    "  --monitor NAME, -m NAME       with list, current, set, preset, presets and restore: act on\n"
    "                                the monitor NAME (as \"tarnvelctl monitors\" names it), not\n"
    "                                the primary one\n"
    "  --revert-after SECONDS        with set and preset: ask whether to keep the new mode and\n"
    "                                switch back unless a line starting with y comes in time\n"
    "  --remember                    with set and preset: keep the mode in force for restore,\n"
    "                                unless one is kept already\n"
    "  --closest                     with set: where no listed mode matches, the one nearest in\n"
    "                                size, then in rate\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 done; 1 the display cannot be reached or read; 2 wrong usage; 3 no listed\n"
    "mode matches, the preset is empty, no monitor of that name shows a picture, or nothing is\n"
    "remembered; 4 the display refused the change, it did not land, or no layout of the other\n"
    "monitors makes room for it; 5 switched back after\n"
    "--revert-after; 6 a file or the output could not be read or written.\n";

constexpr int kLongestWait = 24 * 60 * 60;

// A whole number and nothing else: "10s" and "1x" are no numbers.
std::optional<int32_t> Number(std::string_view text) {
  int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc{} || ptr != end || value < 0) return std::nullopt;
  return value;
}

// The engine reports only while filling a list, which a terminal never does: tarnvelctl says
// what went wrong itself, on standard error.
class NoBoxes final : public Reporter {
 public:
  void messageBox(std::string_view, int, std::string_view) override {}
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
  explicit Session(DisplayDriver& display) : codes_(display), engine_(codes_, boxes_) {
    engine_.EnumDisplayModes(texts_);
    texts_.pop_back();  // the cleared extra entry is never listed
  }

  const std::vector<std::string>& texts() const { return texts_; }
  const std::string& text(int32_t row) const { return texts_[static_cast<size_t>(row)]; }
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
    return now >= 0 ? text(now) : MetricsText(metrics());
  }

 private:
  NoBoxes boxes_;
  CodeKeeper codes_;
  ScreenRes engine_;
  std::vector<std::string> texts_;
};

int Error(Console& console, int code, const std::string& message) {
  console.err("tarnvelctl: " + message + "\n");
  return code;
}

// Results, written whole; a result that cannot be written is a failure the script must see.
int Print(Console& console, const std::string& text) {
  if (console.out(text)) return exit_code::kDone;
  return Error(console, exit_code::kFileOrOutput, "cannot write the output: " + console.outError().text);
}

// +X+Y as xrandr writes a place: a coordinate left of or above the origin with "-".
std::string Position(int32_t x, int32_t y) {
  const auto signed_ = [](int32_t v) { return (v < 0 ? "-" : "+") + std::to_string(v < 0 ? -int64_t{v} : int64_t{v}); };
  return signed_(x) + signed_(y);
}

struct Job {
  const Command& command;
  Host& host;
  Console& console;
  std::optional<std::vector<Shown>> shown = {};
  std::string monitor = command.monitor;  // as the display names it

  int fail(int code, const std::string& message) { return Error(console, code, message); }

  // The monitors, read once; nothing when the display cannot be read.
  const std::vector<Shown>* monitors(std::string& why) {
    if (!shown) shown = host.monitors(why);
    return shown ? &*shown : nullptr;
  }

  // The monitor a record is kept for: the one named, else the primary one.
  std::optional<std::string> monitorName(std::string& why) {
    if (!monitor.empty()) return monitor;
    const std::vector<Shown>* all = monitors(why);
    if (!all || all->empty()) return std::nullopt;
    const auto primary = std::find_if(all->begin(), all->end(), [](const Shown& m) { return m.primary; });
    return (primary != all->end() ? *primary : all->front()).name;
  }

  std::string refreshOfModeInForce(Session& session) {
    const int32_t now = session.inForce();
    return now >= 0 ? RefreshText(session.text(now)) : std::string();
  }

  std::string loadPreset(Session& session, size_t n, const std::string& refresh) {
    return LoadPreset(host.settings(), n, refresh,
                      [&](const std::string& text) { return FindModeText(session.texts(), text); });
  }

  // Why the switch to `row` did not happen: the display refused it, or no layout of the other
  // monitors makes room for it (the display was never asked).
  int refused(Session& session, int32_t row) {
    if (session.code() == disp_change::kNoLayout) {
      std::string why;
      const DevMode& mode = session.modes()[static_cast<size_t>(row)];
      return fail(exit_code::kRefused, "no layout keeps the desk in one piece with " + monitorName(why).value_or("the monitor") +
                                           " at " + std::to_string(mode.dmPelsWidth) + " x " +
                                           std::to_string(mode.dmPelsHeight) + "; nothing changed");
    }
    return fail(exit_code::kRefused, "the display did not take " + session.text(row) + " (code " +
                                         std::to_string(session.code()) + "); in force now: " + session.inForceText());
  }

  // Switches to `target`, keeping the mode before for restore when asked to, and when asked
  // to, switches back unless the user keeps the new one.
  int switchTo(Session& session, int32_t target) {
    const int32_t before = session.inForce();
    const int revertAfter = command.revertAfter;
    if (revertAfter > 0 && before < 0) {
      return fail(exit_code::kUnreachable,
                  "no listed mode is in force (" + session.inForceText() + "), so there is none to switch back to");
    }
    // The record is there before the switch, so that a run killed in the middle still leaves
    // the way back; it goes again when the switch does not stay.
    std::optional<std::string> noted;
    if (command.remember) {
      std::string why;
      const std::optional<std::string> name = monitorName(why);
      if (!name) return fail(exit_code::kUnreachable, why);
      if (before < 0) {
        return fail(exit_code::kUnreachable,
                    "no listed mode is in force (" + session.inForceText() + "), so there is none to remember");
      }
      const Notes::Made made = host.notes().make(*name, session.text(before), why);
      if (made == Notes::Made::Failed) return fail(exit_code::kFileOrOutput, "cannot remember the mode in force: " + why);
      if (made == Notes::Made::Created) noted = *name;
    }
    // The record goes again only when the mode before is in force: after another program's
    // switch landed meanwhile, or a failed switch back, it is still the way back.
    const auto unnote = [&] {
      if (noted && session.inForce() == before) host.notes().forget(*noted);
    };

    if (revertAfter > 0) console.holdInterruptions();
    const std::string& text = session.text(target);
    if (!session.apply(target)) {
      unnote();
      return refused(session, target);
    }
    const bool written = console.out(text + "\n");
    if (revertAfter == 0) {
      return written ? exit_code::kDone
                     : fail(exit_code::kFileOrOutput, "cannot write the output: " + console.outError().text);
    }

    Answer answer;
    if (written) {
      console.err("tarnvelctl: keep " + text + "? Type y and Enter within " + std::to_string(revertAfter) +
                  (revertAfter == 1 ? " second" : " seconds") + ", or the previous mode comes back.\n");
      answer = console.answer(std::chrono::seconds(revertAfter));
    } else {
      // A mode nobody can be asked about is not kept.
      const OutError error = console.outError();
      answer = {Answer::Kind::Interrupted, {},
                error.kind == OutError::Kind::Closed ? "output closed" : "cannot write the output: " + error.text};
    }
    if (answer.kind == Answer::Kind::Line && !answer.line.empty() && (answer.line[0] == 'y' || answer.line[0] == 'Y')) {
      return exit_code::kDone;
    }
    const std::string why = answer.kind == Answer::Kind::TooLate ? "no answer within " + std::to_string(revertAfter) + " s"
                            : answer.kind == Answer::Kind::EndOfInput ? "end of input"
                            : answer.kind == Answer::Kind::Line       ? "the answer was not y"
                                                                      : answer.why;
    const bool back = session.apply(before);
    console.takenBack();
    unnote();
    const std::string& previous = session.text(before);
    if (!back) {
      return fail(exit_code::kRefused, why + ", but switching back to " + previous + " failed (code " +
                                           std::to_string(session.code()) + "); in force now: " + session.inForceText());
    }
    return fail(exit_code::kReverted, why + ": switched back to " + previous);
  }

  // The mode `command.mode` names: a mode text, a short form, or with --closest the nearest.
  int32_t target(Session& session) {
    const std::optional<ShortForm> form = ParseShortForm(command.mode);
    int32_t found = form ? MatchShortForm(session.modes(), *form, session.metrics()) : FindModeText(session.texts(), command.mode);
    if (found >= 0 || !command.closest) return found;
    Wanted wanted;
    if (form) {
      wanted = {form->width, form->height, form->bits, {}, form->hz};
    } else if (const std::optional<ModeParts> parts = TakeApart(command.mode)) {
      wanted = {parts->width, parts->height, 0, parts->depth, static_cast<double>(parts->rate)};
    } else {
      return -1;
    }
    const std::vector<int32_t> rows = session.listed();
    return Closest(session.modes(), rows, wanted, session.metrics());
  }

  // Where modes are remembered for other monitors than `name`, which they are, and whether
  // each shows a picture now; else where the records come from.
  std::string elsewhere(const std::string& name) {
    std::string why, said;
    const std::vector<Shown>* all = monitors(why);
    for (const std::string& other : host.notes().kept()) {
      if (other == name) continue;
      const bool shows = all && std::any_of(all->begin(), all->end(), [&](const Shown& m) { return m.name == other; });
      said += "; a mode is remembered for " + other +
              (shows ? " (tarnvelctl --monitor " + other + " restore)" : ", which shows no picture now");
    }
    return said.empty() ? " (see --remember)" : said;
  }

  int restore(Session& session) {
    std::string why;
    const std::optional<std::string> name = monitorName(why);
    if (!name) return fail(exit_code::kUnreachable, why);
    const std::optional<std::string> kept = host.notes().read(*name);
    if (!kept) return fail(exit_code::kNoMatch, "nothing is remembered for " + *name + elsewhere(*name));
    const int32_t row = FindModeText(session.texts(), *kept);
    if (row < 0) return fail(exit_code::kNoMatch, "the mode remembered for " + *name + ", " + *kept + ", is not listed");
    if (!session.apply(row)) return refused(session, row);
    host.notes().forget(*name);
    return Print(console, *kept + "\n");
  }

  int presetsReadable() {
    const std::string problem = host.settings().unreadable(app::kTitle, kPresetSection);
    return problem.empty() ? exit_code::kDone : fail(exit_code::kFileOrOutput, "cannot read the presets: " + problem);
  }

  int onDisplay() {
    std::string why;
    if (command.action == Action::Monitors || !command.monitor.empty()) {
      const std::vector<Shown>* all = monitors(why);
      if (!all) return fail(exit_code::kUnreachable, why);
      if (command.action == Action::Monitors) {
        std::string lines;
        for (const Shown& m : *all) {
          lines += m.name + '\t' + ModeText(m.mode) + '\t' + Position(m.x, m.y) + (m.primary ? "\tprimary\n" : "\n");
        }
        return Print(console, lines);
      }
      // Named as it is listed, or failing that in other letters' case: Windows' device names
      // are written either way.
      auto named = std::find_if(all->begin(), all->end(), [&](const Shown& m) { return m.name == monitor; });
      if (named == all->end()) {
        named = std::find_if(all->begin(), all->end(), [&](const Shown& m) { return EqualsIgnoringCase(m.name, monitor); });
      }
      if (named != all->end()) monitor = named->name;
      if (named == all->end()) {
        std::string names;
        for (const Shown& m : *all) names += (names.empty() ? "" : ", ") + m.name;
        return fail(exit_code::kNoMatch, "no monitor \"" + command.monitor + "\" shows a picture; the monitors that do: " + names);
      }
    }
    DisplayDriver* display = host.display(monitor, why);
    if (!display) return fail(exit_code::kUnreachable, why);
    Session session(*display);
    if (session.texts().empty()) return fail(exit_code::kUnreachable, "the display lists no modes");

    switch (command.action) {
      case Action::List: {
        std::string lines;
        for (int32_t row : session.listed()) lines += session.text(row) + "\n";
        return Print(console, lines);
      }
      case Action::Current: {
        const int32_t now = session.inForce();
        if (now < 0) return fail(exit_code::kUnreachable, "no listed mode is in force: " + session.inForceText());
        return Print(console, session.text(now) + "\n");
      }
      case Action::Presets: {
        if (const int code = presetsReadable()) return code;
        const std::string refresh = refreshOfModeInForce(session);
        std::string lines;
        for (size_t n = 0; n < kPresetCount; ++n) lines += loadPreset(session, n, refresh) + "\n";
        return Print(console, lines);
      }
      case Action::Preset: {
        if (const int code = presetsReadable()) return code;
        const std::string value = loadPreset(session, command.preset - 1, refreshOfModeInForce(session));
        if (value.empty()) return fail(exit_code::kNoMatch, "preset " + std::to_string(command.preset) + " is empty");
        return switchTo(session, FindModeText(session.texts(), value));
      }
      case Action::Set: {
        const int32_t found = target(session);
        if (found < 0) {
          return fail(exit_code::kNoMatch, "no listed mode matches \"" + command.mode + "\"" +
                                               (command.closest ? " in its depth" : "") + " (" +
                                               std::to_string(session.listed().size()) +
                                               (session.listed().size() == 1 ? " mode is" : " modes are") +
                                               " listed: see tarnvelctl list)");
        }
        return switchTo(session, found);
      }
      case Action::Restore:
        return restore(session);
      case Action::Help:
      case Action::Version:
      case Action::Monitors:
        break;
    }
    return exit_code::kDone;
  }
};

}  // namespace

Parsed ParseArgs(std::span<const std::string> args) {
  Parsed parsed;
  Command& command = parsed.command;
  std::vector<std::string> words;
  std::optional<std::string> wait, monitor;
  bool options = true;
  // Each option once: a second one would leave a reader guessing which counts.
  std::vector<std::string> seen;
  const auto once = [&](const std::string& name) {
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) return false;
    seen.push_back(name);
    return true;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const size_t equals = arg.find('=');
    const std::string name = arg.starts_with("--") && equals != std::string::npos ? arg.substr(0, equals) : arg;
    const std::string canonical = name == "-m" ? "--monitor" : name;
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h" || arg == "--version")) {
      // Words after it would be ignored without a word: a script that passes them has a fault.
      if (i + 1 < args.size()) return {command, arg + " takes nothing after it, but was given \"" + args[i + 1] + "\""};
      command.action = arg == "--version" ? Action::Version : Action::Help;
      return parsed;
    } else if (options && (canonical == "--revert-after" || canonical == "--monitor")) {
      if (!once(canonical)) return {command, canonical + " is given twice"};
      std::string value;
      if (name != arg) {
        value = arg.substr(equals + 1);
      } else if (i + 1 == args.size()) {
        return {command, arg + (canonical == "--monitor" ? " needs NAME" : " needs SECONDS")};
      } else {
        value = args[++i];
      }
      (canonical == "--monitor" ? monitor : wait) = value;
    } else if (options && (arg == "--remember" || arg == "--closest")) {
      if (!once(arg)) return {command, arg + " is given twice"};
      (arg == "--remember" ? command.remember : command.closest) = true;
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      return {command, "unknown option " + arg};
    } else {
      words.push_back(arg);
    }
  }
  if (words.empty()) return {command, "no command given"};

  const std::string& verb = words[0];
  const std::span<const std::string> operands(words.begin() + 1, words.end());
  if (verb == "list" || verb == "current" || verb == "presets" || verb == "monitors" || verb == "restore") {
    command.action = verb == "list"      ? Action::List
                     : verb == "current" ? Action::Current
                     : verb == "presets" ? Action::Presets
                     : verb == "restore" ? Action::Restore
                                         : Action::Monitors;
    if (!operands.empty()) return {command, verb + " takes no arguments, but was given \"" + operands[0] + "\""};
  } else if (verb == "set") {
    command.action = Action::Set;
    for (const std::string& word : operands) command.mode += (command.mode.empty() ? "" : " ") + word;
    // Blanks around it are no part of a mode, as around a preset in the settings file.
    const size_t first = command.mode.find_first_not_of(" \t");
    command.mode = first == std::string::npos ? "" : command.mode.substr(first, command.mode.find_last_not_of(" \t") - first + 1);
    if (command.mode.empty()) return {command, "set needs a MODE"};
    if (LooksLikeShortForm(command.mode) && !ParseShortForm(command.mode)) {
      return {command, "\"" + command.mode + "\" is no short form: WIDTHxHEIGHT[xBITS][@HZ], such as 1024x768, "
                       "1920x1080x32 or 1366x768@59.94"};
    }
  } else if (verb == "preset") {
    command.action = Action::Preset;
    if (operands.size() != 1) return {command, "preset needs one N, from 1 to 4"};
    const std::optional<int32_t> n = Number(operands[0]);
    if (!n || *n < 1 || *n > static_cast<int32_t>(kPresetCount)) {
      return {command, "preset N is 1, 2, 3 or 4, not \"" + operands[0] + "\""};
    }
    command.preset = static_cast<size_t>(*n);
  } else {
    return {command, "unknown command \"" + verb + "\""};
  }

  const bool switches = command.action == Action::Set || command.action == Action::Preset;
  if (monitor) {
    if (monitor->empty()) return {command, "--monitor needs NAME"};
    if (command.action == Action::Monitors) return {command, "--monitor goes with list, current, set, preset, presets and restore"};
    command.monitor = *monitor;
  }
  if (command.remember && !switches) return {command, "--remember goes with set and preset only"};
  if (command.closest && command.action != Action::Set) return {command, "--closest goes with set only"};
  if (wait) {
    if (!switches) return {command, "--revert-after goes with set and preset only"};
    const std::optional<int32_t> seconds = Number(*wait);
    if (!seconds || *seconds < 1 || *seconds > kLongestWait) {
      return {command, "--revert-after takes whole seconds from 1 to " + std::to_string(kLongestWait) + ", not \"" +
                           *wait + "\""};
    }
    command.revertAfter = *seconds;
  }
  return parsed;
}

bool LooksLikeShortForm(std::string_view word) {
  std::string lower = LowerCase(word);
  if (lower.ends_with("hz")) lower.resize(lower.size() - 2);
  return !lower.empty() && lower.find_first_not_of("0123456789x@.-") == std::string::npos;
}

std::optional<ShortForm> ParseShortForm(std::string_view word) {
  const std::string lower = LowerCase(word);
  std::string_view rest = lower;
  ShortForm form;
  const size_t at = rest.find('@');
  if (at != std::string_view::npos) {
    std::string_view rate = rest.substr(at + 1);
    if (rate.ends_with("hz")) rate.remove_suffix(2);
    double hz = 0;
    const auto [ptr, ec] = std::from_chars(rate.data(), rate.data() + rate.size(), hz);
    if (rate.empty() || ec != std::errc{} || ptr != rate.data() + rate.size() || !(hz >= 0 && hz < 1e6)) {
      return std::nullopt;
    }
    form.hz = hz;
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
  const auto sized = [&](const DevMode& m) { return m.dmPelsWidth == form.width && m.dmPelsHeight == form.height; };
  const bool bySize = std::any_of(modes.begin(), modes.end(), [&](const DevMode& m) { return sized(m) && m.dmBitsPerPel == bits; });
  const std::string depth = DepthText(bits);
  const auto fits = [&](const DevMode& m) {
    return sized(m) && (bySize ? m.dmBitsPerPel == bits : DepthText(m.dmBitsPerPel) == depth);
  };
  double hz = form.hz;
  if (hz < 0) {
    // The rate in force when this size offers it; else the size's highest.
    bool offered = false;
    for (const DevMode& m : modes) {
      if (!fits(m)) continue;
      if (m.dmDisplayFrequency == screen.vRefresh) offered = true;
      hz = std::max(hz, static_cast<double>(m.dmDisplayFrequency));
    }
    if (offered) hz = screen.vRefresh;
  }
  // The first of the listed rates nearest the one asked, if less than 1 Hz away.
  int32_t best = -1;
  for (size_t i = 0; i < modes.size(); ++i) {
    const double off = std::fabs(modes[i].dmDisplayFrequency - hz);
    if (fits(modes[i]) && off < 1 && (best < 0 || off < std::fabs(modes[static_cast<size_t>(best)].dmDisplayFrequency - hz))) {
      best = static_cast<int32_t>(i);
    }
  }
  return best;
}

int32_t Closest(std::span<const DevMode> modes, std::span<const int32_t> rows, const Wanted& wanted,
                const ScreenMetrics& screen) {
  const bool byBits = wanted.bits > 0 && std::any_of(rows.begin(), rows.end(), [&](int32_t r) {
                        return modes[static_cast<size_t>(r)].dmBitsPerPel == wanted.bits;
                      });
  const std::string depth = wanted.bits > 0 ? DepthText(wanted.bits) : wanted.depth;
  const auto ofDepth = [&](const DevMode& m) {
    if (byBits) return m.dmBitsPerPel == wanted.bits;
    if (!depth.empty()) return EqualsIgnoringCase(DepthText(m.dmBitsPerPel), depth);
    return m.dmBitsPerPel == screen.bitsPixel;
  };
  const double rate = wanted.hz >= 0 ? wanted.hz : screen.vRefresh;
  int32_t best = -1;
  int64_t bestSize = 0;
  double bestRate = 0;
  for (int32_t row : rows) {
    const DevMode& m = modes[static_cast<size_t>(row)];
    if (!ofDepth(m)) continue;
    const int64_t size = std::abs(int64_t{m.dmPelsWidth} - wanted.width) + std::abs(int64_t{m.dmPelsHeight} - wanted.height);
    const double off = std::fabs(m.dmDisplayFrequency - rate);
    if (best < 0 || size < bestSize || (size == bestSize && off < bestRate)) {
      best = row;
      bestSize = size;
      bestRate = off;
    }
  }
  return best;
}

int Run(std::span<const std::string> args, Host& host, Console& console) {
  const Parsed parsed = ParseArgs(args);
  if (!parsed.error.empty()) {
    console.err("tarnvelctl: " + parsed.error + "\n" + std::string(kUsage) + "\n");
    return exit_code::kUsage;
  }
  switch (parsed.command.action) {
    case Action::Help:
      return Print(console, std::string(kUsage) + "\n\n" + std::string(kHelp));
    case Action::Version:
      return Print(console, "tarnvelctl " + VersionText() + "\n");
    default:
      return Job{parsed.command, host, console}.onDisplay();
  }
}

}  // namespace ctl

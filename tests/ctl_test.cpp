// tarnvelctl on the simulated display: what each command line prints, which mode it switches
// to, and the exit code a script sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app_info.h"
#include "ctl/notes.h"
#include "ctl/tarnvelctl.h"
#include "platform/posix/posix_files.h"
#include "platform/sim/sim_display.h"
#include "platform/sim/sim_platform.h"
#include "ctl_console.h"

namespace {

// Sizes offered twice, in an order where the first listed is not the one a rule picks.
const std::vector<SimMode> kModes = {
    {1024, 768, 32, 60},   // 0, in force
    {1920, 1080, 32, 144}, // 1
    {1920, 1080, 32, 60},  // 2
    {1920, 1080, 16, 60},  // 3
    {1280, 720, 32, 50},   // 4
    {1280, 720, 32, 75},   // 5
    {800, 600, 8, 60},     // 6
    {800, 600, 32, 60},    // 7
    {640, 480, 32, 0},     // 8, the hardware's own rate
    {640, 480, 32, 1},     // 9, the same text as 8: "All Resolutions" shows it once
};
constexpr int kNoChange = -1;

struct SimHost final : ctl::Host {
  SimDisplay sim{kModes};
  SimSettings settings_;
  SimNotes notes_;
  bool reachable = true;
  DisplayDriver* display(const std::string&, std::string& why) override {
    if (!reachable) why = "cannot open the X display \":99\"";
    return reachable ? &sim : nullptr;
  }
  std::optional<std::vector<ctl::Shown>> monitors(std::string&) override {
    return std::vector<ctl::Shown>{{"SIM", {}, 0, 0, true}};
  }
  Settings& settings() override { return settings_; }
  ctl::Notes& notes() override { return notes_; }
};

using Kept = std::map<std::string, std::string>;  // monitor -> the mode remembered for it

struct Case {
  std::vector<std::string> args;
  int code;
  std::string out = {};        // all of standard output
  std::string err = {};        // a part of standard error; empty: nothing at all
  int to = kNoChange;          // the mode in force afterwards, when a change was made
  int changes = 0;
  std::string input = {};
  std::map<std::string, std::string> stored = {};  // key -> value under Tarnvel/Settings
  std::deque<int32_t> results = {};                // the display's answers to the changes
  std::optional<SimMode> screen = {};              // the mode in force, when not row 0
  bool reachable = true;
  std::string interruption = {};   // what ends the wait for an answer before any line comes
  ctl::OutError outputFails = {};  // why standard output takes nothing
  std::string presetsUnreadable = {};
  std::string notesFail = {};      // why no record can be made
  Kept kept = {};                  // the records before the run
  std::optional<Kept> keptAfter = {};  // and after it, when they change
  bool noModes = false;            // the display lists none
  int meanwhile = kNoChange;       // the mode another program switches to during the first change
};

const std::string kUsageLine = std::string(ctl::kUsage) + "\n";
const std::string kVersion =
    std::to_string(app::kVersionMajor) + "." + std::to_string(app::kVersionMinor) + "." + std::to_string(app::kVersionRevision);

const std::vector<Case> kCases = {
    // Reading.
    {.args = {"list"},
     .code = 0,
     .out = "1024 x 768, 32bit color, 60 Hz\n1920 x 1080, 32bit color, 144 Hz\n1920 x 1080, 32bit color, 60 Hz\n"
            "1920 x 1080, 24bit color, 60 Hz\n1280 x 720, 32bit color, 50 Hz\n1280 x 720, 32bit color, 75 Hz\n"
            "800 x 600, 256 colors, 60 Hz\n800 x 600, 32bit color, 60 Hz\n640 x 480, 32bit color, (Hardware default)\n"},
    {.args = {"current"},
     .code = 1,
     .err = "tarnvelctl: no listed mode is in force: 1366 x 768, 32 bits per pixel, 60 Hz (not listed)",
     .screen = SimMode{1366, 768, 32, 60}},
    // Short forms: the rate in force where the size offers it, else its highest (1280x720 in the
    // --revert-after rows); the depth in force.
    {.args = {"set", "1920x1080"}, .code = 0, .out = "1920 x 1080, 32bit color, 60 Hz\n", .to = 2, .changes = 1},
    {.args = {"set", "800x600"}, .code = 0, .out = "800 x 600, 32bit color, 60 Hz\n", .to = 7, .changes = 1},
    {.args = {"set", "1920X1080x16"}, .code = 0, .out = "1920 x 1080, 24bit color, 60 Hz\n", .to = 3, .changes = 1},
    {.args = {"set", "1920x1080@59"}, .code = 3, .err = "tarnvelctl: no listed mode matches \"1920x1080@59\" (9 modes are listed"},
    // A short form that is not one is wrong usage, saying what one looks like; a rate may have a
    // fraction and end in Hz, and matches the listed rate less than 1 Hz away (59.94 lists as 60).
    {.args = {"set", "1024x"}, .code = 2, .err = "tarnvelctl: \"1024x\" is no short form: WIDTHxHEIGHT[xBITS][@HZ]"},
    {.args = {"set", "x768"}, .code = 2, .err = "is no short form"},
    {.args = {"set", "1024x768@"}, .code = 2, .err = "is no short form"},
    {.args = {"set", "800x600@-1"}, .code = 2, .err = "is no short form"},
    {.args = {"set", "1024x768x"}, .code = 2, .err = "is no short form"},
    {.args = {"set", "1920x1080@59.94"}, .code = 0, .out = "1920 x 1080, 32bit color, 60 Hz\n", .to = 2, .changes = 1},
    {.args = {"set", "1920x1080@60.0HZ"}, .code = 0, .out = "1920 x 1080, 32bit color, 60 Hz\n", .to = 2, .changes = 1},
    {.args = {"set", "--closest", "1900x1070@59.94"}, .code = 0, .out = "1920 x 1080, 32bit color, 60 Hz\n", .to = 2,
     .changes = 1},
    {.args = {"set", "hello"}, .code = 3, .err = "no listed mode matches \"hello\""},
    {.args = {"set", "1024 x 768"}, .code = 3, .err = "no listed mode matches \"1024 x 768\""},
    {.args = {"set", " 1024 x 768, 32bit color, 60 Hz "}, .code = 0, .out = "1024 x 768, 32bit color, 60 Hz\n", .to = 0,
     .changes = 1},
    // Mode texts: words joined with single blanks, letter case ignored, nothing else forgiven.
    {.args = {"set", "1920", "X", "1080,", "32BIT", "color,", "144", "hz"},
     .code = 0,
     .out = "1920 x 1080, 32bit color, 144 Hz\n",
     .to = 1,
     .changes = 1},
    {.args = {"set", "1920 x 1080,  32bit color, 60 Hz"}, .code = 3, .err = "no listed mode matches"},
    {.args = {"set", "800x600"},
     .code = 4,
     .err = "tarnvelctl: the display did not take 800 x 600, 32bit color, 60 Hz (code -2); in force now: 1024 x 768, 32bit "
            "color, 60 Hz",
     .changes = 1,
     .results = {-2}},
    // The display was never asked: no layout of the other monitors makes room for the mode.
    {.args = {"set", "800x600"},
     .code = 4,
     .err = "tarnvelctl: no layout keeps the desk in one piece with SIM at 800 x 600; nothing changed\n",
     .changes = 1,
     .results = {disp_change::kNoLayout}},
    // Presets: stored when listed, else the defaults at the rate in force, else empty.
    {.args = {"presets"}, .code = 0, .out = "\n1024 x 768, 32bit color, 60 Hz\n800 x 600, 32bit color, 60 Hz\n\n"},
    {.args = {"preset", "2"},
     .code = 0,
     .out = "1280 x 720, 32bit color, 75 Hz\n",
     .to = 5,
     .changes = 1,
     .stored = {{"Tarnvel/Settings/d2", "1280 X 720, 32bit color, 75 Hz"}}},
    {.args = {"preset", "3"},
     .code = 0,
     .out = "800 x 600, 32bit color, 60 Hz\n",
     .to = 7,
     .changes = 1,
     .stored = {{"Tarnvel/Settings/d3", "800 x 600, 32bit color, 85 Hz"}}},
    {.args = {"preset", "4"}, .code = 3, .err = "tarnvelctl: preset 4 is empty"},
    // --revert-after: only a line starting with y keeps the mode.
    {.args = {"set", "--revert-after", "1", "1280x720"},
     .code = 0,
     .out = "1280 x 720, 32bit color, 75 Hz\n",
     .err = "keep 1280 x 720, 32bit color, 75 Hz? Type y and Enter within 1 second, or",
     .to = 5,
     .changes = 1,
     .input = "Yes\n"},
    {.args = {"preset", "3", "--revert-after=5"},
     .code = 5,
     .out = "800 x 600, 32bit color, 60 Hz\n",
     .err = "tarnvelctl: the answer was not y: switched back to 1024 x 768, 32bit color, 60 Hz",
     .to = 0,
     .changes = 2,
     .input = "n\ny\n"},
    {.args = {"set", "1280x720", "--revert-after", "5"},
     .code = 5,
     .out = "1280 x 720, 32bit color, 75 Hz\n",
     .err = "tarnvelctl: end of input: switched back to 1024 x 768",
     .to = 0,
     .changes = 2},
    {.args = {"set", "1280x720", "--revert-after", "5"},
     .code = 4,
     .out = "1280 x 720, 32bit color, 75 Hz\n",
     .err = "switching back to 1024 x 768, 32bit color, 60 Hz failed (code -1); in force now: 1280 x 720, 32bit color, 75 Hz",
     .to = 5,
     .changes = 2,
     .input = "\n",
     .results = {0, -1}},
    // Usage: what was wrong, then the usage line; the display is not asked.
    {.args = {}, .code = 2, .err = "tarnvelctl: no command given\n" + kUsageLine},
    {.args = {"list", "all"}, .code = 2, .err = "tarnvelctl: list takes no arguments"},
    {.args = {"set"}, .code = 2, .err = "tarnvelctl: set needs a MODE"},
    {.args = {"preset", "0"}, .code = 2, .err = "tarnvelctl: preset N is 1, 2, 3 or 4, not \"0\""},
    {.args = {"preset", "1", "2"}, .code = 2, .err = "tarnvelctl: preset needs one N"},
    {.args = {"--revert-after", "5", "current"}, .code = 2, .err = "tarnvelctl: --revert-after goes with set and preset only"},
    {.args = {"set", "1280x720", "--revert-after", "0"},
     .code = 2,
     .err = "--revert-after takes whole seconds from 1 to 86400, not \"0\""},
    {.args = {"set", "1280x720", "--revert-after"}, .code = 2, .err = "tarnvelctl: --revert-after needs SECONDS"},
    {.args = {"set", "-q", "1280x720"}, .code = 2, .err = "tarnvelctl: unknown option -q"},
    {.args = {"--version"}, .code = 0, .out = "tarnvelctl " + kVersion + "\n"},
    {.args = {"--version", "extra"}, .code = 2, .err = "tarnvelctl: --version takes nothing after it, but was given \"extra\""},
    {.args = {"--help", "extra"}, .code = 2, .err = "tarnvelctl: --help takes nothing after it"},
    {.args = {"list", "--help"}, .code = 0, .out = kUsageLine + "\nSwitches the display mode", .reachable = false},
    // Numbers are whole numbers and nothing else; "--" ends the options, a lone "-" is none.
    {.args = {"preset", "1x"}, .code = 2, .err = "preset N is 1, 2, 3 or 4, not \"1x\""},
    {.args = {"set", "--revert-after", "10s", "800x600"}, .code = 2, .err = "not \"10s\""},
    {.args = {"set", "1024x768@60hz"}, .code = 0, .out = "1024 x 768, 32bit color, 60 Hz\n", .to = 0, .changes = 1},
    {.args = {"set", "1024x768x32x60"}, .code = 2, .err = "is no short form"},
    {.args = {"set", "1024x768x0"}, .code = 2, .err = "is no short form"},
    {.args = {"set", "--", "--closest"}, .code = 3, .err = "no listed mode matches \"--closest\""},
    {.args = {"set", "-"}, .code = 2, .err = "\"-\" is no short form"},
    {.args = {"set", ""}, .code = 2, .err = "tarnvelctl: set needs a MODE"},
    {.args = {"set", "--revert-after=5", "--revert-after", "6", "800x600"}, .code = 2, .err = "--revert-after is given twice"},
    {.args = {"-m", "SIM", "--monitor", "SIM", "list"}, .code = 2, .err = "--monitor is given twice"},
    {.args = {"set", "--revert-after", "86400", "800x600"}, .code = 0, .out = "800 x 600, 32bit color, 60 Hz\n",
     .err = "within 86400 seconds", .to = 7, .changes = 1, .input = "y\n"},
    {.args = {"list"}, .code = 1, .err = "tarnvelctl: the display lists no modes", .noModes = true},
    // BITS: the bits per pixel, else the depth a mode text shows; without them, the depth in
    // force, also on a 16-bit screen; @0 the hardware's own rate.
    {.args = {"set", "1920x1080x24"}, .code = 0, .out = "1920 x 1080, 24bit color, 60 Hz\n", .to = 3, .changes = 1},
    {.args = {"set", "1920x1080"}, .code = 0, .out = "1920 x 1080, 24bit color, 60 Hz\n", .to = 3, .changes = 1,
     .screen = SimMode{1920, 1080, 16, 60}},
    {.args = {"set", "640x480@0"}, .code = 0, .out = "640 x 480, 32bit color, (Hardware default)\n", .to = 8, .changes = 1},
    // --closest: the nearest size at the depth asked or in force, then the nearest rate.
    {.args = {"set", "--closest", "1900x1070"}, .code = 0, .out = "1920 x 1080, 32bit color, 60 Hz\n", .to = 2, .changes = 1},
    {.args = {"set", "1900x1070@140", "--closest"}, .code = 0, .out = "1920 x 1080, 32bit color, 144 Hz\n", .to = 1,
     .changes = 1},
    {.args = {"set", "--closest", "1000x700x8"}, .code = 0, .out = "800 x 600, 256 colors, 60 Hz\n", .to = 6, .changes = 1},
    {.args = {"set", "--closest", "1280 X 700, 32BIT COLOR, 70 hz"}, .code = 0, .out = "1280 x 720, 32bit color, 75 Hz\n",
     .to = 5, .changes = 1},
    {.args = {"set", "--closest", "800x600x4"}, .code = 3, .err = "no listed mode matches \"800x600x4\" in its depth"},
    // A rate part that is the hardware's own, in any letter case, is taken apart too.
    {.args = {"set", "--closest", "650 x 490, 32BIT COLOR, (hardware DEFAULT)"}, .code = 0,
     .out = "640 x 480, 32bit color, (Hardware default)\n", .to = 8, .changes = 1},
    // A mode in force that no listed mode is (another program's, an odd timing) is no obstacle.
    {.args = {"set", "800x600"}, .code = 0, .out = "800 x 600, 32bit color, 60 Hz\n", .to = 7, .changes = 1,
     .screen = SimMode{1152, 864, 32, 70}},
    // A preset naming the first listed mode is that mode, not an empty preset.
    {.args = {"preset", "1"}, .code = 0, .out = "1024 x 768, 32bit color, 60 Hz\n", .to = 0, .changes = 1,
     .stored = {{"Tarnvel/Settings/d1", "1024 x 768, 32bit color, 60 Hz"}}},
    {.args = {"preset", "--closest", "1"}, .code = 2, .err = "--closest goes with set only"},
    // The safety net: whatever ends the wait switches back.
    {.args = {"set", "--revert-after", "1", "1280x720"}, .code = 5, .out = "1280 x 720, 32bit color, 75 Hz\n",
     .err = "tarnvelctl: terminated: switched back to 1024 x 768, 32bit color, 60 Hz", .to = 0, .changes = 2,
     .interruption = "terminated"},
    // No failure looks like success: an output that takes nothing, presets that cannot be read.
    {.args = {"list"}, .code = 6, .err = "tarnvelctl: cannot write the output: No space left on device",
     .outputFails = {ctl::OutError::Kind::Failed, "No space left on device"}},
    {.args = {"set", "1280x720"}, .code = 6, .err = "cannot write the output: Broken pipe", .to = 5, .changes = 1,
     .outputFails = {ctl::OutError::Kind::Closed, "Broken pipe"}},
    {.args = {"set", "--revert-after", "1", "1280x720"}, .code = 5,
     .err = "tarnvelctl: output closed: switched back to 1024 x 768", .to = 0, .changes = 2,
     .outputFails = {ctl::OutError::Kind::Closed, "Broken pipe"}},
    {.args = {"set", "--revert-after", "1", "1280x720"}, .code = 5,
     .err = "tarnvelctl: cannot write the output: output closed: switched back", .to = 0, .changes = 2,
     .outputFails = {ctl::OutError::Kind::Failed, "output closed"}},
    {.args = {"preset", "1"}, .code = 6, .err = "tarnvelctl: cannot read the presets: /home/u/Tarnvel.ini: Permission denied",
     .presetsUnreadable = "/home/u/Tarnvel.ini: Permission denied"},
    // Do and undo: the mode before is kept once, and restore brings it back and forgets it.
    {.args = {"set", "--remember", "1280x720"}, .code = 0, .out = "1280 x 720, 32bit color, 75 Hz\n", .to = 5, .changes = 1,
     .keptAfter = Kept{{"SIM", "1024 x 768, 32bit color, 60 Hz"}}},
    {.args = {"preset", "3", "--remember"}, .code = 0, .out = "800 x 600, 32bit color, 60 Hz\n", .to = 7, .changes = 1,
     .kept = {{"SIM", "1280 x 720, 32bit color, 50 Hz"}}},
    {.args = {"set", "--remember", "1280x720"}, .code = 4, .err = "did not take", .changes = 1, .results = {-1},
     .keptAfter = Kept{}},
    // The record stays the way back while the mode before is not in force: another run's switch
    // landed meanwhile, or the switch back failed.
    {.args = {"set", "--remember", "1280x720"}, .code = 4, .err = "did not take", .to = 7, .changes = 1, .results = {-1},
     .keptAfter = Kept{{"SIM", "1024 x 768, 32bit color, 60 Hz"}}, .meanwhile = 7},
    {.args = {"set", "--remember", "--revert-after", "5", "1280x720"}, .code = 4, .out = "1280 x 720, 32bit color, 75 Hz\n",
     .err = "but switching back to 1024 x 768", .to = 5, .changes = 2, .results = {0, -1},
     .keptAfter = Kept{{"SIM", "1024 x 768, 32bit color, 60 Hz"}}},
    // A mode kept already stays kept for the undo when the next "do" is refused or reverted.
    {.args = {"set", "--remember", "1280x720"}, .code = 4, .err = "did not take", .changes = 1, .results = {-1},
     .kept = {{"SIM", "800 x 600, 32bit color, 60 Hz"}}},
    {.args = {"set", "--remember", "--revert-after", "5", "1280x720"}, .code = 5, .out = "1280 x 720, 32bit color, 75 Hz\n",
     .err = "end of input: switched back", .to = 0, .changes = 2, .kept = {{"SIM", "800 x 600, 32bit color, 60 Hz"}}},
    {.args = {"set", "--remember", "1280x720"}, .code = 6, .err = "cannot remember the mode in force: XDG_RUNTIME_DIR is not set",
     .notesFail = "XDG_RUNTIME_DIR is not set"},
    {.args = {"restore"}, .code = 0, .out = "1280 x 720, 32bit color, 50 Hz\n", .to = 4, .changes = 1,
     .kept = {{"SIM", "1280 x 720, 32bit color, 50 Hz"}}, .keptAfter = Kept{}},
    {.args = {"restore"}, .code = 4, .err = "did not take 1280 x 720", .changes = 1, .results = {-1},
     .kept = {{"SIM", "1280 x 720, 32bit color, 50 Hz"}}},
    {.args = {"restore"}, .code = 3, .err = "tarnvelctl: nothing is remembered for SIM (see --remember)"},
    // A record for a monitor turned off since, or for another one, is named, not passed over.
    {.args = {"restore"}, .code = 3,
     .err = "nothing is remembered for SIM; a mode is remembered for DUMMY0, which shows no picture now\n",
     .kept = {{"DUMMY0", "800 x 600, 32bit color, 60 Hz"}}},
    // A monitor named in other letters' case, as Windows writes its device names either way.
    {.args = {"-m", "sim", "restore"}, .code = 0, .out = "800 x 600, 32bit color, 60 Hz\n", .to = 7, .changes = 1,
     .kept = {{"SIM", "800 x 600, 32bit color, 60 Hz"}}, .keptAfter = Kept{}},
};

TEST(Tarnvelctl, CommandLines) {
  for (const Case& c : kCases) {
    std::string line;
    for (const auto& a : c.args) line += " " + a;
    SCOPED_TRACE("tarnvelctl" + line);
    SimHost host;
    host.sim.setCurrent(c.screen.value_or(kModes[0]));
    host.sim.results = c.results;
    host.settings_.values = c.stored;
    host.reachable = c.reachable;
    host.settings_.failOpen = c.presetsUnreadable;
    host.notes_.failWith = c.notesFail;
    host.notes_.modes = c.kept;
    if (c.noModes) host.sim.modes.clear();
    int changed = 0;
    if (c.meanwhile != kNoChange) {
      host.sim.onChange = [&, mode = kModes[static_cast<size_t>(c.meanwhile)]](DevMode&) {
        if (changed++ == 0) host.sim.setCurrent(mode);
      };
    }
    SimConsole console(c.input, c.interruption);
    console.outError_ = c.outputFails;

    EXPECT_EQ(ctl::Run(c.args, host, console), c.code);
    if (c.out.ends_with('\n') || c.out.empty()) {
      EXPECT_EQ(console.written, c.out);
    } else {
      EXPECT_TRUE(console.written.starts_with(c.out)) << console.written;
    }
    if (c.err.empty()) {
      EXPECT_EQ(console.errors, "");
    } else {
      EXPECT_NE(console.errors.find(c.err), std::string::npos) << console.errors;
    }
    EXPECT_EQ(host.notes_.modes, c.keptAfter.value_or(c.kept));
    EXPECT_EQ(static_cast<int>(host.sim.changes.size()), c.changes);
    for (const auto& change : host.sim.changes) EXPECT_EQ(change.flags, kChangeDynamic);
    if (c.to != kNoChange) {
      const SimMode& m = kModes[static_cast<size_t>(c.to)];
      const auto& now = host.sim.current;
      EXPECT_EQ(std::tuple(now.horzRes, now.vertRes, now.bitsPixel, now.vRefresh),
                std::tuple(m.width, m.height, m.bitsPerPel, m.rate));
    }
    // Presets are read, never written.
    EXPECT_EQ(host.settings_.writes, 0);
  }
}

}  // namespace

// Of two rates as near to the one asked, the first listed, whichever it is.
TEST(Tarnvelctl, ClosestTakesTheFirstOfTwoRatesAsNear) {
  for (const int32_t first : {50, 70}) {
    DevMode a{}, b{};
    a.dmPelsWidth = b.dmPelsWidth = 800;
    a.dmPelsHeight = b.dmPelsHeight = 600;
    a.dmBitsPerPel = b.dmBitsPerPel = 32;
    a.dmDisplayFrequency = first;
    b.dmDisplayFrequency = 120 - first;
    const std::vector<DevMode> modes = {a, b};
    const std::vector<int32_t> rows = {0, 1};
    const ctl::Wanted wanted{800, 600, 0, {}, 60};
    EXPECT_EQ(ctl::Closest(modes, rows, wanted, {1024, 768, 32, 60}), 0) << "the first listed at " << first << " Hz";
  }
}

// The records of --remember in real files: whose a record is comes from inside it, a second
// "do" never replaces the first one's, and a record of another session gives way.
TEST(Tarnvelctl, RecordsInFiles) {
  using Files = std::map<std::string, std::string>;  // file name -> text
  struct Step {
    Files before;
    std::string session, op, monitor;  // op: make, read or kept
    std::string result;                // made: Created/AlreadyThere/Failed: why; read: the mode; kept: the names
    std::optional<Files> after = {};   // when it is not `before`
  };
  const std::string m = "800 x 600, 32bit color, 60 Hz", old = "1024 x 768, 32bit color, 60 Hz";
  const std::string file = "remember-x11-0-HDMI-1_5";  // HDMI-1.5's, and HDMI-1_5's
  const std::vector<Step> steps = {
      {{}, "", "make", "HDMI-1.5", "Created", Files{{file, "monitor HDMI-1.5\n" + m + "\n"}}},
      {{}, "session 0:7", "make", "DP-1", "Created", Files{{"remember-x11-0-DP-1", "monitor DP-1\nsession 0:7\n" + m + "\n"}}},
      {{{file, "monitor HDMI-1.5\n" + old + "\n"}}, "", "make", "HDMI-1.5", "AlreadyThere"},
      {{{file, "monitor HDMI-1_5\n" + old + "\n"}}, "", "make", "HDMI-1.5", "Failed: keeps the mode of HDMI-1_5"},
      {{{file, ""}}, "", "make", "HDMI-1.5", "Created", Files{{file, "monitor HDMI-1.5\n" + m + "\n"}}},
      {{{file, "session 0:6\r\n" + old + "\r\n"}}, "session 0:7", "make", "HDMI-1.5", "Created",
       Files{{file, "monitor HDMI-1.5\nsession 0:7\n" + m + "\n"}}},
      {{{file, "session 0:7\r\n" + old + "\r\n"}}, "session 0:7", "read", "HDMI-1.5", old},  // as 1.0.8 wrote it
      {{{file, old + "\n"}}, "", "read", "HDMI-1.5", old},
      {{{file, "\xEF\xBB\xBFmonitor HDMI-1.5\r\n" + old + "\r\n"}}, "", "read", "HDMI-1.5", old},  // saved in an editor
      {{{file, "monitor HDMI-1.5\n " + old + " \n"}}, "", "read", "HDMI-1.5", old},
      // What no mode text or no name of this file makes is damaged, and gives way.
      {{{file, "monitor HDMI-1.5\n\x1b]0;title\x07\n"}}, "", "read", "HDMI-1.5", ""},
      {{{file, "monitor DP-1\n" + old + "\n"}}, "", "make", "HDMI-1.5", "Created", Files{{file, "monitor HDMI-1.5\n" + m + "\n"}}},
      {{{file, "monitor HDMI-1_5\n" + old + "\n"}}, "", "read", "HDMI-1.5", ""},
      {{{file, "monitor HDMI-1.5\n" + old + "\n"}, {"remember-x11-0-DP-1", "monitor DP-1\n" + m + "\n"},
        {"remember-x11-1-DP-2", "monitor DP-2\n" + m + "\n"}, {"remember-x11-0-DP-3.new42", "monitor DP-3\n" + m + "\n"},
        {"remember-x11-0-DP-4", "monitor DP-3\n" + m + "\n"}},
       "", "kept", "", "DP-1 HDMI-1.5"},
  };
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "tarnvel-records";
  PosixFiles files;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.op + " " + s.monitor + " with " + std::to_string(s.before.size()) + " files, " + s.session);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const auto& [name, text] : s.before) std::ofstream(folder / name, std::ios::binary) << text;
    ctl::FileNotes notes(files, {folder, "remember-x11-0-", "", s.session, {}});
    std::string result, why;
    if (s.op == "make") {
      const ctl::Notes::Made made = notes.make(s.monitor, m, why);
      result = made == ctl::Notes::Made::Created ? "Created" : made == ctl::Notes::Made::AlreadyThere ? "AlreadyThere" : "Failed: ";
      // A failure is told with the file's name and whose record is in it.
      if (result == "Failed: " && s.result.starts_with(result) && why.find(s.result.substr(8)) != std::string::npos &&
          why.starts_with((folder / file).string())) {
        result = s.result;
      }
    } else if (s.op == "read") {
      result = notes.read(s.monitor).value_or("");
    } else {
      std::vector<std::string> names = notes.kept();
      std::sort(names.begin(), names.end());
      for (const std::string& name : names) result += (result.empty() ? "" : " ") + name;
    }
    EXPECT_EQ(result, s.result);
    Files after;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      after[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(after, s.after.value_or(s.before));
  }
  // With nowhere to keep them, nothing is made, and the reason is told.
  std::string why;
  ctl::FileNotes nowhere(files, {{}, "remember-", "", "", "XDG_RUNTIME_DIR is not set"});
  EXPECT_EQ(nowhere.make("DP-1", m, why), ctl::Notes::Made::Failed);
  EXPECT_EQ(why, "XDG_RUNTIME_DIR is not set");
  EXPECT_EQ(nowhere.read("DP-1"), std::nullopt);
}

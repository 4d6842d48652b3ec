// tarnvelctl on the simulated display: what each command line prints, which mode it switches
// to, and the exit code a script sees.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ctl/tarnvelctl.h"
#include "platform/sim/sim_display.h"
#include "platform/sim/sim_platform.h"

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
  bool reachable = true;
  DisplayDriver* display(const std::string&, std::string& why) override {
    if (!reachable) why = "cannot open the X display \":99\"";
    return reachable ? &sim : nullptr;
  }
  std::optional<std::vector<ctl::Shown>> monitors(std::string&) override { return std::nullopt; }
  Settings& settings() override { return settings_; }
};

struct Case {
  std::vector<std::string> args;
  int code;
  std::string out;         // all of standard output
  std::string err;         // a part of standard error; empty: nothing at all
  int switchedTo = kNoChange;  // the mode in force afterwards, when a change was made
  int changes = 0;
  std::string input = {};
  std::map<std::string, std::string> stored = {};  // key -> value under Tarnvel/Settings
  std::deque<int32_t> results = {};                // the display's answers to the changes
  std::optional<SimMode> screen = {};              // the mode in force, when not row 0
  bool reachable = true;
};

const std::string kUsageLine = std::string(ctl::kUsage) + "\n";

const std::vector<Case> kCases = {
    // Reading.
    {{"list"}, 0,
     "1024 x 768, 32bit color, 60 Hz\n1920 x 1080, 32bit color, 144 Hz\n1920 x 1080, 32bit color, 60 Hz\n"
     "1920 x 1080, 24bit color, 60 Hz\n1280 x 720, 32bit color, 50 Hz\n1280 x 720, 32bit color, 75 Hz\n"
     "800 x 600, 256 colors, 60 Hz\n800 x 600, 32bit color, 60 Hz\n640 x 480, 32bit color, (Hardware default)\n",
     ""},
    {{"current"}, 1, "", "tarnvelctl: no listed mode is in force: 1366 x 768, 32 bits per pixel, 60 Hz (not listed)",
     kNoChange, 0, "", {}, {}, SimMode{1366, 768, 32, 60}},
    // Short forms: the rate in force where the size offers it, else its highest (1280x720 in the
    // --revert-after rows); the depth in force.
    {{"set", "1920x1080"}, 0, "1920 x 1080, 32bit color, 60 Hz\n", "", 2, 1},
    {{"set", "800x600"}, 0, "800 x 600, 32bit color, 60 Hz\n", "", 7, 1},
    {{"set", "1920X1080x16"}, 0, "1920 x 1080, 24bit color, 60 Hz\n", "", 3, 1},
    {{"set", "1920x1080@59"}, 3, "", "tarnvelctl: no listed mode matches \"1920x1080@59\" (9 modes are listed", kNoChange},
    {{"set", "1024x"}, 3, "", "no listed mode matches \"1024x\"", kNoChange},
    // Mode texts: words joined with single blanks, letter case ignored, nothing else forgiven.
    {{"set", "1920", "X", "1080,", "32BIT", "color,", "144", "hz"}, 0, "1920 x 1080, 32bit color, 144 Hz\n", "", 1, 1},
    {{"set", "1920 x 1080,  32bit color, 60 Hz"}, 3, "", "no listed mode matches", kNoChange},
    {{"set", "800x600"}, 4, "", "tarnvelctl: the display did not take 800 x 600, 32bit color, 60 Hz (code -2); in force now: 1024 x 768, 32bit color, 60 Hz",
     kNoChange, 1, "", {}, {-2}},
    // Presets: stored when listed, else the defaults at the rate in force, else empty.
    {{"presets"}, 0, "\n1024 x 768, 32bit color, 60 Hz\n800 x 600, 32bit color, 60 Hz\n\n", ""},
    {{"preset", "2"}, 0, "1280 x 720, 32bit color, 75 Hz\n", "", 5, 1, "", {{"Tarnvel/Settings/d2", "1280 X 720, 32bit color, 75 Hz"}}},
    {{"preset", "3"}, 0, "800 x 600, 32bit color, 60 Hz\n", "", 7, 1, "", {{"Tarnvel/Settings/d3", "800 x 600, 32bit color, 85 Hz"}}},
    {{"preset", "4"}, 3, "", "tarnvelctl: preset 4 is empty", kNoChange},
    // --revert-after: only a line starting with y keeps the mode.
    {{"set", "--revert-after", "5", "1280x720"}, 0, "1280 x 720, 32bit color, 75 Hz\n", "keep 1280 x 720", 5, 1, "Yes\n"},
    {{"preset", "3", "--revert-after=5"}, 5, "800 x 600, 32bit color, 60 Hz\n",
     "tarnvelctl: the answer was not y: switched back to 1024 x 768, 32bit color, 60 Hz", 0, 2, "n\ny\n"},
    {{"set", "1280x720", "--revert-after", "5"}, 5, "1280 x 720, 32bit color, 75 Hz\n",
     "tarnvelctl: end of input: switched back to 1024 x 768", 0, 2, ""},
    {{"set", "1280x720", "--revert-after", "5"}, 4, "1280 x 720, 32bit color, 75 Hz\n",
     "switching back to 1024 x 768, 32bit color, 60 Hz failed (code -1); in force now: 1280 x 720, 32bit color, 75 Hz", 5, 2,
     "\n", {}, {0, -1}},
    // Usage: what was wrong, then the usage line; the display is not asked.
    {{}, 2, "", "tarnvelctl: no command given\n" + kUsageLine},
    {{"list", "all"}, 2, "", "tarnvelctl: list takes no arguments"},
    {{"set"}, 2, "", "tarnvelctl: set needs a MODE"},
    {{"preset", "0"}, 2, "", "tarnvelctl: preset N is 1, 2, 3 or 4, not \"0\""},
    {{"preset", "1", "2"}, 2, "", "tarnvelctl: preset needs one N"},
    {{"--revert-after", "5", "current"}, 2, "", "tarnvelctl: --revert-after goes with set and preset only"},
    {{"set", "1280x720", "--revert-after", "0"}, 2, "", "--revert-after takes whole seconds from 1 to 86400, not \"0\""},
    {{"set", "1280x720", "--revert-after"}, 2, "", "tarnvelctl: --revert-after needs SECONDS"},
    {{"set", "-q", "1280x720"}, 2, "", "tarnvelctl: unknown option -q"},
    {{"--version"}, 0, "tarnvelctl 1.0.8\n", ""},
    {{"list", "--help"}, 0, kUsageLine + "\nSwitches the display mode", "", kNoChange, 0, "", {}, {}, {}, false},
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
    std::istringstream in(c.input);
    std::ostringstream out, err;

    EXPECT_EQ(ctl::Run(c.args, host, in, out, err), c.code);
    if (c.out.ends_with('\n') || c.out.empty()) {
      EXPECT_EQ(out.str(), c.out);
    } else {
      EXPECT_TRUE(out.str().starts_with(c.out)) << out.str();
    }
    if (c.err.empty()) {
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    }
    EXPECT_EQ(static_cast<int>(host.sim.changes.size()), c.changes);
    for (const auto& change : host.sim.changes) EXPECT_EQ(change.flags, kChangeDynamic);
    if (c.switchedTo != kNoChange) {
      const SimMode& m = kModes[static_cast<size_t>(c.switchedTo)];
      const auto& now = host.sim.current;
      EXPECT_EQ(std::tuple(now.horzRes, now.vertRes, now.bitsPixel, now.vRefresh),
                std::tuple(m.width, m.height, m.bitsPerPel, m.rate));
    }
    // Presets are read, never written.
    EXPECT_EQ(host.settings_.writes, 0);
  }
}

}  // namespace

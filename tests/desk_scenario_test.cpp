// The tray program and tarnvelctl on a simulated desk of three monitors: what they list and
// switch, what becomes of the other monitors, and the way back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ctl/desk_monitors.h"
#include "ctl_console.h"
#include "ctl/tarnvelctl.h"
#include "desktop/confirmed_display.h"
#include "desktop/desk_file.h"
#include "platform/posix/posix_files.h"
#include "platform/sim/sim_desk.h"
#include "harness.h"

namespace {

// DUMMY0 and the primary DUMMY1 side by side, DUMMY2 under DUMMY0; DUMMY1 offers three sizes,
// two of them at two rates.
const char* kThree = R"(desk physical 32
place 0 0
monitor DUMMY0
mode 1024x768@60 id 10 current
place 1024 0
monitor DUMMY1 primary
mode 1280x1024@60.02 id 20 current
mode 1024x768@60 id 21
mode 1024x768@75.03 id 22
mode 800x600@60.32 id 23
place 0 768
monitor DUMMY2
mode 800x600@60.32 id 30 current
mode 640x480@59.94 id 31
)";

// Each place as "NAME WxH+X+Y".
std::string Layout(const desktop::Desk& desk) {
  std::string out;
  for (const desktop::Place& p : desk.places) {
    const desktop::Rect& r = p.rect;
    out += (out.empty() ? "" : "; ") + p.monitors[0].name + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height) + "+" + std::to_string(r.x) + "+" + std::to_string(r.y);
  }
  return out;
}

// The tray program on the desk, as main() wires it on Linux.
struct ThreeMonitors {
  SimDesk sim{DeskFixture(kThree)};
  desktop::DesktopDisplay driver{sim};
  ConfirmedDisplay display{driver};
};

struct TrayOnADesk : ::testing::Test, ThreeMonitors, Program {
  TrayOnADesk() : Program(display) {}
};

}  // namespace

TEST_F(TrayOnADesk, SwitchesThePrimaryAndKeepsTheDeskWhole) {
  const desktop::Desk before = sim.desk;
  form.Form_Load();
  EXPECT_EQ(form.mnuResDef.caption(), "Current: 1280 x 1024, 32bit color, 60 Hz");
  EXPECT_EQ(form.List1.listCount(), 4);  // the primary's modes, none of DUMMY0's or DUMMY2's

  switchTo("800 x 600, 32bit color, 60 Hz");
  EXPECT_TRUE(toolkit.boxes.empty());
  EXPECT_EQ(Layout(sim.desk), "DUMMY0 1024x768+0+0; DUMMY1 800x600+1024+0; DUMMY2 800x600+0+768");
  switchTo("1280 x 1024, 32bit color, 60 Hz");
  EXPECT_EQ(sim.desk, before);

  // A monitor that had to slide comes back too: the program remembers where it was.
  sim.desk.places[2].rect.x = 2304;
  sim.desk.places[2].rect.y = 700;  // DUMMY2 right of the primary's lower part
  const desktop::Desk slid = sim.desk;
  switchTo("800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(Layout(sim.desk), "DUMMY0 1024x768+0+0; DUMMY1 800x600+1024+0; DUMMY2 800x600+1824+0");
  switchTo("1280 x 1024, 32bit color, 60 Hz");
  EXPECT_EQ(sim.desk, slid);

  // Once another program changed the desk, the memory is no guide: the rule alone decides.
  switchTo("800 x 600, 32bit color, 60 Hz");
  sim.desk.places[0].rect.y = 1;  // DUMMY0 a pixel lower, still beside the primary
  switchTo("1280 x 1024, 32bit color, 60 Hz");
  EXPECT_EQ(Layout(sim.desk), "DUMMY0 1024x768+0+1; DUMMY1 1280x1024+1024+0; DUMMY2 800x600+2304+0");
  EXPECT_TRUE(toolkit.boxes.empty());
}

TEST(TarnvelctlOnADesk, ReachesEveryMonitor) {
  struct Host final : ctl::Host {
    SimDesk sim{DeskFixture(kThree)};
    PosixFiles files;
    desktop::DeskFile memory{std::filesystem::path(testing::TempDir()) / "tarnvel-desk-scenario", files};
    std::unique_ptr<desktop::DesktopDisplay> driver;
    std::unique_ptr<ConfirmedDisplay> confirmed;
    SimSettings store;
    DisplayDriver* display(const std::string& monitor, std::string&) override {
      driver = std::make_unique<desktop::DesktopDisplay>(sim, monitor, &memory);
      confirmed = std::make_unique<ConfirmedDisplay>(*driver);
      return confirmed.get();
    }
    std::optional<std::vector<ctl::Shown>> monitors(std::string&) override { return ctl::ShownOf(sim.desk); }
    Settings& settings() override { return store; }
    ctl::Notes& notes() override { return records; }
    SimNotes records;
  } host;
  std::filesystem::remove(std::filesystem::path(testing::TempDir()) / "tarnvel-desk-scenario");
  const desktop::Desk before = host.sim.desk;
  struct Line {
    std::vector<std::string> args;
    int code;
    std::string out, err;
    std::string layout = {};  // afterwards; empty: as before the line
  };
  const std::vector<Line> lines = {
      {{"monitors"},
       0,
       "DUMMY0\t1024 x 768, 32bit color, 60 Hz\t+0+0\n"
       "DUMMY1\t1280 x 1024, 32bit color, 60 Hz\t+1024+0\tprimary\n"
       "DUMMY2\t800 x 600, 32bit color, 60 Hz\t+0+768\n",
       ""},
      {{"list", "--monitor", "DUMMY2"}, 0, "800 x 600, 32bit color, 60 Hz\n640 x 480, 32bit color, 60 Hz\n", ""},
      {{"-m", "DUMMY0", "current"}, 0, "1024 x 768, 32bit color, 60 Hz\n", ""},
      {{"--monitor=HDMI-1", "list"}, 3, "",
       "tarnvelctl: no monitor \"HDMI-1\" shows a picture; the monitors that do: DUMMY0, DUMMY1, DUMMY2\n"},
      {{"-m", "DUMMY2", "monitors"}, 2, "", "tarnvelctl: --monitor goes with list, current, set, preset, presets and restore\n"},
      // DUMMY2 narrows under DUMMY0; the primary, which it never touched, stays.
      {{"set", "640x480", "-m", "DUMMY2"}, 0, "640 x 480, 32bit color, 60 Hz\n", "",
       "DUMMY0 1024x768+0+0; DUMMY1 1280x1024+1024+0; DUMMY2 640x480+0+768"},
      {{"set", "800x600", "-m", "DUMMY2"}, 0, "800 x 600, 32bit color, 60 Hz\n", ""},
      {{"set", "1024x768@75"}, 0, "1024 x 768, 32bit color, 75 Hz\n", "",
       "DUMMY0 1024x768+0+0; DUMMY1 1024x768+1024+0; DUMMY2 800x600+0+768"},
      // A monitor the last switch left alone, set to the mode it has: that switch stays.
      {{"set", "-m", "DUMMY2", "800x600"}, 0, "800 x 600, 32bit color, 60 Hz\n", "",
       "DUMMY0 1024x768+0+0; DUMMY1 1024x768+1024+0; DUMMY2 800x600+0+768"},
      {{"set", "1280x1024"}, 0, "1280 x 1024, 32bit color, 60 Hz\n", ""},
  };
  for (const Line& line : lines) {
    std::string text;
    for (const std::string& a : line.args) text += " " + a;
    SCOPED_TRACE("tarnvelctl" + text);
    SimConsole console;
    EXPECT_EQ(ctl::Run(line.args, host, console), line.code);
    EXPECT_EQ(console.written, line.out);
    EXPECT_EQ(console.errors.substr(0, line.err.size()), line.err);
    EXPECT_EQ(Layout(host.sim.desk), line.layout.empty() ? Layout(before) : line.layout);
  }
  // The next run finds the arrangement in the file, and the desk the last switch left.
  const auto last = desktop::DeskFile(std::filesystem::path(testing::TempDir()) / "tarnvel-desk-scenario", host.files).recall();
  ASSERT_TRUE(last) << "the arrangement was not kept";
  EXPECT_EQ(last->arranged, before);
  EXPECT_EQ(last->left, host.sim.desk);
}

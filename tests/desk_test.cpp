// The rule that keeps a desk whole when its driven monitor takes another mode, on the desks
// people build: each named desk after the switch and after the switch back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "desk_fixtures.h"
#include "desktop/desk.h"
#include "desktop/desk_file.h"
#include "platform/posix/posix_files.h"
#include "desktop/desktop_display.h"
#include "desktop/layout.h"
#include "platform/sim/sim_desk.h"

namespace {

using desktop::Desk;

// A place of one monitor (or of a mirrored set, "A+B") offering `modes` at 60 Hz, the first in
// force: "place" lines of the desk's text form. `extra` goes on every mode line.
std::string Place(const std::string& names, int x, int y, const std::string& modes, const std::string& place = "",
                  const std::string& extra = "") {
  std::string text = "place " + std::to_string(x) + " " + std::to_string(y) + " " + place + "\n";
  std::istringstream members(names);
  for (std::string name; std::getline(members, name, '+');) {
    const bool primary = name.ends_with('*');
    if (primary) name.pop_back();
    text += "monitor " + name + (primary ? " primary\n" : "\n");
    std::istringstream words(modes);
    bool first = true;
    for (std::string mode; words >> mode; first = false) {
      text += "mode " + mode + (mode.find('@') == std::string::npos ? "@60" : "") + " " + extra + (first ? " current\n" : "\n");
    }
  }
  return text;
}

// "DUMMY1 800x600+1024+0": each place's monitors in their modes (a rate other than 60 given),
// where it is, and its scale and turn when they are not 1 and 0.
std::string Describe(const Desk& desk) {
  std::string out;
  for (const desktop::Place& p : desk.places) {
    std::string names;
    for (const desktop::Monitor& m : p.monitors) {
      const desktop::Mode& mode = m.current();
      char rate[16] = "";
      if (mode.rate != 60) std::snprintf(rate, sizeof rate, "@%g", mode.rate);
      names += (names.empty() ? "" : ",") + m.name + " " + std::to_string(mode.width) + "x" + std::to_string(mode.height) + rate;
    }
    char scale[16] = "";
    if (p.scale != 1) std::snprintf(scale, sizeof scale, " x%g", p.scale);
    out += (out.empty() ? "" : "; ") + names + "+" + std::to_string(p.rect.x) + "+" + std::to_string(p.rect.y) + scale +
           (p.transform ? " turned" : "");
  }
  return out;
}

// The driven monitor's first mode of that size at 60 Hz, or its mode `mode` when that is one.
std::optional<Desk> Switch(const Desk& desk, int32_t width, int32_t height) {
  const auto target = desktop::Driven(desk);
  if (!target) return std::nullopt;
  const auto mode = desktop::ModeOfSize(desktop::At(desk, *target), width, height, 60);
  if (!mode) return std::nullopt;
  return desktop::Plan(desk, *target, *mode);
}

struct Row {
  std::string name;
  std::string desk;  // its places
  int32_t width = 0, height = 0;
  std::string after = {};  // empty: refused, nothing changes
  bool logical = false;
};

const std::string kXga = "1024x768 800x600 1280x1024";

}  // namespace

TEST(Desk, ASwitchKeepsTheDeskWholeAndTheWayBackRestoresIt) {
  const std::vector<Row> rows = {
      {.name = "a third monitor below the left one, the primary on the right: it stays",
       .desk = Place("DUMMY0", 0, 0, "1024x768") + Place("DUMMY1*", 1024, 0, kXga) + Place("DUMMY2", 0, 768, "800x600"),
       .width = 800, .height = 600,
       .after = "DUMMY0 1024x768+0+0; DUMMY1 800x600+1024+0; DUMMY2 800x600+0+768"},
      {.name = "the same desk, the primary taller than the left one: the way back is open",
       .desk = Place("DUMMY0", 0, 0, "1024x768") + Place("DUMMY1*", 1024, 0, "1280x1024 800x600") +
               Place("DUMMY2", 0, 768, "800x600"),
       .width = 800, .height = 600,
       .after = "DUMMY0 1024x768+0+0; DUMMY1 800x600+1024+0; DUMMY2 800x600+0+768"},
      {.name = "GNOME at a fractional scale, the primary right of one with another below that: only the primary changes",
       .desk = Place("LVDS2", 0, 0, "1600x1200") +
               Place("LVDS1*", 1600, 0, "1600x1200 1280x1024", "scale 1.5", "scales 1,1.5,2 prefer 1.5") +
               Place("LVDS3", 0, 1200, "1600x1200"),
       .width = 1280, .height = 1024,
       .after = "LVDS2 1600x1200+0+0; LVDS1 1280x1024+1600+0 x1.5; LVDS3 1600x1200+0+1200",
       .logical = true},
      {.name = "a wide monitor below the primary that touches the right one too: it stays, the right one follows",
       .desk = Place("DUMMY0*", 0, 0, kXga) + Place("DUMMY1", 1024, 0, "1024x768") + Place("DUMMY2", 0, 768, "1280x1024"),
       .width = 800, .height = 600,
       .after = "DUMMY0 800x600+0+0; DUMMY1 1024x768+800+0; DUMMY2 1280x1024+0+768"},
      {.name = "two in a row, the primary on the left: the other follows its right edge",
       .desk = Place("A*", 0, 0, kXga) + Place("B", 1024, 0, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0; B 1024x768+1280+0"},
      {.name = "two in a row, the primary on the right: nothing else moves",
       .desk = Place("A", 0, 0, "1024x768") + Place("B*", 1024, 0, kXga),
       .width = 800, .height = 600,
       .after = "A 1024x768+0+0; B 800x600+1024+0"},
      {.name = "three in a row, the primary on the left: both follow",
       .desk = Place("A*", 0, 0, kXga) + Place("B", 1024, 0, "1024x768") + Place("C", 2048, 0, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0; B 1024x768+1280+0; C 1024x768+2304+0"},
      {.name = "three in a row, the primary in the middle: the right one follows",
       .desk = Place("A", 0, 0, "1024x768") + Place("B*", 1024, 0, kXga) + Place("C", 2048, 0, "1024x768"),
       .width = 800, .height = 600,
       .after = "A 1024x768+0+0; B 800x600+1024+0; C 1024x768+1824+0"},
      {.name = "three in a row, the primary on the right",
       .desk = Place("A", 0, 0, "1024x768") + Place("B", 1024, 0, "1024x768") + Place("C*", 2048, 0, kXga),
       .width = 1280, .height = 1024,
       .after = "A 1024x768+0+0; B 1024x768+1024+0; C 1280x1024+2048+0"},
      {.name = "a laptop below an external monitor, left-aligned: it rises with the bottom edge",
       .desk = Place("HDMI-1*", 0, 0, "1920x1080 1280x1024") + Place("eDP-1", 0, 1080, "1366x768"),
       .width = 1280, .height = 1024,
       .after = "HDMI-1 1280x1024+0+0; eDP-1 1366x768+0+1024"},
      {.name = "a laptop below an external monitor, centred: it rises and keeps its place along the edge",
       .desk = Place("HDMI-1*", 0, 0, "1920x1080 1280x1024") + Place("eDP-1", 277, 1080, "1366x768"),
       .width = 1280, .height = 1024,
       .after = "HDMI-1 1280x1024+0+0; eDP-1 1366x768+277+1024"},
      {.name = "a laptop above an external monitor, centred, the laptop switched",
       .desk = Place("eDP-1*", 277, 0, "1366x768 1024x768") + Place("HDMI-1", 0, 768, "1920x1080"),
       .width = 1024, .height = 768,
       .after = "eDP-1 1024x768+277+0; HDMI-1 1920x1080+0+768"},
      {.name = "a laptop above an external monitor, left-aligned, the monitor below switched: nothing else moves",
       .desk = Place("eDP-1", 0, 0, "1366x768") + Place("HDMI-1*", 0, 768, "1920x1080 1280x1024"),
       .width = 1280, .height = 1024,
       .after = "eDP-1 1366x768+0+0; HDMI-1 1280x1024+0+768"},
      {.name = "a 2 x 2 grid, the top right switched: the others stay, a gap is no harm",
       .desk = Place("A", 0, 0, "1024x768") + Place("B*", 1024, 0, kXga) + Place("C", 0, 768, "1024x768") +
               Place("D", 1024, 768, "1024x768"),
       .width = 800, .height = 600,
       .after = "A 1024x768+0+0; B 800x600+1024+0; C 1024x768+0+768; D 1024x768+1024+768"},
      {.name = "a mirrored pair beside a third: both take the size, each at its rate nearest the first of two as near",
       .desk = "place 0 0\nmonitor A primary\nmode 1024x768@60 current\nmode 800x600@60\n"
               "monitor B\nmode 1024x768@60 current\nmode 800x600@50\nmode 800x600@70\n" +
               Place("C", 1024, 0, "1024x768"),
       .width = 800, .height = 600,
       .after = "A 800x600,B 800x600@50+0+0; C 1024x768+800+0"},
      {.name = "a monitor left and low would touch nothing: it slides until its bottom meets the edge's",
       .desk = Place("R*", 1024, 0, "2560x1600 1280x800") + Place("L", 0, 900, "1024x768"),
       .width = 1280, .height = 800,
       .after = "R 1280x800+1024+0; L 1024x768+0+32"},
      {.name = "turned a quarter: its height on the desk is the mode's width",
       .desk = Place("A*", 0, 0, "1024x768 1280x1024", "turn 1") + Place("B", 768, 0, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0 turned; B 1024x768+1024+0"},
      {.name = "no primary, as X allows: the first monitor is driven",
       .desk = Place("A", 0, 0, kXga) + Place("B", 1024, 0, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0; B 1024x768+1280+0"},
      {.name = "turned three quarters: as at one quarter, its height on the desk is the mode's width",
       .desk = Place("A*", 0, 0, "1024x768 1280x1024", "turn 3") + Place("B", 768, 0, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0 turned; B 1024x768+1024+0"},
      {.name = "monitors that overlap are of one piece: refused where the overlap would end with nowhere to go",
       .desk = Place("A*", 0, 0, "1024x768 640x480") + Place("B", 600, 500, "1024x768"),
       .width = 640, .height = 480},
      {.name = "monitors that overlap may go on overlapping: nothing moves",
       .desk = Place("A*", 0, 0, kXga) + Place("B", 600, 500, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0; B 1024x768+600+500"},
      {.name = "two ways to keep the desk whole that move as much: the one monitor first in order moves less",
       .desk = Place("A*", 0, 0, "1024x768 768x512") + Place("B", 1024, 0, "1024x768") + Place("C", 0, 768, "1024x768"),
       .width = 768, .height = 512,
       .after = "A 768x512+0+0; B 1024x768+1024+0; C 1024x768+0+512"},
      {.name = "a monitor that faces the changed one across the one beside it follows that one",
       .desk = Place("C*", 0, 0, "1440x900 1920x1080") + Place("M", 1440, 50, "1280x800") + Place("R", 2720, 0, "900x1600"),
       .width = 1920, .height = 1080,
       .after = "C 1920x1080+0+0; M 1280x800+1920+50; R 900x1600+3200+0"},
      {.name = "a 2 x 2 grid listed by columns, the top left grown: of two places as far, the higher",
       .desk = Place("A*", 0, 0, kXga) + Place("C", 0, 768, "1024x768") + Place("B", 1024, 0, "1024x768") +
               Place("D", 1024, 768, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0; C 1024x768+0+1024; B 1024x768+1280+0; D 1024x768+1280+768"},
      {.name = "a monitor standing apart, in the way: it goes to the edge, and a gap is no reason to refuse",
       .desk = Place("A*", 0, 0, kXga) + Place("B", 1100, 0, "1024x768"),
       .width = 1280, .height = 1024,
       .after = "A 1280x1024+0+0; B 1024x768+1280+0"},
      {.name = "in the way, and touching a monitor that need not move: it keeps touching that one",
       .desk = Place("A", 0, 0, "1600x768") + Place("P*", 0, 768, kXga) + Place("B", 1200, 768, "800x600"),
       .width = 1280, .height = 1024,
       .after = "A 1600x768+0+0; P 1280x1024+0+768; B 800x600+1280+768"},

  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string text = std::string("desk ") + (row.logical ? "logical" : "physical") + " 32\n" + row.desk;
    // Places are listed left to right where the desk says so; the text form keeps their order.
    const Desk before = DeskFixture(text);
    const std::optional<Desk> after = Switch(before, row.width, row.height);
    if (row.after.empty()) {
      EXPECT_FALSE(after) << Describe(*after);
      continue;
    }
    ASSERT_TRUE(after);
    EXPECT_EQ(Describe(*after), row.after);
    // Planned from the arrangement, the way back gives it back exactly.
    const auto target = desktop::Driven(before);
    const std::optional<Desk> back = desktop::Plan(before, *after, *target, desktop::At(before, *target).mode);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, before) << Describe(*back);
  }
}

// The driven monitor's scale after a switch: one the system chose follows the new mode, one the
// user chose stays where the new mode allows it, else the nearest allowed, the lower of two.
TEST(Desk, TheScaleFollowsTheModeWhereTheSystemChoseIt) {
  const std::string big = "mode 2560x1600@60 scales 1,2,3 prefer 2";
  struct Scaled {
    std::string name;
    double scale;
    std::string from, to;  // the mode lines switched from and to
    double after, back;
  };
  const std::vector<Scaled> rows = {
      {"the user's scale, allowed by the new mode, stays", 1, big, "mode 1920x1080@60 scales 1,2 prefer 2", 1, 1},
      {"the system's scale follows the mode, and comes back with it", 2, big, "mode 1280x800@60 scales 1 prefer 2", 1, 2},
      {"the user's scale the new mode refuses: the nearest it allows", 3, big, "mode 1920x1080@60 scales 1,2 prefer 2", 2, 3},
      {"the system's, refused: the nearest to its preference, the lower of two as near", 1.5,
       "mode 2560x1600@60 scales 1,1.5,2 prefer 1.5", "mode 1920x1080@60 scales 1,2 prefer 1.5", 1, 1.5},
  };
  for (const Scaled& row : rows) {
    SCOPED_TRACE(row.name);
    const Desk before = DeskFixture("desk logical 32\nplace 0 0 scale " + std::to_string(row.scale) +
                                    "\nmonitor eDP-1 primary\n" + row.from + " current\n" + row.to + "\n");
    const std::optional<Desk> after = desktop::Plan(before, {0, 0}, 1);
    ASSERT_TRUE(after);
    EXPECT_DOUBLE_EQ(after->places[0].scale, row.after);
    // Planned from the arrangement: its scale, wherever the mode allows it.
    const std::optional<Desk> back = desktop::Plan(before, *after, {0, 0}, 0);
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(back->places[0].scale, row.back);
  }
}

// A record made from a mode picks that mode out again, and no other: not the interlaced one of
// the same size and rate, not another rate, not at another depth.
TEST(Desk, ARecordMatchesItsOwnModeAlone) {
  const Desk desk = DeskFixture("desk physical 32\nplace 0 0\nmonitor HDMI-1 primary\nmode 1920x1080@60 interlaced current\n"
                                "mode 1920x1080@60\nmode 1920x1080@50\nmode 1280x720@60\n");
  const desktop::Monitor& tv = desk.places[0].monitors[0];
  for (size_t asked = 0; asked < tv.modes.size(); ++asked) {
    const DevMode record = desktop::Record(desk, tv, tv.modes[asked]);
    for (size_t mode = 0; mode < tv.modes.size(); ++mode) {
      EXPECT_EQ(desktop::Matches(desk, tv.modes[mode], record), mode == asked) << "mode " << mode << " for " << asked;
    }
    DevMode deeper = record;
    deeper.dmBitsPerPel = 16;
    EXPECT_FALSE(desktop::Matches(desk, tv.modes[asked], deeper));
    // Without a rate, or at the hardware's default of 1 Hz, any rate of the size will do.
    DevMode anyRate = record, defaultRate = record;
    anyRate.dmFields &= ~dm::kDisplayFrequency;
    defaultRate.dmDisplayFrequency = 1;
    for (size_t mode = 0; mode < tv.modes.size(); ++mode) {
      const bool sized = tv.modes[mode].width == tv.modes[asked].width && tv.modes[mode].interlaced == tv.modes[asked].interlaced;
      EXPECT_EQ(desktop::Matches(desk, tv.modes[mode], anyRate), sized) << "mode " << mode << " for " << asked << " at any rate";
      EXPECT_EQ(desktop::Matches(desk, tv.modes[mode], defaultRate), sized) << "mode " << mode << " for " << asked << " at 1 Hz";
    }
  }
}

namespace {


}  // namespace

// The named desks through the display driver, each switch planned from the arrangement the
// driver keeps: the layout after each, and the arrangement exactly once every monitor is back.
TEST(Desk, NamedDesksAfterEachSwitchAndBack) {
  for (const NamedDesk& named : NamedDesks()) {
    SCOPED_TRACE(named.name);
    const Desk arranged = DeskFixture(named.text);
    SimDesk sim(arranged);
    Kept memory;
    for (const DeskStep& step : named.steps) {
      ExpectStep(sim, memory, step.monitor, step, Layout(arranged), [&] { return Layout(sim.desk); });
      // Back at the arranged sizes, the arrangement exactly: scales and turns too.
      if (step.after == "arranged") {
        EXPECT_EQ(sim.desk, arranged);
      }
    }
  }
}

// Someone else's change makes the desk in force the arrangement: the way back then leads to it,
// and not to the desk from before.
TEST(Desk, ADeskChangedBySomeoneElseIsTheNewArrangement) {
  const auto desks = NamedDesks();
  const auto named = std::find_if(desks.begin(), desks.end(), [](const NamedDesk& d) { return d.name == "grid"; });
  ASSERT_NE(named, desks.end());
  const Desk grid = DeskFixture(named->text);
  struct Change {
    std::string name;
    void (*make)(Desk&);
  };
  const std::vector<Change> changes = {
      {"a place", [](Desk& d) { d.places[3].rect.x += 10; }},
      {"a scale", [](Desk& d) { d.places[0].scale = 2; }},
      {"a rate", [](Desk& d) { d.places[2].monitors[0].modes[0].rate = 75; }},
      {"a mode", [](Desk& d) { d.places[2].monitors[0].mode = 3; d.places[2].rect.width = 800; d.places[2].rect.height = 600; }},
      {"the primary", [](Desk& d) { d.places[1].monitors[0].primary = false; d.places[0].monitors[0].primary = true; }},
      {"a monitor turned off", [](Desk& d) { d.places.pop_back(); }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    SimDesk sim(grid);
    Kept memory;
    ASSERT_EQ(SwitchOn(sim, memory, "DUMMY1", 1920, 1080), 0);
    change.make(sim.desk);
    const Desk theirs = sim.desk;
    ASSERT_EQ(SwitchOn(sim, memory, "DUMMY1", 640, 480), 0);
    ASSERT_TRUE(memory.record);
    EXPECT_EQ(memory.record->arranged, theirs) << "not taken as the arrangement";
    ASSERT_EQ(SwitchOn(sim, memory, "DUMMY1", 1920, 1080), 0);
    EXPECT_EQ(sim.desk, theirs) << Layout(sim.desk);
  }
  // A different list of modes is no change of the desk.
  SimDesk sim(grid);
  Kept memory;
  ASSERT_EQ(SwitchOn(sim, memory, "DUMMY1", 1920, 1080), 0);
  sim.desk.places[0].monitors[0].modes.pop_back();
  ASSERT_EQ(SwitchOn(sim, memory, "DUMMY1", 1024, 768), 0);
  EXPECT_EQ(Layout(sim.desk), Layout(grid));
}

// A monitor gone by the time the desk is read is driven no more: nothing is listed or changed,
// and no other monitor is driven in its place.
TEST(Desk, AMonitorThatIsGoneIsNotDriven) {
  SimDesk sim(DeskFixture("desk physical 32\n" + Place("A*", 0, 0, kXga) + Place("B", 1024, 0, kXga)));
  const Desk before = sim.desk;
  desktop::DesktopDisplay driver(sim, "C");
  DevMode mode{};
  EXPECT_FALSE(driver.enumMode(0, mode));
  EXPECT_EQ(driver.metrics().horzRes, 0);
  mode.dmFields = dm::kPelsWidth | dm::kPelsHeight;
  mode.dmPelsWidth = 800;
  mode.dmPelsHeight = 600;
  EXPECT_NE(driver.changeMode(mode, kChangeDynamic), disp_change::kSuccessful);
  EXPECT_EQ(sim.desk, before);
}

// The record takes only what is written to it: an arrangement and the desk the last switch left.
TEST(Desk, TheRecordReadsOnlyWhatItWrites) {
  const std::string desk = "desk physical 32\n" + Place("A*", 0, 0, kXga);
  const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "tarnvel-desk-record";
  PosixFiles files;
  const std::vector<std::pair<std::string, bool>> texts = {
      {desk + desk, true},
      {desk, false},
      {desk + desk + desk, false},
      {desk + desk + "place 0 768\nmonitor B\nmode 1024x768@60\n", false},  // a monitor without a mode in force
      {desk + desk + "place 0 768\nmonitor A\nmode 1024x768@60 current\n", false},  // two monitors of one name
      {"", false},
  };
  for (const auto& [text, taken] : texts) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(desktop::DeskFile(path, files).recall().has_value(), taken) << text;
  }
  desktop::DeskFile file(path, files);
  const desktop::Arrangement record{DeskFixture(desk), DeskFixture(desk)};
  file.remember(record);
  EXPECT_EQ(file.recall(), record);
  std::filesystem::remove(path);
}

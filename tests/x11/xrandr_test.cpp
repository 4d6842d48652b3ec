// The XRandR display against a real X server (Xorg, dummy video driver), checked against
// what xrandr itself reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "desk_fixtures.h"
#include "modes/mode_text.h"
#include "modes/screen_res.h"
#include "platform/sim/sim_desk.h"
#include "platform/sim/sim_platform.h"
#include "x11/test_server.h"
#include "platform/x11/xrandr_desk.h"

// Last: Xlib defines macros that collide with GoogleTest's names.
#include <X11/Xlib.h>

namespace {

struct XMode {
  int width, height, rate;
  bool operator==(const XMode&) const = default;
};
std::ostream& operator<<(std::ostream& os, const XMode& m) { return os << m.width << "x" << m.height << "@" << m.rate; }

// The modes of the primary output, in xrandr's order, from `xrandr --verbose`.
std::vector<XMode> XrandrModes() {
  std::istringstream in(Sh("xrandr --verbose"));
  std::vector<XMode> modes;
  bool inOutput = false;
  std::string line;
  const std::regex width(R"(^\s+h: width\s+(\d+))"), height(R"(^\s+v: height\s+(\d+).*clock\s+([\d.]+)Hz)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != ' ' && line[0] != '\t')
      inOutput = line.find(" connected primary") != std::string::npos;
    if (!inOutput) continue;
    if (std::regex_search(line, m, width)) modes.push_back({std::stoi(m[1]), 0, 0});
    if (std::regex_search(line, m, height)) {
      modes.back().height = std::stoi(m[1]);
      modes.back().rate = static_cast<int>(std::lround(std::stod(m[2])));
    }
  }
  return modes;
}

// The size of the screen as xrandr reports it: "current W x H".
std::string XrandrCurrent() {
  std::smatch m;
  const std::string out = Sh("xrandr");
  return std::regex_search(out, m, std::regex(R"(current (\d+ x \d+))")) ? m[1].str() : out;
}

// The screen and every output that shows a picture, as xrandr reports them:
// "screen 2304 x 1024; DUMMY0 1280x1024+0+0; DUMMY1 1024x768+1280+0".
std::string XrandrDesktop() {
  std::istringstream in(Sh("xrandr"));
  std::string out = "screen " + XrandrCurrent(), line;
  const std::regex output(R"(^(\S+) connected (?:primary )?(\d+x\d+\+\d+\+\d+))");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, output)) out += "; " + m[1].str() + " " + m[2].str();
  }
  return out;
}

class XRandr : public ::testing::Test {
 protected:
  void SetUp() override {
    dpy = XOpenDisplay(TestDisplay().c_str());
    ASSERT_NE(dpy, nullptr) << "no X server at '" << TestDisplay() << "'";
    desk = std::make_unique<XRandrDesk>(dpy);
    display = std::make_unique<desktop::DesktopDisplay>(*desk);
    ASSERT_EQ(change(1024, 768, 60), 0);
  }
  void TearDown() override {
    display.reset();
    desk.reset();
    if (dpy) XCloseDisplay(dpy);
  }
  int32_t change(int32_t w, int32_t h, int32_t rate, uint32_t flags = kChangeDynamic) {
    DevMode m{};
    m.dmFields = dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFrequency;
    m.dmPelsWidth = w;
    m.dmPelsHeight = h;
    m.dmDisplayFrequency = rate;
    return display->changeMode(m, flags);
  }
  std::vector<XMode> enumerate(const char* primary = "DUMMY0") {
    std::vector<XMode> modes;
    DevMode m{};
    for (int32_t i = 0; display->enumMode(i, m); ++i) {
      modes.push_back({m.dmPelsWidth, m.dmPelsHeight, m.dmDisplayFrequency});
      EXPECT_EQ(m.dmSize, 124);
      EXPECT_EQ(m.dmBitsPerPel, 32);
      EXPECT_STREQ(m.dmDeviceName, primary);
    }
    return modes;
  }
  // X requests one enumeration of the engine costs.
  unsigned long requestsPerEnumeration() {
    SimToolkit toolkit;
    ScreenRes engine(*display, toolkit);
    std::vector<std::string> texts;
    const unsigned long before = XNextRequest(dpy);
    engine.EnumDisplayModes(texts);
    return XNextRequest(dpy) - before;
  }

  Display* dpy = nullptr;
  std::unique_ptr<XRandrDesk> desk;
  std::unique_ptr<desktop::DesktopDisplay> display;
};

}  // namespace

TEST_F(XRandr, EnumerationMatchesXrandr) {
  const auto ours = enumerate();
  EXPECT_GT(ours.size(), 6u);
  EXPECT_EQ(ours, XrandrModes());
  DevMode untouched{};
  untouched.dmPelsWidth = 7;
  EXPECT_FALSE(display->enumMode(static_cast<int32_t>(ours.size()), untouched));
  EXPECT_EQ(untouched.dmPelsWidth, 7);
}

TEST_F(XRandr, ModeInForceIsFound) {
  SimToolkit toolkit;
  ScreenRes engine(*display, toolkit);
  struct : ModeList {
    void clear() override {}
    void addItem(std::string) override {}
    void setListIndex(int16_t i) override { selected = i; }
    int16_t selected = -1;
  } list;
  engine.FillModeList(list);
  ASSERT_GE(engine.GetCurrentModeIndex(), 0);
  EXPECT_EQ(list.selected, engine.GetCurrentModeIndex());
  EXPECT_EQ(ModeText(engine.DisplayModes()[engine.GetCurrentModeIndex()]), "1024 x 768, 32bit color, 60 Hz");
  EXPECT_TRUE(toolkit.boxes.empty());
}

TEST_F(XRandr, FractionalRateReadsTheSameInBoth) {
  ASSERT_EQ(change(640, 480, 60), 0);  // 59.94 Hz on the server
  const ScreenMetrics now = display->metrics();
  EXPECT_EQ(now.horzRes, 640);
  EXPECT_EQ(now.vRefresh, 60);
  SimToolkit toolkit;
  ScreenRes engine(*display, toolkit);
  std::vector<std::string> texts;
  engine.EnumDisplayModes(texts);
  EXPECT_NE(engine.FindCurrentMode(), -1);
}

TEST_F(XRandr, ChangeSwitchesTheServer) {
  ASSERT_EQ(change(1024, 768, 75), 0);
  EXPECT_EQ(display->metrics().vRefresh, 75);
  EXPECT_NE(Sh("xrandr").find("1024x768_75   75.03*"), std::string::npos) << Sh("xrandr");
  ASSERT_EQ(change(800, 600, 60), 0);
  EXPECT_EQ(XrandrCurrent(), "800 x 600");
  const ScreenMetrics now = display->metrics();
  EXPECT_EQ(now.horzRes, 800);
  EXPECT_EQ(now.vertRes, 600);
  EXPECT_EQ(now.bitsPixel, 32);
  ASSERT_EQ(change(1600, 1200, 60), 0);  // the screen grows first
  EXPECT_EQ(XrandrCurrent(), "1600 x 1200");
}

TEST_F(XRandr, RefusedRecordsChangeNothing) {
  EXPECT_EQ(change(1023, 768, 60), disp_change::kBadMode);
  EXPECT_EQ(change(1024, 768, 61), disp_change::kBadMode);
  EXPECT_EQ(change(0, 768, 60), disp_change::kBadParam);
  EXPECT_EQ(change(800, 600, 60, kChangeDynamic | 0x1), disp_change::kBadFlags);
  EXPECT_EQ(change(800, 600, 60, 0x2), 0);  // only tested
  EXPECT_EQ(XrandrCurrent(), "1024 x 768");
  EXPECT_EQ(display->metrics().horzRes, 1024);
}

TEST_F(XRandr, EnumerationCostDoesNotGrowWithTheModes) {
  const unsigned long shortList = requestsPerEnumeration();
  const size_t before = enumerate().size();
  std::string remove;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "extra" + std::to_string(i);
    const std::string w = std::to_string(600 + 2 * i);
    Sh("xrandr --newmode " + name + " 25.175 " + w + " 656 752 800 480 490 492 525");
    Sh("xrandr --addmode DUMMY0 " + name);
    remove += (remove.empty() ? "" : "; ") + ("xrandr --delmode DUMMY0 " + name + "; xrandr --rmmode " + name);
  }
  const size_t after = enumerate().size();
  const unsigned long longList = requestsPerEnumeration();
  Sh(remove);
  EXPECT_EQ(after, before + 40);
  EXPECT_EQ(shortList, longList);
  RecordProperty("requests_short", std::to_string(shortList) + " for " + std::to_string(before) + " modes");
  RecordProperty("requests_long", std::to_string(longList) + " for " + std::to_string(after) + " modes");
  std::printf("X requests per enumeration: %lu for %zu modes, %lu for %zu modes\n", shortList, before, longList, after);
}

// Every output that shows a picture, as xrandr reports it, in the order of their names:
// "DUMMY0 1280x1024+0+0; DUMMY1 1024x768+1280+0".
std::string XrandrLayout() {
  std::istringstream in(Sh("xrandr"));
  std::map<std::string, std::string> outputs;
  const std::regex output(R"(^(\S+) connected (?:primary )?(\d+x\d+\+\d+\+\d+))");
  std::smatch m;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_search(line, m, output)) outputs[m[1].str()] = m[2].str();
  }
  std::string out;
  for (const auto& [name, where] : outputs) out += (out.empty() ? "" : "; ") + name + " " + where;
  return out;
}

// The named desks laid out on the server, each switch made as the programs make it, planned
// from the arrangement: xrandr's layout after each, and the arrangement once all are back.
TEST_F(XRandr, NamedDesksAfterEachSwitchAndBack) {
  struct Restore {
    ~Restore() {
      Sh("xrandr --output DUMMY1 --off --output DUMMY2 --off --output DUMMY3 --off; "
         "xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --primary");
    }
  } restore;
  for (const NamedDesk& named : NamedDesks()) {
    SCOPED_TRACE(named.name);
    const desktop::Desk arranged = DeskFixture(named.text);
    // The dummy driver cannot turn an output, and X11 has no scales.
    bool shown = !arranged.logical;
    for (const desktop::Place& p : arranged.places) shown = shown && p.scale == 1 && p.transform == 0;
    if (!shown) {
      std::printf("%s: skipped, X11 shows no scale or turn\n", named.name.c_str());
      continue;
    }
    // The outputs off first, then each on in its mode and place, DUMMY0 last: a lone output
    // moved off the origin is put back at +0+0.
    std::string modes, layout = "xrandr --output DUMMY1 --off --output DUMMY2 --off --output DUMMY3 --off; xrandr", dummy0;
    for (const desktop::Place& p : arranged.places) {
      for (const desktop::Monitor& m : p.monitors) {
        for (const desktop::Mode& mode : m.modes) {
          modes += "xrandr --addmode " + m.name + " " + std::to_string(mode.width) + "x" + std::to_string(mode.height) + "; ";
        }
        const std::string output = " --output " + m.name + " --mode " + std::to_string(m.current().width) + "x" +
                                   std::to_string(m.current().height) + " --pos " + std::to_string(p.rect.x) + "x" +
                                   std::to_string(p.rect.y) + (m.primary ? " --primary" : "");
        (m.name == "DUMMY0" ? dummy0 : layout) += output;
      }
    }
    Sh(modes + layout + dummy0);
    ASSERT_EQ(XrandrLayout(), Layout(arranged)) << "the desk was not laid out";
    Kept memory;
    for (const DeskStep& step : named.steps) ExpectStep(*desk, memory, step.monitor, step, Layout(arranged), XrandrLayout);
  }
}

// Switches at once: each is planned from the desk in force when it is made, so whichever comes
// last, DUMMY1 stands right beside DUMMY0. Twelve tarnvelctl runs a round, ten rounds.
TEST_F(XRandr, SwitchesAtOnceLeaveTheDeskWhole) {
  Sh("xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0");
  struct Restore {
    ~Restore() { Sh("xrandr --output DUMMY1 --off; xrandr --delmode DUMMY1 1024x768; xrandr --output DUMMY0 --mode 1024x768"); }
  } restore;
  const std::regex desk(R"(DUMMY0 (\d+)x(\d+)\+0\+0; DUMMY1 1024x768\+(\d+)\+0$)");
  for (int round = 0; round < 10; ++round) {
    std::string runs;
    for (int i = 0; i < 12; ++i) {
      runs += std::string(TARNVELCTL) + " set " + (i % 3 == 0 ? "640x480" : i % 3 == 1 ? "1280x1024" : "800x600") +
              " >/dev/null 2>&1 & ";
    }
    Sh(runs + "wait");
    const std::string now = XrandrDesktop();
    std::smatch m;
    ASSERT_TRUE(std::regex_search(now, m, desk)) << "round " << round << ": " << now;
    EXPECT_EQ(m[1], m[3]) << "round " << round << ": DUMMY1 is not beside DUMMY0: " << now;
  }
}

TEST(XRandrWithoutServer, OffersNothingAndReadsZero) {
  XRandrDesk nothing(nullptr);
  desktop::DesktopDisplay none(nothing);
  DevMode m{};
  EXPECT_FALSE(none.enumMode(0, m));
  const ScreenMetrics metrics = none.metrics();
  EXPECT_EQ(metrics.horzRes + metrics.vertRes + metrics.bitsPixel + metrics.vRefresh, 0);
  EXPECT_EQ(none.changeMode(m, kChangeDynamic), disp_change::kBadParam);
  m.dmPelsWidth = m.dmPelsHeight = 1;
  EXPECT_EQ(none.changeMode(m, kChangeDynamic), disp_change::kFailed);
}

TEST_F(XRandr, InterlacedModeIsFlaggedAndSelectable) {
  Sh("xrandr --newmode tarnvel-i 44.9 1024 1032 1208 1264 768 768 776 817 Interlace +hsync +vsync");
  Sh("xrandr --addmode DUMMY0 tarnvel-i");
  DevMode m{};
  bool seen = false;
  for (int32_t i = 0; display->enumMode(i, m); ++i) {
    if (m.dmDisplayFlags & dm::kInterlaced) {
      seen = true;
      EXPECT_EQ(m.dmDisplayFrequency, 87);  // 43.5 fields a second, twice over
      EXPECT_EQ(ModeText(m), "1024 x 768, 32bit color, 87 Hz");
      EXPECT_EQ(display->changeMode(m, kChangeDynamic), 0);
    }
  }
  EXPECT_TRUE(seen);
  EXPECT_EQ(display->metrics().vRefresh, 87);
  EXPECT_TRUE(std::regex_search(Sh("xrandr"), std::regex(R"(tarnvel-i\s+[\d.]+\*)"))) << Sh("xrandr");
  change(1024, 768, 60);
  Sh("xrandr --delmode DUMMY0 tarnvel-i; xrandr --rmmode tarnvel-i");
}

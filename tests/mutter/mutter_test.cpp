// The DisplayConfig display against a real Mutter (nested on the test Xorg, dummy monitors,
// private session bus), checked against what the service itself answers through gdbus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desk_fixtures.h"
#include "desktop/confirmed_display.h"
#include "desktop/layout.h"
#include "platform/mutter/mutter_desk.h"
#include "platform/sim/sim_desk.h"
#include "platform/sim/sim_platform.h"
#include "x11/test_server.h"
#include "platform/x11/xrandr_desk.h"
#include "window/form1.h"

// Last: Xlib defines macros that collide with Qt's and GoogleTest's names.
#include <X11/Xlib.h>

namespace {

struct ServiceMode {
  std::string id;
  int width = 0, height = 0, rate = 0;
  bool current = false;
  bool operator==(const ServiceMode&) const = default;
};
std::ostream& operator<<(std::ostream& os, const ServiceMode& m) {
  return os << m.id << " " << m.width << "x" << m.height << "@" << m.rate << (m.current ? " current" : "");
}

struct Placement {
  std::string connector;
  int x = 0, y = 0;
  bool primary = false;
  bool operator==(const Placement&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Placement& p) {
  return os << p.connector << "+" << p.x << "+" << p.y << (p.primary ? " primary" : "");
}

// A Mutter of its own for one test: started by the rig script, stopped at the end.
class Session {
 public:
  // `scales` gives each dummy monitor its preferred scale ("2,1"); `fractional` turns fractional
  // scaling on, so that the layout counts logical pixels.
  Session(const std::string& modes, int monitors, bool x11 = false, const std::string& scales = "",
          bool fractional = false)
      : state_(TARNVEL_MUTTER_STATE) {
    const std::string out = Sh((scales.empty() ? "" : "MUTTER_DEBUG_DUMMY_MONITOR_SCALES=" + scales + " ") +
                               (fractional ? "MUTTER_FRACTIONAL=1 " : "") +
                               std::string(TARNVEL_MUTTER_SESSION) + " start '" + state_ + "' '" + modes + "' " +
                               std::to_string(monitors) + (x11 ? " x11" : "") + " && echo STARTED");
    started_ = out.find("STARTED") != std::string::npos;
    log_ = out;
    std::ifstream in(state_ + "/bus");
    std::getline(in, address_);
  }
  ~Session() {
    QDBusConnection::disconnectFromBus(QStringLiteral("mutter-test"));
    Sh(std::string(TARNVEL_MUTTER_SESSION) + " stop '" + state_ + "'");
  }
  bool started() const { return started_; }
  const std::string& address() const { return address_; }
  // Xwayland's display and cookie file, when started with X11.
  std::string xdisplay() const { return firstLine("/xdisplay"); }
  std::string xauthority() const { return firstLine("/xauthority"); }
  const std::string& log() const { return log_; }
  QDBusConnection bus() const {
    return QDBusConnection::connectToBus(QString::fromStdString(address_), QStringLiteral("mutter-test"));
  }

  // GetCurrentState as gdbus prints it, from outside the backend under test.
  std::string currentState() const { return gdbus("GetCurrentState"); }
  std::string gdbus(const std::string& call) const {
    return Sh("gdbus call --address '" + address_ +
              "' -d org.gnome.Mutter.DisplayConfig -o /org/gnome/Mutter/DisplayConfig -m "
              "org.gnome.Mutter.DisplayConfig." +
              call);
  }

  // The modes of one monitor, in the service's order.
  std::vector<ServiceMode> modes(const std::string& connector) const {
    const std::string state = currentState();
    const size_t from = state.find("(('" + connector + "'");
    const size_t to = state.find("(('", from + 1);
    const std::string part = state.substr(from == std::string::npos ? state.size() : from,
                                          to == std::string::npos ? std::string::npos : to - from);
    const std::regex mode(R"(\('([^']+)', (\d+), (\d+), ([\d.]+), [\d.]+, \[[^\]]*\], (?:@a\{sv\} )?\{([^}]*)\}\))");
    std::vector<ServiceMode> out;
    for (std::sregex_iterator it(part.begin(), part.end(), mode), end; it != end; ++it) {
      const std::smatch& m = *it;
      out.push_back({m[1], std::stoi(m[2]), std::stoi(m[3]), static_cast<int>(std::lround(std::stod(m[4]))),
                     m[5].str().find("'is-current': <true>") != std::string::npos});
    }
    return out;
  }
  ServiceMode current(const std::string& connector) const {
    for (const ServiceMode& m : modes(connector)) {
      if (m.current) return m;
    }
    return {"none", 0, 0, 0, false};
  }
  std::vector<Placement> layout() const {
    const std::string state = currentState();
    const std::regex logical(R"(\((-?\d+), (-?\d+), [\d.]+, (?:uint32 )?\d+, (true|false), \[\('([^']+)')");
    std::vector<Placement> out;
    for (std::sregex_iterator it(state.begin(), state.end(), logical), end; it != end; ++it) {
      const std::smatch& m = *it;
      out.push_back({m[4], std::stoi(m[1]), std::stoi(m[2]), m[3] == "true"});
    }
    return out;
  }
  // Every logical monitor: its monitors in their modes, its place, scale and turn, e.g.
  // "LVDS1=1280x800@60.000 +0+0 x1.0 primary; LVDS2=2560x1600@60.000 +1280+0 x1.0".
  std::string describe() const {
    const std::string state = currentState();
    const std::regex logical(R"(\((-?\d+), (-?\d+), ([\d.]+), (?:uint32 )?(\d+), (true|false), \[([^\]]*)\])");
    const std::regex connector(R"(\('([^']+)',)");
    std::string out;
    for (std::sregex_iterator it(state.begin(), state.end(), logical), end; it != end; ++it) {
      const std::smatch& m = *it;
      const std::string monitors = m[6];
      std::string names;
      for (std::sregex_iterator c(monitors.begin(), monitors.end(), connector); c != end; ++c) {
        names += (names.empty() ? "" : ",") + (*c)[1].str() + "=" + current((*c)[1]).id;
      }
      out += (out.empty() ? "" : "; ") + names + " +" + m[1].str() + "+" + m[2].str() + " x" + m[3].str() +
             (m[4] == "0" ? "" : " turned " + m[4].str()) + (m[5] == "true" ? " primary" : "");
    }
    return out;
  }

 private:
  std::string firstLine(const std::string& file) const {
    std::ifstream in(state_ + file);
    std::string line;
    std::getline(in, line);
    return line;
  }

  std::string state_;
  std::string address_;
  std::string log_;
  bool started_ = false;
};

// Polls `done` for up to `seconds`.
template <typename Done>
bool WaitFor(double seconds, Done done) {
  for (int i = 0; i < seconds * 10; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

// The method calls that cross the bus to the service's object, as dbus-monitor sees them: a
// count that does not rest on the backend's own.
class BusMonitor {
 public:
  BusMonitor(const Session& session, std::string file) : session_(session), file_(std::move(file)) {
    pid_ = Sh("dbus-monitor --address '" + session.address() +
              "' \"type='method_call',path='/org/gnome/Mutter/DisplayConfig'\" >'" + file_ + "' 2>&1 & echo $!");
    // The monitor is in place once the bus has taken its name back from it.
    ready_ = WaitFor(10, [&] { return lines("member=NameLost") > 0; });
  }
  ~BusMonitor() { Sh("kill " + pid_); }
  bool ready() const { return ready_; }

  // The calls so far, without this class's own. A marker call follows them through the same
  // monitor, so once it is seen every earlier call is in the file.
  int calls() {
    session_.gdbus("org.freedesktop.DBus.Properties.GetAll org.gnome.Mutter.DisplayConfig");
    ++markers_;
    if (!WaitFor(10, [&] { return lines("member=GetAll") >= markers_; })) return -1;
    // gdbus asks for the object's introspection before each of its calls.
    return lines("method call") - 2 * markers_;
  }

 private:
  int lines(const std::string& text) const {
    std::ifstream in(file_);
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    return n;
  }

  const Session& session_;
  std::string file_;
  std::string pid_;
  bool ready_ = false;
  int markers_ = 0;
};

std::string XrandrCurrent() {
  std::smatch m;
  const std::string out = Sh("xrandr");
  return std::regex_search(out, m, std::regex(R"(current (\d+ x \d+))")) ? m[1].str() : out;
}

DevMode Record(int32_t width, int32_t height, int32_t rate) {
  DevMode m{};
  m.dmSize = sizeof m;
  m.dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFlags | dm::kDisplayFrequency;
  m.dmBitsPerPel = 32;
  m.dmPelsWidth = width;
  m.dmPelsHeight = height;
  m.dmDisplayFrequency = rate;
  return m;
}

std::vector<ServiceMode> Enumerate(DisplayDriver& display) {
  std::vector<ServiceMode> out;
  DevMode m{};
  for (int32_t i = 0; display.enumMode(i, m); ++i) {
    EXPECT_EQ(m.dmBitsPerPel, 32);
    EXPECT_STREQ(m.dmDeviceName, "LVDS1");
    out.push_back({"", m.dmPelsWidth, m.dmPelsHeight, m.dmDisplayFrequency, false});
  }
  return out;
}

// The service's modes without their ids and current marks, as the enumeration gives them.
std::vector<ServiceMode> Plain(std::vector<ServiceMode> modes) {
  for (ServiceMode& m : modes) m = {"", m.width, m.height, m.rate, false};
  return modes;
}

// One monitor offering fractional rates and two rates at one size; 1280 x 720 at 59.94 Hz is in force.
const char* kModes = "1280x720@59.94:1600x1200:1024x768@75:1024x768:800x600@74.6";

class OneMonitor : public ::testing::Test {
 protected:
  Session session{kModes, 1};
  std::unique_ptr<MutterDesk> desk;
  std::unique_ptr<desktop::DesktopDisplay> display;
  void SetUp() override {
    ASSERT_TRUE(session.started()) << session.log();
    desk = std::make_unique<MutterDesk>(session.bus());
    display = std::make_unique<desktop::DesktopDisplay>(*desk);
  }
};

// Reads a serial one behind the service's the first `staleReads` times, as after a hotplug
// between reading the layout and sending it back.
class StaleDesk : public MutterDesk {
 public:
  StaleDesk(QDBusConnection bus, int staleReads) : MutterDesk(std::move(bus)), staleReads_(staleReads) {}

 protected:
  std::optional<State> readState() override {
    auto state = MutterDesk::readState();
    if (state && staleReads_-- > 0) state->serial -= 1;
    return state;
  }

 private:
  int staleReads_;
};

}  // namespace

TEST_F(OneMonitor, EnumerationIsTheServicesListInOneRequest) {
  const std::vector<ServiceMode> service = session.modes("LVDS1");
  ASSERT_EQ(service.size(), 5u) << session.currentState();
  EXPECT_EQ(Enumerate(*display), Plain(service));
  EXPECT_EQ(desk->calls().getCurrentState, 1);
  EXPECT_EQ(Enumerate(*display), Plain(service));  // a new pass looks again
  EXPECT_EQ(desk->calls().getCurrentState, 2);
}

TEST_F(OneMonitor, TheModeInForceIsFoundAtItsRoundedRate) {
  const ScreenMetrics now = display->metrics();
  EXPECT_EQ(now.horzRes, 1280);
  EXPECT_EQ(now.vertRes, 720);
  EXPECT_EQ(now.bitsPixel, 32);
  EXPECT_EQ(now.vRefresh, 60);  // 59.94

  // The program's start-up finds it among the modes.
  SimSettings settings;
  SimShell shell;
  SimToolkit toolkit;
  Form1 form{Platform{*display, settings, shell, toolkit}};
  form.Form_Load();
  EXPECT_EQ(form.mnuResDef.caption(), "Current: 1280 x 720, 32bit color, 60 Hz");
  EXPECT_EQ(form.List1.listCount(), 5);
}

TEST_F(OneMonitor, AChangeIsInForceForMutterAndLeavesTheXServerAlone) {
  const std::string xBefore = XrandrCurrent();
  ConfirmedDisplay confirmed(*display);
  DevMode m = Record(1024, 768, 75);
  ASSERT_EQ(confirmed.changeMode(m, kChangeDynamic), disp_change::kSuccessful);
  EXPECT_EQ(session.current("LVDS1"), (ServiceMode{"1024x768@75.000", 1024, 768, 75, true}));
  EXPECT_EQ(desk->calls().applyMonitorsConfig, 1);
  EXPECT_EQ(XrandrCurrent(), xBefore);

  // Back to the fractional rate, named by its rounded rate as the enumeration gives it.
  DevMode back = Record(1280, 720, 60);
  ASSERT_EQ(confirmed.changeMode(back, kChangeDynamic), disp_change::kSuccessful);
  EXPECT_EQ(session.current("LVDS1").id, "1280x720@59.940");
  EXPECT_EQ(XrandrCurrent(), xBefore);
}

TEST_F(OneMonitor, WhatTheMonitorCannotDoChangesNothing) {
  const ServiceMode before = session.current("LVDS1");
  struct Case {
    DevMode mode;
    uint32_t flags;
    int32_t code;
  };
  DevMode interlaced = Record(1024, 768, 60);
  interlaced.dmDisplayFlags = dm::kInterlaced;
  DevMode otherDepth = Record(1024, 768, 60);
  otherDepth.dmBitsPerPel = 16;
  const std::vector<Case> cases = {
      {Record(1920, 1080, 60), kChangeDynamic, disp_change::kBadMode},  // not offered
      {Record(1024, 768, 70), kChangeDynamic, disp_change::kBadMode},   // offered at 60 and 75 only
      {interlaced, kChangeDynamic, disp_change::kBadMode},
      {otherDepth, kChangeDynamic, disp_change::kBadMode},
      {Record(1024, 768, 60), kChangeDynamic | 0x1, disp_change::kBadFlags},  // saving it is not ours
      {Record(0, 768, 60), kChangeDynamic, disp_change::kBadParam},
      {Record(1024, 768, 60), 0x2, disp_change::kSuccessful},  // only asks whether it exists
  };
  for (const Case& c : cases) {
    DevMode m = c.mode;
    EXPECT_EQ(display->changeMode(m, c.flags), c.code)
        << m.dmPelsWidth << "x" << m.dmPelsHeight << "@" << m.dmDisplayFrequency << " flags " << c.flags;
  }
  EXPECT_EQ(desk->calls().applyMonitorsConfig, 0);
  EXPECT_EQ(session.current("LVDS1"), before);
}

TEST_F(OneMonitor, AStaleSerialIsReadAgainAndTriedOnce) {
  StaleDesk once(session.bus(), 1);
  DevMode m = Record(800, 600, 75);  // 74.6
  EXPECT_EQ(desktop::DesktopDisplay(once).changeMode(m, kChangeDynamic), disp_change::kSuccessful);
  EXPECT_EQ(once.calls().getCurrentState, 3);  // the stale state, the fresh one, the desk as it landed
  EXPECT_EQ(once.calls().applyMonitorsConfig, 2);  // the first was refused as stale
  EXPECT_EQ(session.current("LVDS1").id, "800x600@74.600");

  StaleDesk always(session.bus(), 2);
  DevMode back = Record(1280, 720, 60);
  EXPECT_EQ(desktop::DesktopDisplay(always).changeMode(back, kChangeDynamic), disp_change::kFailed);
  EXPECT_EQ(always.calls().applyMonitorsConfig, 2);
  EXPECT_EQ(session.current("LVDS1").id, "800x600@74.600");
}

TEST(TwoMonitors, OnlyThePrimaryMonitorChanges) {
  Session session("1600x1200:1024x768:800x600", 2);
  ASSERT_TRUE(session.started()) << session.log();
  // Make the second monitor the primary one, right of the first, so that it is not simply
  // the first monitor and its size can change without leaving a gap.
  const std::string arranged = session.gdbus(
      "ApplyMonitorsConfig 1 1 \"[(0, 0, 1.0, uint32 0, false, [('LVDS1', '1600x1200@60.000', @a{sv} {})]), "
      "(1600, 0, 1.0, uint32 0, true, [('LVDS2', '1600x1200@60.000', @a{sv} {})])]\" \"@a{sv} {}\"");
  ASSERT_EQ(arranged, "()\n");
  const std::vector<Placement> layout = session.layout();
  ASSERT_EQ(layout, (std::vector<Placement>{{"LVDS1", 0, 0, false}, {"LVDS2", 1600, 0, true}}));

  MutterDesk desk(session.bus());
  desktop::DesktopDisplay display(desk);
  DevMode first{};
  ASSERT_TRUE(display.enumMode(0, first));
  EXPECT_STREQ(first.dmDeviceName, "LVDS2");
  DevMode m = Record(800, 600, 60);
  ASSERT_EQ(display.changeMode(m, kChangeDynamic), disp_change::kSuccessful);
  EXPECT_EQ(session.current("LVDS2").id, "800x600@60.000");
  EXPECT_EQ(session.current("LVDS1").id, "1600x1200@60.000");
  EXPECT_EQ(session.layout(), layout);
  const ScreenMetrics now = display.metrics();
  EXPECT_EQ(now.horzRes, 800);
}

// A switch of the primary monitor, checked as the service reports it after the switch and
// again after the switch back. A row with an arrangement sends that layout first, as the user's
// settings would have made it.
TEST(Desktops, ASwitchKeepsTheDesktopWholeAndTheWayBackRestoresIt) {
  struct Row {
    std::string name, modes, scales;
    int monitors;
    std::string arrangement;  // ApplyMonitorsConfig's logical monitors, or as Mutter starts
    int32_t width, height, code;
    std::string after;
    bool fractional = false;
  };
  const std::string big = "2560x1600@60.000", one = "[('LVDS1', '" + big + "', @a{sv} {})]",
                    two = "[('LVDS2', '" + big + "', @a{sv} {})]", hidpi = "2560x1600:1920x1080:1280x800:1024x768";
  // Three monitors of one list, each placed in its mode: "LVDS1 1024x768 0 0 primary".
  const auto desk = [](std::vector<std::string> places) {
    std::string out;
    for (const std::string& p : places) {
      std::istringstream w(p);
      std::string name, mode, x, y, primary, scale = "1.0";
      w >> name >> mode >> x >> y;
      for (std::string word; w >> word;) (word.starts_with("x") ? scale : primary) = word.starts_with("x") ? word.substr(1) : word;
      out += (out.empty() ? "" : ", ") + std::string("(") + x + ", " + y + ", " + scale + ", uint32 0, " +
             (primary == "primary" ? "true" : "false") + ", [('" + name + "', '" + mode + "@60.000', @a{sv} {})])";
    }
    return out;
  };
  const std::string three = "1280x1024:1024x768:800x600", fractional = "1600x1200:1280x1024:1024x768:800x600";
  const std::string f = "x1.4981273412704468";  // the scale Mutter lists nearest 1.5 for 1600 x 1200
  const std::vector<Row> rows = {
      {"scale-2 primary, monitor right: 1280x800 takes scale 1, the neighbour follows", hidpi, "2,1", 2, "", 1280, 800,
       disp_change::kSuccessful, "LVDS1=1280x800@60.000 +0+0 x1.0 primary; LVDS2=" + big + " +1280+0 x1.0"},
      {"monitor below, scale 1 chosen on a scale-2 monitor: the scale stays, the neighbour rises", hidpi, "2,1", 2,
       "(0, 0, 1.0, 0, true, " + one + "), (0, 1600, 1.0, 0, false, " + two + ")", 1920, 1080, disp_change::kSuccessful,
       "LVDS1=1920x1080@60.000 +0+0 x1.0 primary; LVDS2=" + big + " +0+1080 x1.0"},
      {"mirrored pair at scale 2: both take the mode, and scale 1 with it", hidpi, "2,2", 2,
       "(0, 0, 2.0, 0, true, [('LVDS1', '" + big + "', @a{sv} {}), ('LVDS2', '" + big + "', @a{sv} {})])", 1280, 800,
       disp_change::kSuccessful, "LVDS1=1280x800@60.000,LVDS2=1280x800@60.000 +0+0 x1.0 primary"},
      {"turned primary: its width on the desktop is the mode's height, and it stays turned", hidpi, "1,1", 2,
       "(0, 0, 1.0, 1, true, " + one + "), (1600, 0, 1.0, 0, false, " + two + ")", 1920, 1080, disp_change::kSuccessful,
       "LVDS1=1920x1080@60.000 +0+0 x1.0 turned 1 primary; LVDS2=" + big + " +1080+0 x1.0"},
      {"monitor left and low: it slides until its bottom meets the primary's", hidpi, "1,1", 2,
       "(1024, 0, 1.0, 0, true, " + one + "), (0, 900, 1.0, 0, false, [('LVDS2', '1024x768@60.000', @a{sv} {})])", 1280,
       800, disp_change::kSuccessful, "LVDS1=1280x800@60.000 +1024+0 x1.0 primary; LVDS2=1024x768@60.000 +0+32 x1.0"},
      {"a third below the left one, the primary on the right: it stays", three, "", 3,
       desk({"LVDS1 1024x768 0 0", "LVDS2 1024x768 1024 0 primary", "LVDS3 800x600 0 768"}), 800, 600,
       disp_change::kSuccessful,
       "LVDS1=1024x768@60.000 +0+0 x1.0; LVDS2=800x600@60.000 +1024+0 x1.0 primary; LVDS3=800x600@60.000 +0+768 x1.0"},
      {"the same with a taller primary: the way back is open", three, "", 3,
       desk({"LVDS1 1024x768 0 0", "LVDS2 1280x1024 1024 0 primary", "LVDS3 800x600 0 768"}), 800, 600,
       disp_change::kSuccessful,
       "LVDS1=1024x768@60.000 +0+0 x1.0; LVDS2=800x600@60.000 +1024+0 x1.0 primary; LVDS3=800x600@60.000 +0+768 x1.0"},
      {"fractional scale, the primary right of one with another below that: only the primary changes", fractional,
       "1,1.5,1", 3, desk({"LVDS2 1600x1200 0 0", "LVDS1 1600x1200 1600 0 primary " + f, "LVDS3 1600x1200 0 1200"}), 1280, 1024,
       disp_change::kSuccessful,
       "LVDS2=1600x1200@60.000 +0+0 x1.0; LVDS1=1280x1024@60.000 +1600+0 x1.4970760345458984 primary; "
       "LVDS3=1600x1200@60.000 +0+1200 x1.0",
       true},
      {"the same desk to 800 x 600, which allows scale 1 only", fractional, "1,1.5,1", 3,
       desk({"LVDS2 1600x1200 0 0", "LVDS1 1600x1200 1600 0 primary " + f, "LVDS3 1600x1200 0 1200"}), 800, 600,
       disp_change::kSuccessful,
       "LVDS2=1600x1200@60.000 +0+0 x1.0; LVDS1=800x600@60.000 +1600+0 x1.0 primary; LVDS3=1600x1200@60.000 +0+1200 x1.0", true},
      {"a wide one below the primary and the right one: it stays, the right one follows", three, "", 3,
       desk({"LVDS1 1024x768 0 0 primary", "LVDS2 1024x768 1024 0", "LVDS3 1280x1024 0 768"}), 800, 600,
       disp_change::kSuccessful,
       "LVDS1=800x600@60.000 +0+0 x1.0 primary; LVDS2=1024x768@60.000 +800+0 x1.0; LVDS3=1280x1024@60.000 +0+768 x1.0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Session session(row.modes, row.monitors, false, row.scales, row.fractional);
    ASSERT_TRUE(session.started()) << session.log();
    if (!row.arrangement.empty()) {
      ASSERT_EQ(session.gdbus("ApplyMonitorsConfig 1 1 \"[" + row.arrangement + "]\" \"@a{sv} {}\""), "()\n");
    }
    const std::string before = session.describe();
    MutterDesk mutter(session.bus());
    desktop::DesktopDisplay display(mutter);
    const ScreenMetrics was = display.metrics();
    DevMode m = Record(row.width, row.height, 60);
    EXPECT_EQ(display.changeMode(m, kChangeDynamic), row.code);
    const std::string after = session.describe();
    EXPECT_EQ(after, row.after);
    DevMode back = Record(was.horzRes, was.vertRes, was.vRefresh);
    if (row.code == disp_change::kSuccessful) {
      EXPECT_EQ(display.changeMode(back, kChangeDynamic), row.code);
    }
    EXPECT_EQ(session.describe(), before);
    EXPECT_EQ(mutter.calls().applyMonitorsConfig, row.code == disp_change::kSuccessful ? 2 : 0);
    std::printf("%s\n  before: %s\n  after:  %s\n  back:   %s\n", row.name.c_str(), before.c_str(), after.c_str(),
                session.describe().c_str());
  }
}

// The named desks that Mutter can show, on as many dummy monitors (the fixture's monitors, by
// name, are LVDS1, LVDS2, ...), each switch planned from the arrangement: the layout as the
// service reports it after each, and the arrangement once all are back.
TEST(Desktops, NamedDesksAfterEachSwitchAndBack) {
  for (const NamedDesk& named : NamedDesks()) {
    SCOPED_TRACE(named.name);
    const desktop::Desk arranged = DeskFixture(named.text);
    std::vector<std::string> names;  // the fixture's, in order: LVDS1 is the first
    std::vector<desktop::Rect> rects;
    std::string sizes;                // every size the desk lists, the modes Mutter is started with
    for (const desktop::Place& p : arranged.places) {
      rects.push_back(p.rect);
      for (const desktop::Monitor& m : p.monitors) {
        names.push_back(m.name);
        for (const desktop::Mode& mode : m.modes) {
          const std::string size = std::to_string(mode.width) + "x" + std::to_string(mode.height);
          if (mode.width >= 800 && mode.height >= 600 && (":" + sizes + ":").find(":" + size + ":") == std::string::npos) {
            sizes += (sizes.empty() ? "" : ":") + size;
          }
        }
      }
    }
    std::sort(names.begin(), names.end());
    // Mutter refuses monitors that do not touch, and lists no mode below 800 x 600.
    std::string skip;
    for (size_t i = 0; i < rects.size() && skip.empty(); ++i) {
      bool joined = rects.size() == 1;
      for (size_t j = 0; j < rects.size(); ++j) joined = joined || (i != j && desktop::Touch(rects[i], rects[j]));
      if (!joined) skip = "its monitors do not all touch, which Mutter refuses";
    }
    for (const DeskStep& step : named.steps) {
      if (step.width < 800 || step.height < 600) skip = "it switches to a mode below 800 x 600, which Mutter does not list";
    }
    if (!skip.empty()) {
      std::printf("%s: skipped, %s\n", named.name.c_str(), skip.c_str());
      continue;
    }
    const auto lvds = [&](const std::string& name) {
      return "LVDS" + std::to_string(std::find(names.begin(), names.end(), name) - names.begin() + 1);
    };
    Session session(sizes, static_cast<int>(names.size()), false, "", arranged.logical);
    ASSERT_TRUE(session.started()) << session.log();
    std::string layout;
    for (const desktop::Place& p : arranged.places) {
      std::string monitors;
      for (const desktop::Monitor& m : p.monitors) {
        monitors += (monitors.empty() ? "" : ", ") + std::string("('") + lvds(m.name) + "', '" +
                    std::to_string(m.current().width) + "x" + std::to_string(m.current().height) + "@60.000', @a{sv} {})";
      }
      layout += (layout.empty() ? "" : ", ") + std::string("(") + std::to_string(p.rect.x) + ", " +
                std::to_string(p.rect.y) + ", " + std::to_string(p.scale) + ", uint32 " + std::to_string(p.transform) +
                ", " + (p.primary() ? "true" : "false") + ", [" + monitors + "])";
    }
    ASSERT_EQ(session.gdbus("ApplyMonitorsConfig 1 1 \"[" + layout + "]\" \"@a{sv} {}\""), "()\n");
    // Every monitor as the fixtures write them: "DUMMY0 1024x768+0+0", in the order of names.
    const auto shown = [&] {
      std::map<std::string, std::string> where;
      for (const Placement& p : session.layout()) where[p.connector] = "+" + std::to_string(p.x) + "+" + std::to_string(p.y);
      std::string out;
      for (const std::string& name : names) {
        const ServiceMode mode = session.current(lvds(name));
        // A mirrored set is one logical monitor, listed by its first member.
        std::string at = where[lvds(name)];
        for (const desktop::Place& p : arranged.places) {
          for (const desktop::Monitor& m : p.monitors) {
            if (m.name == name && at.empty()) at = where[lvds(p.monitors.front().name)];
          }
        }
        out += (out.empty() ? "" : "; ") + name + " " + std::to_string(mode.width) + "x" + std::to_string(mode.height) + at;
      }
      return out;
    };
    ASSERT_EQ(shown(), Layout(arranged)) << "the desk was not laid out";
    MutterDesk mutter(session.bus());
    Kept memory;
    for (const DeskStep& step : named.steps) ExpectStep(mutter, memory, lvds(step.monitor), step, Layout(arranged), shown);
  }
}

TEST(CallsPerEnumeration, DoNotGrowWithTheNumberOfModes) {
  std::vector<int> perPass;
  for (const char* modes : {"1024x768:800x600",
                            "1920x1200:1920x1080:1680x1050:1600x1200:1600x900:1440x900:1400x1050:1366x768:"
                            "1280x1024:1280x960:1280x800:1280x720:1152x864:1024x768@75:1024x768:800x600@75:800x600"}) {
    Session session(modes, 1);
    ASSERT_TRUE(session.started()) << session.log();
    MutterDesk desk(session.bus());
    desktop::DesktopDisplay display(desk);
    const size_t count = session.modes("LVDS1").size();
    BusMonitor monitor(session, std::string(TARNVEL_MUTTER_STATE) + "/monitor.log");
    ASSERT_TRUE(monitor.ready()) << "dbus-monitor did not start on " << session.address();
    EXPECT_EQ(Enumerate(display).size(), count);
    const int onTheBus = monitor.calls();
    perPass.push_back(onTheBus);
    std::printf(
        "%zu modes: %d D-Bus calls per enumeration pass on the bus, %d GetCurrentState counted by the display\n", count,
        onTheBus, desk.calls().getCurrentState);
    EXPECT_EQ(desk.calls().getCurrentState, onTheBus);
  }
  EXPECT_EQ(perPass, (std::vector<int>{1, 1}));
}

// Without the display service, an X11 program on GNOME reaches the screen through Xwayland,
// which says yes to a mode change and changes nothing but its answers to that program.
TEST(XwaylandUnderMutter, AChangeThatDidNotHappenIsAnErrorAndCurrentStaysTrue) {
  Session session("1600x1200:1024x768:800x600", 1, true);
  ASSERT_TRUE(session.started()) << session.log();
  setenv("XAUTHORITY", session.xauthority().c_str(), 1);
  Display* dpy = XOpenDisplay(session.xdisplay().c_str());
  ASSERT_NE(dpy, nullptr) << "no Xwayland at '" << session.xdisplay() << "'";
  XRandrDesk xwaylandDesk(dpy);
  desktop::DesktopDisplay xwayland(xwaylandDesk);
  EXPECT_EQ(xwayland.metrics().horzRes, 1600);

  // Xwayland's own answer to a mode of its list is yes, and Mutter's monitor stays.
  DevMode xga{};
  for (int32_t i = 0; xwayland.enumMode(i, xga) && xga.dmPelsWidth != 1024;) ++i;
  ASSERT_EQ(xga.dmPelsWidth, 1024);
  DevMode asked = xga;
  EXPECT_EQ(xwayland.changeMode(asked, kChangeDynamic), disp_change::kSuccessful);
  EXPECT_EQ(session.current("LVDS1").id, "1600x1200@60.000");
  EXPECT_EQ(xwayland.metrics().horzRes, 1600);

  // The program, as main() wires it, tells the user and keeps naming the mode in force.
  ConfirmedDisplay confirmed(xwayland);
  SimSettings settings;
  SimShell shell;
  SimToolkit toolkit;
  Form1 form{Platform{confirmed, settings, shell, toolkit}};
  form.Form_Load();
  EXPECT_EQ(form.mnuResDef.caption(), "Current: 1600 x 1200, 32bit color, 60 Hz");
  form.SelectModeByText("1024 x 768, 32bit color, 60 Hz");
  ASSERT_NE(form.List1.listIndex(), -1);
  form.Command1_Click();
  ASSERT_EQ(toolkit.boxes.size(), 1u);
  EXPECT_EQ(toolkit.boxes[0].text, "Error changing resolution...");
  EXPECT_EQ(form.mnuResDef.caption(), "Current: 1600 x 1200, 32bit color, 60 Hz");
  EXPECT_EQ(session.current("LVDS1").id, "1600x1200@60.000");

  // The mode really in force is still a success.
  form.SelectModeByText("1600 x 1200, 32bit color, 60 Hz");
  form.Command1_Click();
  EXPECT_EQ(toolkit.boxes.size(), 1u);
  XCloseDisplay(dpy);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // Qt's D-Bus wants an application object
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

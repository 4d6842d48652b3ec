// KWin's output management against a real kwin_wayland (virtual outputs of 1024 x 768 with one
// mode each, no X server, private bus and runtime folder), checked against wayland-info's view;
// switches between modes against the tests' scripted compositor, checked against what it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "app/display_choice.h"
#include "desk_fixtures.h"
#include "platform/kwin/kwin_desk.h"
#include "platform/sim/sim_desk.h"
#include "x11/test_server.h"

namespace {

// A kwin_wayland of its own for one test, `outputs` virtual outputs side by side: started by the
// rig script, stopped (and waited for) at the end.
struct Session {
  explicit Session(int outputs = 2) {
    log = Sh(std::string(TARNVEL_KWIN_SESSION) + " start '" TARNVEL_KWIN_STATE "' " + std::to_string(outputs));
    std::getline(std::ifstream(TARNVEL_KWIN_STATE "/wayland"), socket);
  }
  // The tests' scripted compositor (scripted_kwin.cpp) in KWin's place, with the outputs of
  // `desk` and their modes.
  explicit Session(const desktop::Desk& desk) {
    std::filesystem::create_directories(TARNVEL_KWIN_STATE);
    std::ofstream(TARNVEL_KWIN_STATE "/outputs.desk") << desktop::Format(desk);
    log = Sh(TARNVEL_KWIN_SESSION " scripted '" TARNVEL_KWIN_STATE "' '" TARNVEL_KWIN_STATE "/outputs.desk' '"
             TARNVEL_SCRIPTED_KWIN "'");
    std::getline(std::ifstream(TARNVEL_KWIN_STATE "/wayland"), socket);
  }
  ~Session() { EXPECT_EQ(Sh(TARNVEL_KWIN_SESSION " stop '" TARNVEL_KWIN_STATE "' && echo ended"), "ended\n"); }

  // Every output as wayland-info reads it from the compositor, in the order of their names:
  // "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 ...".
  std::string shown() const {
    const std::string info = Sh("WAYLAND_DISPLAY='" + socket + "' timeout 10 wayland-info");
    const std::regex output(
        R"(interface: 'wl_output'[^\n]*\n\s*name: (\S+)[\s\S]*?x: (-?\d+), y: (-?\d+), scale: (\d+),[\s\S]*?)"
        R"(output_transform: (\S+),[\s\S]*?width: (\d+) px, height: (\d+) px, refresh: ([\d.]+) Hz,\s*flags: current)");
    std::map<std::string, std::string> outputs;
    for (std::sregex_iterator it(info.begin(), info.end(), output), end; it != end; ++it) {
      const std::smatch& m = *it;
      outputs[m[1]] = m[6].str() + "x" + m[7].str() + "@" + std::to_string(std::lround(std::stod(m[8]))) + " +" +
                      m[2].str() + "+" + m[3].str() + " x" + m[4].str() + " " + m[5].str();
    }
    std::string out;
    for (const auto& [name, how] : outputs) out += (out.empty() ? "" : "; ") + name + " " + how;
    return out.empty() ? "no output in: " + info : out;
  }

  // The scripted compositor's outputs as it holds them, as the fixtures write a layout.
  std::string held() const {
    std::ifstream in(TARNVEL_KWIN_STATE "/desk");
    const std::string text(std::istreambuf_iterator<char>(in), {});
    const std::optional<desktop::Desk> desk = desktop::Parse(text);
    return desk ? Layout(*desk) : "no desk in: " + text;
  }

  std::string socket, log;
};

// Makes the change `edit` makes to the desk read just before.
int32_t Make(desktop::System& system, const std::function<void(desktop::Desk&)>& edit) {
  return system.change([&](const desktop::Desk& now) {
    desktop::Planned planned{disp_change::kSuccessful, now};
    edit(planned.desk);
    return planned;
  });
}

desktop::Place& PlaceOf(desktop::Desk& desk, const std::string& name) {
  return *std::find_if(desk.places.begin(), desk.places.end(),
                       [&](const desktop::Place& p) { return p.monitors.front().name == name; });
}

}  // namespace

// As KWin starts: two monitors side by side at scale 1, the first of its order primary, each with
// its one mode.
TEST(Desk, AsKWinStarts) {
  Session session;
  ASSERT_FALSE(session.socket.empty()) << session.log;
  EXPECT_EQ(session.shown(), "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 +1024+0 x1 normal");
  const std::optional<desktop::Desk> desk = KWinDesk(session.socket).read();
  ASSERT_TRUE(desk);
  EXPECT_EQ(desktop::Format(*desk),
            "desk logical 32\n"
            "place 0 0 1024 768 scale 1 turn 0\nmonitor Virtual-0 primary\nmode 1024x768@60 id 0 current\n"
            "place 1024 0 1024 768 scale 1 turn 0\nmonitor Virtual-1\nmode 1024x768@60 id 0 current\n");
}

// A plan made on the desk just read is what KWin shows afterwards: exactly, as the desk reads it,
// and as wayland-info does.
TEST(Desk, APlanIsWhatKWinShowsAfterwards) {
  const std::string left = "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 ";
  const std::vector<std::tuple<std::string, std::function<void(desktop::Desk&)>, std::string>> rows = {
      {"Virtual-1 below Virtual-0", [](desktop::Desk& d) { PlaceOf(d, "Virtual-1").rect = {0, 768, 1024, 768}; },
       left + "+0+768 x1 normal"},
      {"Virtual-1 at scale 2: half its mode's size",
       [](desktop::Desk& d) {
         PlaceOf(d, "Virtual-1").scale = 2;
         PlaceOf(d, "Virtual-1").rect = {1024, 0, 512, 384};
       },
       left + "+1024+0 x2 normal"},
      {"Virtual-1 turned a quarter: as wide as its mode is high",
       [](desktop::Desk& d) {
         PlaceOf(d, "Virtual-1").transform = 1;
         PlaceOf(d, "Virtual-1").rect = {1024, 0, 768, 1024};
       },
       left + "+1024+0 x1 90°"},
      {"Virtual-1 made the primary one",
       [](desktop::Desk& d) {
         PlaceOf(d, "Virtual-0").monitors.front().primary = false;
         PlaceOf(d, "Virtual-1").monitors.front().primary = true;
       },
       left + "+1024+0 x1 normal"},
  };
  for (const auto& [name, edit, shown] : rows) {
    SCOPED_TRACE(name);
    Session session;
    ASSERT_FALSE(session.socket.empty()) << session.log;
    KWinDesk kwin(session.socket);
    std::optional<desktop::Desk> planned = kwin.read();
    ASSERT_TRUE(planned);
    edit(*planned);
    EXPECT_EQ(Make(kwin, edit), disp_change::kSuccessful);
    const std::optional<desktop::Desk> after = kwin.read();
    ASSERT_TRUE(after);
    EXPECT_EQ(desktop::Format(*after), desktop::Format(*planned));
    EXPECT_EQ(session.shown(), shown);
  }
}

// The named desks that KWin can show, laid out on as many virtual outputs (the fixture's monitors,
// by name, are Virtual-0, Virtual-1, ...) and read back. Their switches are not made: each is to a
// size that KWin 5.27's virtual outputs, with their one mode, do not list.
TEST(Desktops, NamedDesksAreReadBackAsLaidOut) {
  std::set<std::string> shown;
  for (const NamedDesk& named : NamedDesks()) {
    SCOPED_TRACE(named.name);
    desktop::Desk arranged = DeskFixture(named.text);
    std::vector<std::string> names;
    const char* skip = nullptr;
    for (const desktop::Place& p : arranged.places) {
      if (p.monitors.size() > 1) skip = "it mirrors two monitors, which KWin 5.27 cannot";
      for (const desktop::Monitor& m : p.monitors) {
        names.push_back(m.name);
        if (m.current().width != 1024 || m.current().height != 768) skip = "it has a monitor in another mode than 1024 x 768";
      }
    }
    std::sort(names.begin(), names.end());
    // As KWin lists them: Virtual-N with one mode, the places in the order of their names.
    arranged.logical = true;
    for (desktop::Place& p : arranged.places) {
      desktop::Monitor& m = p.monitors.front();
      m.name = "Virtual-" + std::to_string(std::find(names.begin(), names.end(), m.name) - names.begin());
      m.modes = {{1024, 768, 60, false, "0", 1, {}}};
      m.mode = 0;
    }
    std::sort(arranged.places.begin(), arranged.places.end(),
              [](const auto& a, const auto& b) { return a.monitors.front().name < b.monitors.front().name; });
    if (!skip && !shown.insert(desktop::Format(arranged)).second) skip = "it is laid out as a desk shown before";
    if (skip) {
      std::printf("%s: not shown, %s\n", named.name.c_str(), skip);
      continue;
    }
    Session session(static_cast<int>(names.size()));
    ASSERT_FALSE(session.socket.empty()) << session.log;
    KWinDesk kwin(session.socket);
    ASSERT_EQ(Make(kwin, [&](desktop::Desk& d) { d = arranged; }), disp_change::kSuccessful);
    std::string expected;
    for (const desktop::Place& p : arranged.places) {
      expected += (expected.empty() ? "" : "; ") + p.monitors.front().name + " 1024x768@60 +" +
                  std::to_string(p.rect.x) + "+" + std::to_string(p.rect.y) + " x1 normal";
    }
    EXPECT_EQ(session.shown(), expected);
    const std::optional<desktop::Desk> read = kwin.read();
    ASSERT_TRUE(read);
    EXPECT_EQ(desktop::Format(*read), desktop::Format(arranged));
    std::printf("%s: laid out and read back as %s; its %zu switches not made\n", named.name.c_str(),
                Layout(*read).c_str(), named.steps.size());
  }
  EXPECT_FALSE(shown.empty()) << "no named desk is one that KWin can show";
}

// The named desks on the scripted compositor, whose outputs list the fixture's modes (a mirrored
// set is no place of KWin's), each switch planned from the arrangement: the layout the compositor
// holds after each, and the arrangement once all are back.
TEST(Scripted, NamedDesksAfterEachSwitchAndBack) {
  for (const NamedDesk& named : NamedDesks()) {
    SCOPED_TRACE(named.name);
    const desktop::Desk arranged = DeskFixture(named.text);
    if (std::any_of(arranged.places.begin(), arranged.places.end(), [](const auto& p) { return p.monitors.size() > 1; })) {
      std::printf("%s: skipped, it mirrors two monitors\n", named.name.c_str());
      continue;
    }
    Session session(arranged);
    ASSERT_FALSE(session.socket.empty()) << session.log;
    ASSERT_EQ(session.held(), Layout(arranged)) << "the desk was not laid out";
    KWinDesk kwin(session.socket);
    Kept memory;
    for (const DeskStep& step : named.steps) {
      ExpectStep(kwin, memory, step.monitor, step, Layout(arranged), [&] { return session.held(); });
    }
  }
}

// With a compositor that offers KWin's output management, the programs take KWin's desk without
// asking Mutter's service (tarnvelctl loads Qt for it) or the X server, and name their record as
// a Wayland compositor's; without one, they ask Mutter's service, then the X server.
TEST(Choice, KWinIsAskedFirst) {
  Session session;
  ASSERT_FALSE(session.socket.empty()) << session.log;
  for (const std::string& socket : {session.socket, session.socket + "-none"}) {
    SCOPED_TRACE(socket);
    setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
    std::string asked;
    bool wayland = false;
    const auto desk = ChooseDesk([&] { return asked += "X", nullptr; }, [&] { return asked += "Mutter ", nullptr; },
                                 &wayland);
    const bool kwin = socket == session.socket;
    EXPECT_EQ(asked, kwin ? "" : "Mutter X");
    EXPECT_EQ(wayland, kwin);
    EXPECT_EQ(desk && desk->read(), kwin);
  }
  unsetenv("WAYLAND_DISPLAY");
}

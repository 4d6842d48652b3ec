// KWin's output management against a real kwin_wayland (virtual outputs, no X server, private
// bus and runtime folder), checked against what wayland-info reads from the compositor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/display_choice.h"
#include "desk_fixtures.h"
#include "platform/kwin/kwin_desk.h"
#include "platform/sim/sim_desk.h"

namespace {

// What `command` prints, standard error included.
std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(("{ " + command + "; } 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// A kwin_wayland of its own for one test, `outputs` virtual outputs of 1024 x 768 side by side:
// started by the rig script, stopped (and waited for) at the end.
class Session {
 public:
  explicit Session(int outputs = 2) : state_(TARNVEL_KWIN_STATE) {
    log_ = Run(std::string(TARNVEL_KWIN_SESSION) + " start '" + state_ + "' " + std::to_string(outputs) +
               " && echo STARTED");
    started_ = log_.find("STARTED") != std::string::npos;
    std::ifstream in(state_ + "/wayland");
    std::getline(in, socket_);
  }
  ~Session() {
    const std::string out = Run(std::string(TARNVEL_KWIN_SESSION) + " stop '" + state_ + "' || echo FAILED");
    EXPECT_EQ(out.find("FAILED"), std::string::npos) << out;
  }
  bool started() const { return started_; }
  const std::string& log() const { return log_; }
  const std::string& socket() const { return socket_; }

  // Every output as wayland-info reads it from the compositor's wl_output globals, in the order
  // of their names: "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 ...".
  std::string shown() const {
    const std::string info = Run("WAYLAND_DISPLAY='" + socket_ + "' timeout 10 wayland-info");
    std::map<std::string, std::string> outputs;
    const std::regex output(
        R"(interface: 'wl_output'[^\n]*\n\s*name: (\S+)[\s\S]*?x: (-?\d+), y: (-?\d+), scale: (\d+),[\s\S]*?)"
        R"(output_transform: (\S+),[\s\S]*?width: (\d+) px, height: (\d+) px, refresh: ([\d.]+) Hz,\s*flags: current)");
    for (std::sregex_iterator it(info.begin(), info.end(), output), end; it != end; ++it) {
      const std::smatch& m = *it;
      outputs[m[1]] = m[6].str() + "x" + m[7].str() + "@" + std::to_string(std::lround(std::stod(m[8]))) + " +" +
                      m[2].str() + "+" + m[3].str() + " x" + m[4].str() + " " + m[5].str();
    }
    std::string out;
    for (const auto& [name, how] : outputs) out += (out.empty() ? "" : "; ") + name + " " + how;
    return out.empty() ? "wayland-info shows no output: " + info : out;
  }

 private:
  std::string state_, socket_, log_;
  bool started_ = false;
};

// The change `edit` makes to the desk read just before, as a plan.
int32_t Make(desktop::System& system, const std::function<void(desktop::Desk&)>& edit) {
  return system.change([&](const desktop::Desk& now) {
    desktop::Planned planned{disp_change::kSuccessful, now};
    edit(planned.desk);
    return planned;
  });
}

// The place of the monitor named `name`.
desktop::Place& PlaceOf(desktop::Desk& desk, const std::string& name) {
  for (desktop::Place& place : desk.places) {
    if (place.monitors.front().name == name) return place;
  }
  throw std::runtime_error("no monitor " + name);
}

// Every place of a desk, in the order of its monitors' names: "NAME X,Y WxH xSCALE tTURN [primary]".
std::string Places(const desktop::Desk& desk) {
  std::map<std::string, std::string> places;
  for (const desktop::Place& p : desk.places) {
    const desktop::Monitor& m = p.monitors.front();
    std::ostringstream place;
    place << p.rect.x << "," << p.rect.y << " " << p.rect.width << "x" << p.rect.height << " x" << p.scale << " t"
          << p.transform << (m.primary ? " primary" : "");
    places[m.name] = place.str();
  }
  std::string out;
  for (const auto& [name, place] : places) out += (out.empty() ? "" : "; ") + name + " " + place;
  return out;
}

}  // namespace

// KWin as it starts: two monitors side by side at scale 1, the first of its order primary; each
// of them lists its one mode.
TEST(Desk, AsKWinStarts) {
  Session session;
  ASSERT_TRUE(session.started()) << session.log();
  EXPECT_EQ(session.shown(), "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 +1024+0 x1 normal");
  KWinDesk kwin(session.socket());
  const std::optional<desktop::Desk> desk = kwin.read();
  ASSERT_TRUE(desk);
  EXPECT_EQ(desktop::Format(*desk),
            "desk logical 32\n"
            "place 0 0 1024 768 scale 1 turn 0\nmonitor Virtual-0 primary\nmode 1024x768@60 id 0 current\n"
            "place 1024 0 1024 768 scale 1 turn 0\nmonitor Virtual-1\nmode 1024x768@60 id 0 current\n");
}

// A plan made on the desk just read, and the desk KWin shows afterwards: as planned exactly, as
// read by the desk and by wayland-info.
TEST(Desk, APlanIsWhatKWinShowsAfterwards) {
  struct Row {
    std::string name;
    std::function<void(desktop::Desk&)> edit;
    std::string shown;  // as wayland-info shows it afterwards
  };
  const std::vector<Row> rows = {
      {"Virtual-1 below Virtual-0",
       [](desktop::Desk& d) { PlaceOf(d, "Virtual-1").rect = {0, 768, 1024, 768}; },
       "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 +0+768 x1 normal"},
      {"Virtual-1 at scale 2: half its mode's size on the desk",
       [](desktop::Desk& d) {
         PlaceOf(d, "Virtual-1").scale = 2;
         PlaceOf(d, "Virtual-1").rect = {1024, 0, 512, 384};
       },
       "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 +1024+0 x2 normal"},
      {"Virtual-1 turned a quarter: as wide as its mode is high",
       [](desktop::Desk& d) {
         PlaceOf(d, "Virtual-1").transform = 1;
         PlaceOf(d, "Virtual-1").rect = {1024, 0, 768, 1024};
       },
       "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 +1024+0 x1 90°"},
      {"Virtual-1 made the primary one",
       [](desktop::Desk& d) {
         PlaceOf(d, "Virtual-0").monitors.front().primary = false;
         PlaceOf(d, "Virtual-1").monitors.front().primary = true;
       },
       "Virtual-0 1024x768@60 +0+0 x1 normal; Virtual-1 1024x768@60 +1024+0 x1 normal"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Session session;
    ASSERT_TRUE(session.started()) << session.log();
    KWinDesk kwin(session.socket());
    std::optional<desktop::Desk> planned = kwin.read();
    ASSERT_TRUE(planned);
    row.edit(*planned);
    EXPECT_EQ(Make(kwin, row.edit), disp_change::kSuccessful);
    const std::optional<desktop::Desk> after = kwin.read();
    ASSERT_TRUE(after);
    EXPECT_EQ(desktop::Format(*after), desktop::Format(*planned));
    EXPECT_EQ(session.shown(), row.shown);
  }
}


// The named desks that KWin can show, laid out on as many virtual outputs (the fixture's monitors,
// by name, are Virtual-0, Virtual-1, ...) and read back: places, scales, turns and the primary.
// Their switches are not made: each switches to a size that KWin 5.27's virtual outputs, with
// their one mode, do not list.
TEST(Desktops, NamedDesksAreReadBackAsLaidOut) {
  int shown = 0;
  std::set<std::string> seen;
  for (const NamedDesk& named : NamedDesks()) {
    SCOPED_TRACE(named.name);
    desktop::Desk arranged = DeskFixture(named.text);
    std::vector<std::string> names;
    std::string skip;
    for (const desktop::Place& p : arranged.places) {
      if (p.monitors.size() > 1) skip = "it mirrors two monitors, which KWin 5.27 cannot";
      for (const desktop::Monitor& m : p.monitors) {
        names.push_back(m.name);
        if (m.current().width != 1024 || m.current().height != 768) {
          skip = "a monitor of it is in another mode than 1024 x 768, the one mode of KWin's virtual outputs";
        }
      }
    }
    if (!skip.empty()) {
      std::printf("%s: not shown, %s\n", named.name.c_str(), skip.c_str());
      continue;
    }
    std::sort(names.begin(), names.end());
    for (desktop::Place& p : arranged.places) {
      const auto index = std::find(names.begin(), names.end(), p.monitors.front().name) - names.begin();
      p.monitors.front().name = "Virtual-" + std::to_string(index);
    }
    if (!seen.insert(Places(arranged)).second) {
      std::printf("%s: not shown again, its monitors are placed as in a desk shown before\n", named.name.c_str());
      continue;
    }
    Session session(static_cast<int>(names.size()));
    ASSERT_TRUE(session.started()) << session.log();
    KWinDesk kwin(session.socket());
    // Laid out by the desk under test; wayland-info is the witness of where the outputs went.
    ASSERT_EQ(Make(kwin,
                   [&](desktop::Desk& d) {
                     for (const desktop::Place& p : arranged.places) {
                       desktop::Place& place = PlaceOf(d, p.monitors.front().name);
                       place.rect = p.rect;
                       place.scale = p.scale;
                       place.transform = p.transform;
                       place.monitors.front().primary = p.primary();
                     }
                   }),
              disp_change::kSuccessful);
    std::string expected;
    for (size_t i = 0; i < names.size(); ++i) {
      const desktop::Place& p = PlaceOf(arranged, "Virtual-" + std::to_string(i));
      expected += (expected.empty() ? "" : "; ") + p.monitors.front().name + " 1024x768@60 +" +
                  std::to_string(p.rect.x) + "+" + std::to_string(p.rect.y) + " x1 normal";
    }
    EXPECT_EQ(session.shown(), expected);
    const std::optional<desktop::Desk> read = kwin.read();
    ASSERT_TRUE(read);
    EXPECT_EQ(Places(*read), Places(arranged));
    std::printf("%s: laid out and read back as %s; its %zu switches not made (no size but 1024 x 768 listed)\n",
                named.name.c_str(), Places(*read).c_str(), named.steps.size());
    ++shown;
  }
  EXPECT_GT(shown, 0) << "no named desk is one that KWin can show";
}

// In a Wayland session whose compositor offers KWin's output management, both programs take
// KWin's desk without asking Mutter's service (which tarnvelctl reaches through Qt) or the X
// server, and keep their record as a Wayland compositor's; where the compositor offers none,
// they ask Mutter's service, then the X server.
TEST(Choice, KWinIsAskedFirst) {
  Session session;
  ASSERT_TRUE(session.started()) << session.log();
  for (const std::string& socket : {session.socket(), session.socket() + "-none"}) {
    SCOPED_TRACE(socket);
    setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
    std::vector<std::string> asked;
    bool wayland = false;
    const std::unique_ptr<desktop::System> desk = ChooseDesk(
        [&] {
          asked.push_back("X");
          return nullptr;
        },
        [&] {
          asked.push_back("Mutter");
          return nullptr;
        },
        &wayland);
    const bool kwin = socket == session.socket();
    const std::vector<std::string> expected = kwin ? std::vector<std::string>{} : std::vector<std::string>{"Mutter", "X"};
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(wayland, kwin);
    ASSERT_EQ(desk != nullptr, kwin);
    if (kwin) {
      EXPECT_EQ(desk->read()->places.size(), 2u);
    }
  }
  unsetenv("WAYLAND_DISPLAY");
}

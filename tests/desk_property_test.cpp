// Every switch the layout rule accepts, on random arrangements driven through random sequences
// of switches, leaves the desk as the rule says, checked with arithmetic of the test's own: each
// monitor's rectangle worked out again from its mode, scale and turn (rounded as Mutter rounds),
// touching only along edges, never at corners. And the desk depends only on the arrangement and
// the modes: not on the order of the switches, and the arrangement exactly once all are back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "desk_fixtures.h"
#include "desktop/desk.h"
#include "desktop/desktop_display.h"
#include "desktop/layout.h"
#include "platform/sim/sim_desk.h"

namespace {

using desktop::Desk;
using desktop::Mode;
using desktop::Monitor;
using desktop::Place;

struct Box {
  long x, y, w, h;
  bool operator==(const Box&) const = default;
};

// The rectangle a place covers, from nothing but its first monitor's mode.
Box Covered(const Desk& desk, const Place& place) {
  const Mode& m = place.monitors.front().current();
  double w = m.width, h = m.height;
  if (place.transform % 2) std::swap(w, h);
  if (desk.logical) {
    w = std::roundf(static_cast<float>(w / place.scale));
    h = std::roundf(static_cast<float>(h / place.scale));
  }
  return {place.rect.x, place.rect.y, static_cast<long>(w), static_cast<long>(h)};
}

bool Overlaps(const Box& a, const Box& b) { return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h; }

// Sharing more than a corner: the edges meet and their stretches overlap by a pixel or more.
bool Share(const Box& a, const Box& b) {
  const long rows = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
  const long columns = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
  return ((a.x + a.w == b.x || b.x + b.w == a.x) && rows >= 1) || ((a.y + a.h == b.y || b.y + b.h == a.y) && columns >= 1);
}

// Which boxes reach which through shared edges or overlaps: a label each.
std::vector<size_t> Reach(const std::vector<Box>& boxes) {
  std::vector<size_t> label(boxes.size());
  for (size_t i = 0; i < boxes.size(); ++i) label[i] = i;
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t i = 0; i < boxes.size(); ++i) {
      for (size_t j = 0; j < boxes.size(); ++j) {
        if ((Share(boxes[i], boxes[j]) || Overlaps(boxes[i], boxes[j])) && label[j] > label[i]) {
          label[j] = label[i];
          changed = true;
        }
      }
    }
  }
  return label;
}

// The places of `desk` in the order of `arranged`'s, by their first monitor.
std::vector<const Place*> Matched(const Desk& arranged, const Desk& desk) {
  std::vector<const Place*> out;
  for (const Place& a : arranged.places) {
    const Place* found = nullptr;
    for (const Place& p : desk.places) {
      if (p.monitors.front().name == a.monitors.front().name) found = &p;
    }
    out.push_back(found);
  }
  return out;
}

// Where a box that faced `from` (now `to`) may go on that side: against the new edge, keeping
// its offset along it, or with its start, end or centre (rounded down) at the edge's.
std::vector<Box> Along(const Box& from, const Box& to, const Box& was, long w, long h) {
  const bool rows = was.y < from.y + from.h && from.y < was.y + was.h;
  const bool columns = was.x < from.x + from.w && from.x < was.x + was.w;
  std::vector<Box> out;
  const auto across = [&](long x) {
    for (long y : {was.y + to.y - from.y, to.y, to.y + to.h - h, to.y + static_cast<long>(std::floor((to.h - h) / 2.0))}) {
      out.push_back({x, y, w, h});
    }
  };
  const auto down = [&](long y) {
    for (long x : {was.x + to.x - from.x, to.x, to.x + to.w - w, to.x + static_cast<long>(std::floor((to.w - w) / 2.0))}) {
      out.push_back({x, y, w, h});
    }
  };
  if (rows && was.x >= from.x + from.w) across(to.x + to.w);
  else if (rows && was.x + was.w <= from.x) across(to.x - w);
  else if (columns && was.y >= from.y + from.h) down(to.y + to.h);
  else if (columns && was.y + was.h <= from.y) down(to.y - h);
  return out;
}

// What the rule asks of the desk after any switch from `arranged`; empty when it holds.
std::string Broken(const Desk& arranged, const Desk& desk) {
  const std::vector<const Place*> places = Matched(arranged, desk);
  const size_t n = places.size();
  std::vector<Box> was, now;
  for (size_t i = 0; i < n; ++i) {
    if (!places[i]) return "place " + std::to_string(i) + " is gone";
    was.push_back(Covered(arranged, arranged.places[i]));
    now.push_back(Covered(desk, *places[i]));
  }
  long left = was[0].x, top = was[0].y, nowLeft = now[0].x, nowTop = now[0].y;
  for (size_t i = 0; i < n; ++i) {
    left = std::min(left, was[i].x);
    top = std::min(top, was[i].y);
    nowLeft = std::min(nowLeft, now[i].x);
    nowTop = std::min(nowTop, now[i].y);
  }
  if (nowLeft < left || nowTop < top) return "a place went past the desk's top left corner";
  const std::vector<size_t> pieces = Reach(was), joined = Reach(now);
  // Where a changed place left its corner for no other changed one, one of them keeps its own.
  bool anchored = false, loose = false;
  std::vector<bool> changed(n);
  std::vector<Box> corner(n);
  for (size_t i = 0; i < n; ++i) {
    changed[i] = now[i].w != was[i].w || now[i].h != was[i].h;
    corner[i] = {was[i].x, was[i].y, now[i].w, now[i].h};
  }
  for (size_t i = 0; i < n; ++i) {
    const std::string at = "place " + std::to_string(i);
    for (size_t j = i + 1; j < n; ++j) {
      if (Overlaps(now[i], now[j]) && !Overlaps(was[i], was[j])) return at + " overlaps place " + std::to_string(j);
      if (pieces[i] == pieces[j] && joined[i] != joined[j]) return at + " and place " + std::to_string(j) + " came apart";
    }
    if (now[i] == corner[i]) {
      anchored = anchored || changed[i];
      continue;
    }
    // Off its arranged corner: a changed place only for a changed one that would overlap it
    // there, and any that moved to a place along a changed or moved one it touched or faced.
    bool yields = !changed[i];
    for (size_t j = 0; j < n; ++j) {
      yields = yields || (changed[j] && j != i && Overlaps(corner[i], corner[j]) && !Overlaps(was[i], was[j]));
    }
    loose = loose || !yields;
    bool followed = false;
    for (size_t j = 0; j < n && !followed; ++j) {
      if (j == i || (!changed[j] && now[j] == was[j])) continue;
      std::vector<Box> spots = Along(was[j], now[j], was[i], now[i].w, now[i].h);
      if (spots.empty() && Overlaps(corner[i], now[j]) && !Overlaps(was[i], was[j])) {
        // Never beside it, but grown over it: pushed out to any side of it.
        const Box& to = now[j];
        const long w = now[i].w, h = now[i].h;
        for (long y : {corner[i].y, to.y, to.y + to.h - h, to.y + static_cast<long>(std::floor((to.h - h) / 2.0))}) {
          spots.push_back({to.x + to.w, y, w, h});
          spots.push_back({to.x - w, y, w, h});
        }
        for (long x : {corner[i].x, to.x, to.x + to.w - w, to.x + static_cast<long>(std::floor((to.w - w) / 2.0))}) {
          spots.push_back({x, to.y + to.h, w, h});
          spots.push_back({x, to.y - h, w, h});
        }
      }
      followed = std::find(spots.begin(), spots.end(), now[i]) != spots.end();
    }
    if (!followed) return at + " moved to a place along no edge that moved";
  }
  if (loose && !anchored) return "every changed place left its corner";
  return {};
}

// Desks as people build them: 2 to 4 monitors of common sizes, each put against one already
// there, aligned at the start, end or centre of its edge or anywhere along it, now and then a
// gap away; 2 x 2 grids; now and then a mirrored pair or a monitor turned a quarter.
class Desks {
 public:
  explicit Desks(unsigned seed) : random_(seed) {}

  enum class Kind { X11, MutterPhysical, MutterLogical };

  Desk next(Kind kind) {
    for (;;) {
      Desk desk;
      desk.logical = kind == Kind::MutterLogical;
      const int count = pick(2, 4);
      for (int i = 0; i < count; ++i) desk.places.push_back(place(kind, i == 0));
      if (pick(0, 4) == 0) mirror(desk.places[static_cast<size_t>(pick(0, count - 1))], kind);
      if (arrange(desk)) return desk;
    }
  }

  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

 private:
  struct Size {
    int32_t w, h;
  };
  static constexpr Size kSizes[] = {{800, 600},   {1024, 768},  {1280, 800},  {1280, 1024}, {1366, 768},  {1440, 900},
                                    {1600, 900},  {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {2560, 1600},
                                    {3840, 2160}, {1600, 1200}};

  Mode mode(Size s, double rate, Kind kind) {
    Mode m;
    m.width = s.w;
    m.height = s.h;
    m.rate = rate;
    if (kind == Kind::X11) return m;
    for (double scale : {1.0, 1.25, 1.5, 1.75, 2.0}) {
      if (s.w / scale >= 800 && s.h / scale >= 480) m.scales.push_back(scale);
    }
    m.preferredScale = s.w >= 2560 ? 2 : 1;
    return m;
  }

  Monitor monitor(Kind kind, int index) {
    Monitor mon;
    mon.name = "M" + std::to_string(index);
    const int n = pick(3, 7);
    for (int i = 0; i < n; ++i) {
      const Size s = kSizes[pick(0, std::size(kSizes) - 1)];
      const double rate = pick(0, 3) == 0 ? 59.94 : 60;
      bool known = false;
      // One rate a size: the program's record tells modes apart by their whole hertz alone.
      for (const Mode& m : mon.modes) known = known || (m.width == s.w && m.height == s.h);
      if (!known) mon.modes.push_back(mode(s, rate, kind));
    }
    mon.mode = static_cast<size_t>(pick(0, static_cast<int>(mon.modes.size()) - 1));
    return mon;
  }

  Place place(Kind kind, bool primary) {
    Place p;
    p.monitors.push_back(monitor(kind, names_++));
    p.monitors.front().primary = primary;
    const Mode& m = p.monitors.front().current();
    if (kind != Kind::X11) {
      const int choice = pick(0, 4);
      p.scale = choice == 0 ? desktop::AutomaticScale(m) : std::vector<double>{1, 1.25, 1.5, 2}[choice - 1];
    }
    if (pick(0, 9) == 0) p.transform = pick(0, 1) ? 1 : 3;
    return p;
  }

  // A second monitor showing the same picture: it offers the set's size and some of its own.
  void mirror(Place& p, Kind kind) {
    Monitor twin = monitor(kind, names_++);
    const Mode& shown = p.monitors.front().current();
    std::erase_if(twin.modes, [&](const Mode& m) { return m.width == shown.width && m.height == shown.height; });
    twin.modes.insert(twin.modes.begin() + pick(0, static_cast<int>(twin.modes.size())), shown);
    for (size_t i = 0; i < twin.modes.size(); ++i) {
      if (twin.modes[i] == shown) twin.mode = i;
    }
    p.monitors.push_back(twin);
  }

  bool arrange(Desk& desk) {
    std::vector<Box> placed;
    const bool grid = desk.places.size() == 4 && pick(0, 2) == 0;
    for (size_t i = 0; i < desk.places.size(); ++i) {
      Place& p = desk.places[i];
      Box b = Covered(desk, p);
      if (b.w <= 0 || b.h <= 0) return false;
      bool ok = i == 0;
      if (grid && i > 0) {
        // Row by row, each against the one before it and the one above it, the larger wins.
        const Box& first = placed[0];
        b.x = i % 2 ? std::max(first.x + first.w, i == 3 ? placed[2].x + placed[2].w : 0) : 0;
        b.y = i < 2 ? 0 : std::max(first.y + first.h, i == 3 ? placed[1].y + placed[1].h : 0);
        ok = true;
      }
      for (int attempt = 0; attempt < 40 && !ok; ++attempt) {
        const Box& to = placed[static_cast<size_t>(pick(0, static_cast<int>(i) - 1))];
        const int side = pick(0, 3), align = pick(0, 3);
        const bool across = side < 2;  // right or left: aligned along y
        const long room = across ? to.h : to.w, own = across ? b.h : b.w;
        const long along = align == 0 ? 0 : align == 1 ? room - own : align == 2 ? (room - own) / 2
                                                                       : pick(static_cast<int>(1 - own), static_cast<int>(room - 1));
        const long gap = pick(0, 5) == 0 ? pick(1, 300) : 0;
        if (across) {
          b.x = side == 0 ? to.x + to.w + gap : to.x - b.w - gap;
          b.y = to.y + along;
        } else {
          b.y = side == 2 ? to.y + to.h + gap : to.y - b.h - gap;
          b.x = to.x + along;
        }
        ok = true;
        for (const Box& other : placed) ok = ok && !Overlaps(b, other);
      }
      if (!ok) return false;
      placed.push_back(b);
    }
    long minX = placed[0].x, minY = placed[0].y;
    for (const Box& b : placed) {
      minX = std::min(minX, b.x);
      minY = std::min(minY, b.y);
    }
    for (size_t i = 0; i < placed.size(); ++i) {
      desk.places[i].rect = {static_cast<int32_t>(placed[i].x - minX), static_cast<int32_t>(placed[i].y - minY),
                             static_cast<int32_t>(placed[i].w), static_cast<int32_t>(placed[i].h)};
    }
    return true;
  }

  std::mt19937 random_;
  int names_ = 0;
};


struct Move {
  std::string monitor;
  Mode mode;
};

// Switches `monitor` to `mode` through the display driver, as the programs do; the code.
int32_t Make(SimDesk& sim, Kept& memory, const Move& move) {
  desktop::DesktopDisplay driver(sim, move.monitor, &memory);
  DevMode record = desktop::Record(sim.desk, desktop::At(sim.desk, *desktop::Driven(sim.desk, move.monitor)), move.mode);
  return driver.changeMode(record, kChangeDynamic);
}

// Every monitor's mode in force, by name.
std::map<std::string, Mode> Modes(const Desk& desk) {
  std::map<std::string, Mode> modes;
  for (const Place& p : desk.places) {
    for (const Monitor& m : p.monitors) modes[m.name] = m.current();
  }
  return modes;
}

// Whether the system would take each arranged scale again: Mutter refuses a scale its list
// lacks, even one it started with.
bool Retakable(const Desk& desk) {
  for (const Place& p : desk.places) {
    const std::vector<double>& allowed = p.monitors.front().current().scales;
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), p.scale) == allowed.end()) return false;
  }
  return true;
}

}  // namespace

TEST(DeskProperty, EverySwitchFromTheArrangementKeepsTheRuleAndComesBackExactly) {
  const int desks = std::getenv("TARNVEL_DESKS") ? std::atoi(std::getenv("TARNVEL_DESKS")) : 10000;
  Desks generator(20261209);
  int switches = 0, refused = 0, orders = 0, backs = 0;
  for (int n = 0; n < desks; ++n) {
    const auto kind = static_cast<Desks::Kind>(n % 3);
    const Desk arranged = generator.next(kind);
    const std::string shown = "arrangement:\n" + desktop::Format(arranged);
    SimDesk sim(arranged);
    Kept memory;
    std::vector<Move> made;
    const int count = generator.pick(1, 6);
    for (int k = 0; k < count; ++k) {
      const Place& place = sim.desk.places[static_cast<size_t>(generator.pick(0, static_cast<int>(sim.desk.places.size()) - 1))];
      const Monitor& monitor = place.monitors[static_cast<size_t>(generator.pick(0, static_cast<int>(place.monitors.size()) - 1))];
      const desktop::Target target = *desktop::Driven(sim.desk, monitor.name);
      const std::vector<size_t> offered = desktop::Offered(sim.desk, target);
      const Move move{monitor.name, monitor.modes[offered[static_cast<size_t>(generator.pick(0, static_cast<int>(offered.size()) - 1))]]};
      const Desk was = sim.desk;
      ++switches;
      const int32_t code = Make(sim, memory, move);
      if (code != disp_change::kSuccessful) {
        ASSERT_EQ(code, disp_change::kNoLayout);
        ASSERT_EQ(sim.desk, was) << "a refused switch changed the desk; " << shown;
        ++refused;
        continue;
      }
      made.push_back(move);
      ASSERT_EQ(Broken(arranged, sim.desk), "") << shown << "after " << move.monitor << " took its mode " << move.mode.width
                                                << "x" << move.mode.height << ":\n" << desktop::Format(sim.desk);
      // The changed place takes a scale every one of its monitors lists for its new mode, where
      // they list one in common: Mutter refuses any other.
      const Place& changed = sim.desk.places[desktop::Driven(sim.desk, move.monitor)->place];
      std::vector<double> common = changed.monitors[0].current().scales;
      for (const Monitor& m : changed.monitors) {
        std::erase_if(common, [&](double s) { return std::find(m.current().scales.begin(), m.current().scales.end(), s) == m.current().scales.end(); });
      }
      ASSERT_TRUE(common.empty() || std::find(common.begin(), common.end(), changed.scale) != common.end())
          << "scale " << changed.scale << "; " << shown << desktop::Format(sim.desk);
    }
    // The same modes reached the other way round, each monitor straight to its last: the same
    // desk, whatever the path (but for a scale the system no longer lists, which a switch
    // replaces with the nearest allowed).
    const std::map<std::string, Mode> reached = Modes(sim.desk);
    SimDesk other(arranged);
    Kept otherMemory;
    bool all = true;
    for (auto m = reached.rbegin(); m != reached.rend(); ++m) all = all && Make(other, otherMemory, {m->first, m->second}) == 0;
    if (all && Retakable(arranged)) {
      ++orders;
      ASSERT_EQ(other.desk, sim.desk) << shown << "one way:\n" << desktop::Format(sim.desk) << "the other:\n" << desktop::Format(other.desk);
    }
    // Every monitor back to its arranged mode: the arrangement, exactly.
    all = true;
    for (const auto& [name, mode] : Modes(arranged)) all = all && Make(sim, memory, {name, mode}) == 0;
    if (all && Retakable(arranged)) {
      ++backs;
      ASSERT_EQ(sim.desk, arranged) << shown << "back:\n" << desktop::Format(sim.desk);
    }
  }
  std::printf("%d random arrangements, %d switches: %.2f %% refused; %d desks reached again the other way round, "
              "%d brought back exactly\n",
              desks, switches, 100.0 * refused / switches, orders, backs);
  RecordProperty("refused_percent", std::to_string(100.0 * refused / switches));
  EXPECT_LT(refused * 100, switches) << "1 % or more of the switches were refused";
}

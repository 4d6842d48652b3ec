#include "desktop/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace desktop {

namespace {

// Scales come as doubles the service computed (1.2424242...), and the one in force is one of
// them: equal within this much.
constexpr double kSameScale = 1e-4;

bool Same(double a, double b) { return std::fabs(a - b) < kSameScale; }

bool Allows(const std::vector<double>& allowed, double scale) {
  return std::any_of(allowed.begin(), allowed.end(), [&](double s) { return Same(s, scale); });
}

// The scales a mirrored set allows in these modes: those every member allows; the first
// member's preference.
Mode Shared(const std::vector<const Mode*>& modes) {
  Mode shared;
  if (modes.empty()) return shared;
  shared.preferredScale = modes.front()->preferredScale;
  bool any = false;
  for (const Mode* m : modes) {
    if (m->scales.empty()) continue;
    if (!any) {
      shared.scales = m->scales;
      any = true;
      continue;
    }
    std::erase_if(shared.scales, [&](double s) { return !Allows(m->scales, s); });
  }
  return shared;
}

// Where `r` lies from `from`, when the two share a stretch of an edge.
enum class Side { None, Left, Right, Above, Below };
Side SideOf(const Rect& from, const Rect& r) {
  const bool rows = r.y < from.bottom() && from.y < r.bottom();
  const bool columns = r.x < from.right() && from.x < r.right();
  if (rows && r.x == from.right()) return Side::Right;
  if (rows && r.right() == from.x) return Side::Left;
  if (columns && r.y == from.bottom()) return Side::Below;
  if (columns && r.bottom() == from.y) return Side::Above;
  return Side::None;
}

// Half, rounded down also below zero, so that a centre is the same on either side of the origin.
int32_t Half(int32_t v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

int64_t Moved(const Rect& from, const Rect& to) {
  return std::abs(int64_t{to.x} - from.x) + std::abs(int64_t{to.y} - from.y);
}

// The layouts the rule allows, tried monitor by monitor outwards from the changed one, the
// cheapest first; each branch ends as soon as it overlaps or costs more than the best so far.
class Search {
 public:
  Search(const std::vector<Rect>& before, size_t changed, Rect grown)
      : before_(before), after_(before), placed_(before.size(), true), contacts_(before.size()) {
    after_[changed] = grown;
    for (size_t i = 0; i < before.size(); ++i) {
      for (size_t j = 0; j < before.size(); ++j) {
        if (i != j && (Touch(before[i], before[j]) || Overlap(before[i], before[j]))) contacts_[i].push_back(j);
      }
    }
    // The changed monitor's piece, nearest first; the rest was never joined to it and stays.
    std::vector<bool> seen(before.size(), false);
    piece_ = {changed};
    seen[changed] = true;
    for (size_t k = 0; k < piece_.size(); ++k) {
      for (size_t j : contacts_[piece_[k]]) {
        if (!seen[j]) {
          seen[j] = true;
          piece_.push_back(j);
        }
      }
    }
    for (size_t k = 1; k < piece_.size(); ++k) placed_[piece_[k]] = false;
    changed_ = changed;
  }

  std::optional<std::vector<Rect>> run() {
    // A monitor apart from the changed one's piece never moves: where the changed one would grow
    // over it, no layout keeps the desk whole.
    for (size_t j = 0; j < after_.size(); ++j) {
      if (placed_[j] && j != changed_ && Overlap(after_[changed_], after_[j]) && !Overlap(before_[changed_], before_[j])) {
        return std::nullopt;
      }
    }
    place(1, 0);
    if (!found_) return std::nullopt;
    return best_;
  }

 private:
  void place(size_t k, int64_t cost) {
    if (--budget_ < 0 || cost >= bestCost_) return;
    if (k == piece_.size()) {
      if (whole()) {
        best_ = after_;
        bestCost_ = cost;
        found_ = true;
      }
      return;
    }
    const size_t m = piece_[k];
    for (const Rect& r : candidates(m)) {
      const int64_t more = Moved(before_[m], r);
      if (cost + more >= bestCost_) break;  // sorted: the rest cost more still
      if (collides(m, r)) continue;
      after_[m] = r;
      placed_[m] = true;
      place(k + 1, cost + more);
      placed_[m] = false;
      after_[m] = before_[m];
    }
  }

  // Where monitor `m` may go: where it is, or against a placed neighbour that moved (the
  // changed monitor counts as moved), on the side it touched: following it, or aligned with
  // that edge's start, end or centre.
  std::vector<Rect> candidates(size_t m) const {
    std::vector<Rect> out = {before_[m]};
    for (size_t n : contacts_[m]) {
      if (!placed_[n] || (n != changed_ && after_[n] == before_[n])) continue;
      const Side side = SideOf(before_[n], before_[m]);
      if (side == Side::None) continue;
      const Rect& from = before_[n];
      const Rect& to = after_[n];
      Rect r = before_[m];
      if (side == Side::Left || side == Side::Right) {
        r.x = side == Side::Right ? to.right() : to.x - r.width;
        for (int32_t y : {r.y + (to.y - from.y), to.y, to.bottom() - r.height, to.y + Half(to.height - r.height)}) {
          out.push_back({r.x, y, r.width, r.height});
        }
      } else {
        r.y = side == Side::Below ? to.bottom() : to.y - r.height;
        for (int32_t x : {r.x + (to.x - from.x), to.x, to.right() - r.width, to.x + Half(to.width - r.width)}) {
          out.push_back({x, r.y, r.width, r.height});
        }
      }
    }
    std::vector<Rect> unique;
    for (const Rect& r : out) {
      if (std::find(unique.begin(), unique.end(), r) == unique.end()) unique.push_back(r);
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [&](const Rect& a, const Rect& b) { return Moved(before_[m], a) < Moved(before_[m], b); });
    return unique;
  }

  // Monitors that overlapped before (an X server allows it) may go on doing so.
  bool collides(size_t m, const Rect& r) const {
    for (size_t j = 0; j < after_.size(); ++j) {
      if (j != m && placed_[j] && Overlap(r, after_[j]) && !Overlap(before_[m], before_[j])) return true;
    }
    return false;
  }

  bool whole() const {
    std::vector<bool> reached(after_.size(), false);
    std::vector<size_t> next = {changed_};
    reached[changed_] = true;
    size_t count = 1;
    while (!next.empty()) {
      const size_t i = next.back();
      next.pop_back();
      for (size_t j : piece_) {
        if (reached[j] || !(Touch(after_[i], after_[j]) || Overlap(after_[i], after_[j]))) continue;
        reached[j] = true;
        ++count;
        next.push_back(j);
      }
    }
    return count == piece_.size();
  }

  const std::vector<Rect>& before_;
  std::vector<Rect> after_;
  std::vector<bool> placed_;
  std::vector<std::vector<size_t>> contacts_;
  std::vector<size_t> piece_;
  size_t changed_ = 0;
  std::vector<Rect> best_;
  int64_t bestCost_ = std::numeric_limits<int64_t>::max();
  bool found_ = false;
  // Desks of a few monitors take a few hundred steps; a desk of many gets the best layout found
  // within this many.
  long budget_ = 200000;
};

}  // namespace

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

bool Touch(const Rect& a, const Rect& b) { return SideOf(a, b) != Side::None; }

double NearestScale(const std::vector<double>& allowed, double wanted) {
  double best = wanted;
  double distance = INFINITY;
  for (double s : allowed) {
    const double d = std::fabs(s - wanted);
    if (d < distance - kSameScale || (d < distance + kSameScale && s < best)) {
      best = s;
      distance = d;
    }
  }
  return best;
}

double AutomaticScale(const Mode& mode) {
  if (mode.scales.empty() || Allows(mode.scales, mode.preferredScale)) return mode.preferredScale;
  return NearestScale(mode.scales, mode.preferredScale);
}

double NewScale(double scale, const std::vector<const Mode*>& before, const std::vector<const Mode*>& after) {
  const Mode was = Shared(before), next = Shared(after);
  if (next.scales.empty()) return scale;
  if (Same(scale, AutomaticScale(was))) return AutomaticScale(next);
  return Allows(next.scales, scale) ? scale : NearestScale(next.scales, scale);
}

std::optional<std::vector<Rect>> Arrange(const std::vector<Rect>& rects, size_t changed, Rect grown) {
  grown.x = rects.at(changed).x;
  grown.y = rects.at(changed).y;
  auto placed = Search(rects, changed, grown).run();
  if (!placed) return std::nullopt;
  // A monitor that slid past the desk's top or left edge takes the whole desk along, so that it
  // starts where it did (Mutter wants its top left corner at 0, 0; X no negative position).
  const auto least = [](const std::vector<Rect>& rs, int32_t Rect::*field) {
    int32_t v = std::numeric_limits<int32_t>::max();
    for (const Rect& r : rs) v = std::min(v, r.*field);
    return v;
  };
  const int32_t dx = least(rects, &Rect::x) - least(*placed, &Rect::x);
  const int32_t dy = least(rects, &Rect::y) - least(*placed, &Rect::y);
  for (Rect& r : *placed) {
    r.x += dx;
    r.y += dy;
  }
  return placed;
}

std::optional<Desk> Plan(const Desk& desk, Target target, size_t mode) {
  Desk next = desk;
  Place& place = next.places.at(target.place);
  const Mode chosen = At(desk, target).modes.at(mode);
  std::vector<const Mode*> before, after;
  for (size_t i = 0; i < place.monitors.size(); ++i) {
    Monitor& member = place.monitors[i];
    const std::optional<size_t> own =
        i == target.monitor ? mode : ModeOfSize(member, chosen.width, chosen.height, chosen.rate);
    if (!own) return std::nullopt;
    before.push_back(&desk.places[target.place].monitors[i].current());
    member.mode = *own;
    after.push_back(&member.current());
  }
  place.scale = NewScale(place.scale, before, after);

  std::vector<Rect> rects;
  for (const Place& p : desk.places) rects.push_back(p.rect);
  const auto placed = Arrange(rects, target.place, Extent(chosen, place.scale, place.transform, desk.logical));
  if (!placed) return std::nullopt;
  for (size_t i = 0; i < next.places.size(); ++i) next.places[i].rect = (*placed)[i];
  return next;
}

}  // namespace desktop

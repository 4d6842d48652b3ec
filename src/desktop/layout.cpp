#include "desktop/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

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

// Where `r` lies from `from` when it faces one of its edges across nothing or a gap, with their
// stretches overlapping.
enum class Side { None, Left, Right, Above, Below };
Side SideOf(const Rect& from, const Rect& r) {
  const bool rows = r.y < from.bottom() && from.y < r.bottom();
  const bool columns = r.x < from.right() && from.x < r.right();
  if (rows && r.x >= from.right()) return Side::Right;
  if (rows && r.right() <= from.x) return Side::Left;
  if (columns && r.y >= from.bottom()) return Side::Below;
  if (columns && r.bottom() <= from.y) return Side::Above;
  return Side::None;
}

bool Joined(const Rect& a, const Rect& b) { return Touch(a, b) || Overlap(a, b); }

// Half, rounded down also below zero, so that a centre is the same on either side of the origin.
int32_t Half(int32_t v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

int64_t Moved(const Rect& from, const Rect& to) {
  return std::abs(int64_t{to.x} - from.x) + std::abs(int64_t{to.y} - from.y);
}

// Which of `rects` reach each other through joined ones: a label for each.
std::vector<size_t> Pieces(const std::vector<Rect>& rects) {
  std::vector<size_t> label(rects.size());
  std::iota(label.begin(), label.end(), size_t{0});
  const auto root = [&](size_t i) {
    while (label[i] != i) i = label[i] = label[label[i]];
    return i;
  };
  for (size_t i = 0; i < rects.size(); ++i) {
    for (size_t j = i + 1; j < rects.size(); ++j) {
      if (Joined(rects[i], rects[j])) label[root(j)] = root(i);
    }
  }
  for (size_t i = 0; i < rects.size(); ++i) label[i] = root(i);
  return label;
}

// The layouts the rule allows, monitor by monitor: the changed ones first, then outwards from
// them, each trying its own place and then the places along the edges of monitors decided
// before it, the nearest first; a branch ends as soon as it overlaps or costs more than the
// best layout so far.
class Search {
 public:
  Search(const std::vector<Rect>& arranged, const std::vector<Rect>& sized, size_t primary)
      : arranged_(arranged), n_(arranged.size()), wanted_(arranged), changed_(n_), decided_(n_, false),
        pieces_(Pieces(arranged)) {
    left_ = top_ = std::numeric_limits<int32_t>::max();
    for (size_t i = 0; i < n_; ++i) {
      wanted_[i].width = sized.at(i).width;
      wanted_[i].height = sized.at(i).height;
      changed_[i] = !(wanted_[i] == arranged[i]);
      left_ = std::min(left_, arranged[i].x);
      top_ = std::min(top_, arranged[i].y);
    }
    after_ = wanted_;
    // Precedence for ties: the primary, then from the top, then from the left.
    precedence_.resize(n_);
    std::iota(precedence_.begin(), precedence_.end(), size_t{0});
    const auto higher = [&](size_t a, size_t b) {
      return std::pair(arranged[a].y, arranged[a].x) < std::pair(arranged[b].y, arranged[b].x);
    };
    std::stable_sort(precedence_.begin(), precedence_.end(), [&](size_t a, size_t b) {
      if ((a == primary) != (b == primary)) return a == primary;
      return higher(a, b);
    });
    byCorner_ = precedence_;
    std::stable_sort(byCorner_.begin(), byCorner_.end(), higher);
  }

  std::optional<std::vector<Rect>> run() {
    std::vector<size_t> claims;
    for (size_t i : byCorner_) {
      if (changed_[i]) claims.push_back(i);
    }
    search(claims);
    // Changed monitors that no longer reach each other, with nothing between them that may
    // follow: one keeps its corner and the others move as unchanged ones would, the one with
    // which the desk moves least.
    if (!found_) {
      for (size_t anchor : claims) {
        std::vector<size_t> loose = {anchor};
        for (size_t i : claims) {
          if (i != anchor) loose.push_back(i);
        }
        search(loose, true);
      }
    }
    if (!found_) return std::nullopt;
    return best_;
  }

 private:
  // Searches the layouts in which the changed monitors claim their corners in the order
  // `claims`: one that a changed monitor earlier in it would overlap there (with `loose`, every
  // one but the first) is placed as an unchanged one. The best of every search so far is kept.
  void search(const std::vector<size_t>& claims, bool loose = false) {
    std::vector<size_t> rank(n_, 0);
    for (size_t k = 0; k < claims.size(); ++k) rank[claims[k]] = k + 1;
    yields_.assign(n_, false);
    for (size_t i = 0; i < n_; ++i) {
      for (size_t j = 0; j < n_; ++j) {
        yields_[i] = yields_[i] || (rank[i] && rank[j] && rank[j] < rank[i] &&
                                    (loose || (Overlap(wanted_[i], wanted_[j]) && !Overlap(arranged_[i], arranged_[j]))));
      }
    }
    // The order of decisions: the changed monitors that keep their corners, in the order of their
    // claims; then each monitor after one it touches or overlaps, and only then one it faces
    // across a gap, so that the monitors it may follow are decided before it.
    order_.clear();
    for (size_t i : claims) {
      if (!yields_[i]) order_.push_back(i);
    }
    std::vector<bool> queued(n_, false);
    for (size_t i : order_) queued[i] = true;
    const auto next = [&](bool facing) {
      for (size_t k = 0; k < order_.size(); ++k) {
        for (size_t j : precedence_) {
          const Rect& a = arranged_[order_[k]];
          const Rect& b = arranged_[j];
          if (!queued[j] && (Joined(a, b) || (facing && SideOf(a, b) != Side::None))) {
            queued[j] = true;
            order_.push_back(j);
            if (facing) return true;
          }
        }
      }
      return false;
    };
    const size_t keeping = order_.size();
    do {
      next(false);
    } while (next(true));
    for (size_t j : precedence_) {
      if (!queued[j]) order_.push_back(j);  // nothing it relates to changes: it stays
    }
    place(0, 0);
    // A monitor may have to follow one that lies further from the changes than itself (the one
    // below it in a grid, not the one above): once more with the rest taken from the top left,
    // as monitors mostly follow edges to their left and above them.
    order_.resize(keeping);
    for (size_t j : byCorner_) {
      if (std::find(order_.begin(), order_.end(), j) == order_.end()) order_.push_back(j);
    }
    place(0, 0);
  }

  void place(size_t k, int64_t cost) {
    if (--budget_ < 0 || cost > bestCost_) return;
    if (k == n_) {
      if (whole() && better(cost)) {
        best_ = after_;
        bestCost_ = cost;
        found_ = true;
      }
      return;
    }
    const size_t m = order_[k];
    for (const Rect& r : candidates(m)) {
      const int64_t more = Moved(wanted_[m], r);
      if (cost + more > bestCost_) break;  // sorted: the rest cost more still
      if (collides(m, r)) continue;
      after_[m] = r;
      decided_[m] = true;
      place(k + 1, cost + more);
      decided_[m] = false;
    }
    after_[m] = wanted_[m];
  }

  // Where monitor `m` may go: its arranged place, or against a decided monitor that changed or
  // moved and that it touched or faced, on that side: following its edge, or aligned with that
  // edge's start, end or centre. Never left of or above the desk.
  std::vector<Rect> candidates(size_t m) const {
    std::vector<Rect> out = {wanted_[m]};
    if (!changed_[m] || yields_[m]) {
      const Rect& own = wanted_[m];
      // Against `to`'s edge on `side`, where the edge it followed stood at `from`: keeping its
      // offset along the edge, or with its start, end or centre at the edge's.
      const auto against = [&](const Rect& from, const Rect& to, Side side) {
        if (side == Side::Left || side == Side::Right) {
          const int32_t x = side == Side::Right ? to.right() : to.x - own.width;
          for (int32_t y : {own.y + (to.y - from.y), to.y, to.bottom() - own.height, to.y + Half(to.height - own.height)}) {
            out.push_back({x, y, own.width, own.height});
          }
        } else {
          const int32_t y = side == Side::Below ? to.bottom() : to.y - own.height;
          for (int32_t x : {own.x + (to.x - from.x), to.x, to.right() - own.width, to.x + Half(to.width - own.width)}) {
            out.push_back({x, y, own.width, own.height});
          }
        }
      };
      for (size_t n = 0; n < n_; ++n) {
        if (n == m || !decided_[n] || !(changed_[n] || !(after_[n] == wanted_[n]))) continue;
        if (const Side side = SideOf(arranged_[n], arranged_[m]); side != Side::None) {
          against(arranged_[n], after_[n], side);
        } else if (Overlap(own, after_[n]) && !Overlap(arranged_[m], arranged_[n])) {
          // One it never touched or faced, grown over it: pushed out to any of its edges.
          for (Side side : {Side::Right, Side::Below, Side::Left, Side::Above}) against(after_[n], after_[n], side);
        }
      }
    }
    std::vector<Rect> unique;
    for (const Rect& r : out) {
      if (r.x >= left_ && r.y >= top_ && std::find(unique.begin(), unique.end(), r) == unique.end()) unique.push_back(r);
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [&](const Rect& a, const Rect& b) { return Moved(wanted_[m], a) < Moved(wanted_[m], b); });
    return unique;
  }

  // Monitors that overlapped in the arrangement (an X server allows it) may go on doing so.
  bool collides(size_t m, const Rect& r) const {
    for (size_t j = 0; j < n_; ++j) {
      if (j != m && decided_[j] && Overlap(r, after_[j]) && !Overlap(arranged_[m], arranged_[j])) return true;
    }
    return false;
  }

  // Every piece of the arrangement in one piece still.
  bool whole() const {
    const std::vector<size_t> now = Pieces(after_);
    for (size_t i = 0; i < n_; ++i) {
      for (size_t j = i + 1; j < n_; ++j) {
        if (pieces_[i] == pieces_[j] && now[i] != now[j]) return false;
      }
    }
    return true;
  }

  // Whether the layout in after_, at `cost`, beats the best so far by the tie rule.
  bool better(int64_t cost) const {
    if (!found_ || cost < bestCost_) return true;
    for (size_t i : precedence_) {
      const int64_t mine = Moved(wanted_[i], after_[i]), theirs = Moved(wanted_[i], best_[i]);
      if (mine != theirs) return mine < theirs;
    }
    for (size_t i : precedence_) {
      if (after_[i].y != best_[i].y) return after_[i].y < best_[i].y;
      if (after_[i].x != best_[i].x) return after_[i].x < best_[i].x;
    }
    return false;
  }

  const std::vector<Rect>& arranged_;
  const size_t n_;
  std::vector<Rect> wanted_;  // each at its arranged corner, at its new size
  std::vector<bool> changed_, yields_;
  std::vector<bool> decided_;
  const std::vector<size_t> pieces_;
  std::vector<size_t> order_, precedence_, byCorner_;
  int32_t left_ = 0, top_ = 0;
  std::vector<Rect> after_;
  std::vector<Rect> best_;
  int64_t bestCost_ = std::numeric_limits<int64_t>::max();
  bool found_ = false;
  // Desks of a few monitors take a few hundred steps; a desk of many gets the best layout found
  // within this many.
  long budget_ = 200000;
};

// The place of `arranged` that shows what `place`, the `index`th of its desk, shows: the one with
// the same first monitor, at the same index where it is there.
const Place* Counterpart(const Desk& arranged, const Place& place, size_t index) {
  if (index < arranged.places.size() && arranged.places[index].monitors.front().name == place.monitors.front().name) {
    return &arranged.places[index];
  }
  for (const Place& p : arranged.places) {
    if (p.monitors.front().name == place.monitors.front().name) return &p;
  }
  return nullptr;
}

const Monitor* Named(const Place& place, const std::string& name) {
  for (const Monitor& m : place.monitors) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

// The same mode in force, whatever else the lists hold.
bool SameMode(const Mode& a, const Mode& b) {
  return a.width == b.width && a.height == b.height && a.rate == b.rate && a.interlaced == b.interlaced && a.id == b.id;
}

}  // namespace

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

bool Touch(const Rect& a, const Rect& b) {
  const bool rows = a.y < b.bottom() && b.y < a.bottom();
  const bool columns = a.x < b.right() && b.x < a.right();
  return (rows && (a.right() == b.x || b.right() == a.x)) || (columns && (a.bottom() == b.y || b.bottom() == a.y));
}

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

std::optional<std::vector<Rect>> Arrange(const std::vector<Rect>& arranged, const std::vector<Rect>& sized,
                                         size_t primary) {
  if (arranged.empty() || sized.size() != arranged.size()) return std::nullopt;
  return Search(arranged, sized, primary).run();
}

bool SameDesk(const Desk& left, const Desk& now) {
  if (left.logical != now.logical || left.bitsPerPixel != now.bitsPerPixel || left.places.size() != now.places.size()) {
    return false;
  }
  for (size_t i = 0; i < now.places.size(); ++i) {
    const Place& place = now.places[i];
    const Place* was = Counterpart(left, place, i);
    if (!was || !(was->rect == place.rect) || !Same(was->scale, place.scale) || was->transform != place.transform ||
        was->monitors.size() != place.monitors.size()) {
      return false;
    }
    for (size_t i = 0; i < place.monitors.size(); ++i) {
      const Monitor& a = was->monitors[i];
      const Monitor& b = place.monitors[i];
      if (a.name != b.name || a.primary != b.primary || !SameMode(a.current(), b.current())) return false;
    }
  }
  return true;
}

std::optional<Desk> Plan(const Desk& arranged, const Desk& now, Target target, size_t mode) {
  Desk next = now;
  {
    Place& place = next.places.at(target.place);
    const Mode chosen = At(now, target).modes.at(mode);
    for (size_t i = 0; i < place.monitors.size(); ++i) {
      Monitor& member = place.monitors[i];
      const std::optional<size_t> own =
          i == target.monitor ? mode : ModeOfSize(member, chosen.width, chosen.height, chosen.rate);
      if (!own) return std::nullopt;
      member.mode = *own;
    }
  }
  std::vector<Rect> was, sized;
  size_t primary = next.places.size();
  for (size_t i = 0; i < next.places.size(); ++i) {
    Place& place = next.places[i];
    // A place the arrangement lacks is its own arrangement: as it is now.
    const Place* mine = Counterpart(arranged, place, i);
    const Place& home = mine ? *mine : now.places[i];
    std::vector<const Mode*> before, after;
    for (size_t m = 0; m < place.monitors.size(); ++m) {
      const Monitor* then = Named(home, place.monitors[m].name);
      before.push_back(&(then ? *then : now.places[i].monitors[m]).current());
      after.push_back(&place.monitors[m].current());
    }
    place.scale = NewScale(home.scale, before, after);
    const Mode& shown = *after.front();
    Rect size = home.rect;
    // At its arranged size the place keeps the size it was arranged at, to the pixel.
    if (shown.width != before.front()->width || shown.height != before.front()->height || !Same(place.scale, home.scale)) {
      size = Extent(shown, place.scale, place.transform, next.logical);
    }
    was.push_back(home.rect);
    sized.push_back(size);
    if (place.primary()) primary = std::min(primary, i);
  }
  const auto placed = Arrange(was, sized, primary);
  if (!placed) return std::nullopt;
  for (size_t i = 0; i < next.places.size(); ++i) next.places[i].rect = (*placed)[i];
  return next;
}

}  // namespace desktop

#include "platform/layout.h"

#include <algorithm>
#include <cmath>

namespace desktop {

namespace {

// Scales come as doubles computed by the service (1.2424242...), and the one in force is
// one of them: equal within this much.
constexpr double kSameScale = 1e-4;

bool Same(double a, double b) { return std::fabs(a - b) < kSameScale; }

bool Allows(const std::vector<double>& supported, double scale) {
  return std::any_of(supported.begin(), supported.end(), [&](double s) { return Same(s, scale); });
}

// Two monitors hold together when they share a stretch of an edge, or overlap (mirrored
// outputs cover the same rectangle).
bool Touch(const Rect& a, const Rect& b) {
  const bool rowsMeet = a.y < b.y + b.height && b.y < a.y + a.height;
  const bool columnsMeet = a.x < b.x + b.width && b.x < a.x + a.width;
  const bool sideBySide = (a.x + a.width == b.x || b.x + b.width == a.x) && rowsMeet;
  const bool stacked = (a.y + a.height == b.y || b.y + b.height == a.y) && columnsMeet;
  return sideBySide || stacked || (rowsMeet && columnsMeet);
}

}  // namespace

double NearestScale(const std::vector<double>& supported, double wanted) {
  double best = wanted;
  double distance = INFINITY;
  for (double s : supported) {
    const double d = std::fabs(s - wanted);
    if (d < distance - kSameScale || (d < distance + kSameScale && s < best)) {
      best = s;
      distance = d;
    }
  }
  return best;
}

double AutomaticScale(const Scales& scales) {
  if (scales.supported.empty() || Allows(scales.supported, scales.preferred)) return scales.preferred;
  return NearestScale(scales.supported, scales.preferred);
}

Scales Shared(const std::vector<Scales>& members) {
  if (members.empty()) return {};
  Scales shared = members.front();
  for (const Scales& m : members) {
    if (m.supported.empty()) continue;
    if (shared.supported.empty()) {
      shared.supported = m.supported;
      continue;
    }
    std::erase_if(shared.supported, [&](double s) { return !Allows(m.supported, s); });
  }
  return shared;
}

double NewScale(const Change& change) {
  const double now = change.monitors.at(change.changed).scale;
  if (change.after.supported.empty()) return now;
  if (Same(now, AutomaticScale(change.before))) return AutomaticScale(change.after);
  return Allows(change.after.supported, now) ? now : NearestScale(change.after.supported, now);
}

std::optional<std::vector<Monitor>> Relayout(const Change& change) {
  std::vector<Monitor> out = change.monitors;
  const Monitor& old = change.monitors.at(change.changed);
  const double scale = NewScale(change);

  Rect grown = old.rect;
  grown.width = change.rotated ? change.height : change.width;
  grown.height = change.rotated ? change.width : change.height;
  if (change.logical && scale > 0) {
    grown.width = static_cast<int32_t>(std::lround(grown.width / scale));
    grown.height = static_cast<int32_t>(std::lround(grown.height / scale));
  }
  const int32_t right = old.rect.x + old.rect.width, bottom = old.rect.y + old.rect.height;
  const int32_t dx = grown.width - old.rect.width, dy = grown.height - old.rect.height;

  for (size_t i = 0; i < out.size(); ++i) {
    const bool mirror = std::find(change.mirrors.begin(), change.mirrors.end(), i) != change.mirrors.end();
    if (i == change.changed || mirror) {
      out[i].rect = grown;
      out[i].scale = scale;
      continue;
    }
    // Whatever lies beyond the right or bottom edge follows that edge; the rest stays.
    if (out[i].rect.x >= right) out[i].rect.x += dx;
    if (out[i].rect.y >= bottom) out[i].rect.y += dy;
  }

  for (size_t i = 0; i < out.size() && out.size() > 1; ++i) {
    bool held = false;
    for (size_t j = 0; j < out.size() && !held; ++j) held = j != i && Touch(out[i].rect, out[j].rect);
    if (!held) return std::nullopt;
  }
  return out;
}

std::optional<size_t> ModeOfSize(const std::vector<ModeSize>& modes, int32_t width, int32_t height, double rate) {
  std::optional<size_t> best;
  for (size_t i = 0; i < modes.size(); ++i) {
    if (modes[i].width != width || modes[i].height != height) continue;
    if (!best || std::fabs(modes[i].rate - rate) < std::fabs(modes[best.value()].rate - rate)) best = i;
  }
  return best;
}

}  // namespace desktop

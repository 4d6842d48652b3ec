#include "desktop/desktop_display.h"

#include <utility>

#include "desktop/layout.h"

namespace desktop {

std::optional<Desk> WayBack(const Switch& last, const Desk& now, const std::string& monitor, const Mode& mode) {
  if (!(last.after == now)) return std::nullopt;
  // A scale the system put there itself but would not take back (Mutter starts a monitor at
  // its preferred scale, listed or not) makes the desk from before one that cannot be made.
  for (const Place& place : last.before.places) {
    const std::vector<double>& allowed = place.monitors.front().current().scales;
    if (!allowed.empty() && NearestScale(allowed, place.scale) != place.scale) return std::nullopt;
  }
  // Only the monitor the last switch changed has a way back: another one taking the mode it has
  // would otherwise undo that switch.
  const std::optional<Target> before = Driven(last.before, monitor), after = Driven(last.after, monitor);
  if (!before || !after || At(last.before, *before).current() == At(last.after, *after).current()) return std::nullopt;
  if (!(At(last.before, *before).current() == mode)) return std::nullopt;
  return last.before;
}

DesktopDisplay::DesktopDisplay(System& system, std::string monitor, Memory* memory)
    : system_(system), monitor_(std::move(monitor)), memory_(memory) {}

bool DesktopDisplay::enumMode(int32_t modeNum, DevMode& mode) {
  if (modeNum == 0 || !pass_) {
    pass_.reset();
    const std::optional<Desk> desk = system_.read();
    const std::optional<Target> target = desk ? Driven(*desk, monitor_) : std::nullopt;
    if (target) {
      pass_.emplace();
      const Monitor& driven = At(*desk, *target);
      for (size_t i : Offered(*desk, *target)) pass_->push_back(Record(*desk, driven, driven.modes[i]));
    }
  }
  if (!pass_ || modeNum < 0 || static_cast<size_t>(modeNum) >= pass_->size()) {
    pass_.reset();  // the pass is over; the next one looks again
    return false;
  }
  mode = (*pass_)[static_cast<size_t>(modeNum)];
  return true;
}

ScreenMetrics DesktopDisplay::metrics() {
  const std::optional<Desk> desk = system_.read();
  const std::optional<Target> target = desk ? Driven(*desk, monitor_) : std::nullopt;
  return target ? Metrics(*desk, At(*desk, *target).current()) : ScreenMetrics{};
}

Planned DesktopDisplay::plan(const Desk& desk, const DevMode& record, const std::optional<Switch>& last) const {
  const std::optional<Target> target = Driven(desk, monitor_);
  if (!target) return {disp_change::kFailed, {}};
  const Monitor& driven = At(desk, *target);
  for (size_t i : Offered(desk, *target)) {
    if (!Matches(desk, driven.modes[i], record)) continue;
    if (last) {
      if (std::optional<Desk> back = WayBack(*last, desk, driven.name, driven.modes[i])) return {0, std::move(*back)};
    }
    std::optional<Desk> next = Plan(desk, *target, i);
    if (!next) return {disp_change::kFailed, {}};
    return {disp_change::kSuccessful, std::move(*next)};
  }
  return {disp_change::kBadMode, {}};
}

int32_t DesktopDisplay::changeMode(DevMode& mode, uint32_t flags) {
  if (flags & ~(kChangeDynamic | kChangeTest)) return disp_change::kBadFlags;
  if (mode.dmPelsWidth <= 0 || mode.dmPelsHeight <= 0) return disp_change::kBadParam;
  pass_.reset();
  const std::optional<Switch> last = memory_ ? memory_->recall() : last_;
  if (flags & kChangeTest) {
    const std::optional<Desk> desk = system_.read();
    return desk ? plan(*desk, mode, last).code : disp_change::kFailed;
  }
  std::optional<Switch> made;
  const int32_t code = system_.change([&](const Desk& desk) {
    Planned planned = plan(desk, mode, last);
    if (planned.code == disp_change::kSuccessful) made = Switch{desk, planned.desk};
    return planned;
  });
  if (code == disp_change::kSuccessful && made) {
    if (memory_) {
      memory_->remember(*made);
    } else {
      last_ = std::move(made);
    }
  }
  return code;
}

}  // namespace desktop

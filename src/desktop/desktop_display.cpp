#include "desktop/desktop_display.h"

#include <mutex>
#include <utility>

#include "desktop/layout.h"

namespace desktop {

const Desk& Arranged(const std::optional<Arrangement>& kept, const Desk& now) {
  return kept && SameDesk(kept->left, now) ? kept->arranged : now;
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

Planned DesktopDisplay::plan(const Desk& arranged, const Desk& now, const DevMode& record) const {
  const std::optional<Target> target = Driven(now, monitor_);
  if (!target) return {disp_change::kFailed, {}};
  const Monitor& driven = At(now, *target);
  for (size_t i : Offered(now, *target)) {
    if (!Matches(now, driven.modes[i], record)) continue;
    std::optional<Desk> next = Plan(arranged, now, *target, i);
    if (!next) return {disp_change::kNoLayout, {}};
    return {disp_change::kSuccessful, std::move(*next)};
  }
  return {disp_change::kBadMode, {}};
}

// The shared record where it knows the desk in force, else this program's own: the record may
// be another program's newer one, or an old one this program could not write over.
std::optional<Arrangement> DesktopDisplay::recall(const Desk& now) {
  if (memory_) {
    std::optional<Arrangement> shared = memory_->recall();
    if (shared && SameDesk(shared->left, now)) return shared;
  }
  return kept_;
}

int32_t DesktopDisplay::changeMode(DevMode& mode, uint32_t flags) {
  if (flags & ~(kChangeDynamic | kChangeTest)) return disp_change::kBadFlags;
  if (mode.dmPelsWidth <= 0 || mode.dmPelsHeight <= 0) return disp_change::kBadParam;
  pass_.reset();
  std::unique_lock<Memory> held;
  if (memory_) held = std::unique_lock<Memory>(*memory_);
  if (flags & kChangeTest) {
    const std::optional<Desk> now = system_.read();
    return now ? plan(Arranged(recall(*now), *now), *now, mode).code : disp_change::kFailed;
  }
  std::optional<Desk> arranged;
  const int32_t code = system_.change([&](const Desk& now) {
    arranged = Arranged(recall(now), now);
    return plan(*arranged, now, mode);
  });
  if (code != disp_change::kSuccessful) return code;
  // The desk as it landed, which the system may have rounded: the next switch compares with it.
  if (std::optional<Desk> left = system_.read()) {
    kept_ = Arrangement{std::move(*arranged), std::move(*left)};
    if (memory_) memory_->remember(*kept_);
  }
  return code;
}

}  // namespace desktop

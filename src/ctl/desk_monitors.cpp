#include "ctl/desk_monitors.h"

namespace ctl {

std::vector<Shown> ShownOf(const desktop::Desk& desk) {
  std::vector<Shown> shown;
  for (const desktop::Place& place : desk.places) {
    for (const desktop::Monitor& m : place.monitors) {
      shown.push_back({m.name, desktop::Record(desk, m, m.current()), place.rect.x, place.rect.y, m.primary});
    }
  }
  return shown;
}

}  // namespace ctl

// Arbitrary text where the program reads a desk (tarnvelctl's note of its last switch, the
// simulated display's fixtures): whatever it takes reads back the same once written, and every
// switch it plans on such a desk keeps the desk whole.
#include <cstdlib>
#include <string_view>

#include "desktop/desk.h"
#include "desktop/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto desks = desktop::ParseAll(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!desks) return 0;
  for (const desktop::Desk& desk : *desks) {
    const auto again = desktop::Parse(desktop::Format(desk));
    if (!again || !(*again == desk)) std::abort();
    const auto target = desktop::Driven(desk);
    if (!target) std::abort();  // a desk has a place, and a place a monitor
    for (size_t mode : desktop::Offered(desk, *target)) {
      const auto after = desktop::Plan(desk, *target, mode);
      if (!after) continue;
      // Whole: no new overlap, and the changed place still reaches some other one.
      const auto& places = after->places;
      for (size_t i = 0; i < places.size(); ++i) {
        for (size_t j = i + 1; j < places.size(); ++j) {
          if (desktop::Overlap(places[i].rect, places[j].rect) && !desktop::Overlap(desk.places[i].rect, desk.places[j].rect)) {
            std::abort();
          }
        }
      }
    }
  }
  return 0;
}

// The rule that keeps a desktop of several monitors whole when the primary one changes its
// mode: scales, what moves with the changed edges, and when the switch must be refused.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/layout.h"

namespace desktop {
std::ostream& operator<<(std::ostream& os, const Monitor& m) {
  return os << m.rect.width << "x" << m.rect.height << "+" << m.rect.x << "+" << m.rect.y << "@" << m.scale;
}
}  // namespace desktop

namespace {

using desktop::Change;
using desktop::Monitor;
using desktop::Scales;

Monitor M(int32_t x, int32_t y, int32_t w, int32_t h, double scale = 1) { return {{x, y, w, h}, scale}; }

struct Row {
  Change change;
  std::optional<std::vector<Monitor>> expected;  // nothing: refused
  std::string name;
};

const Scales kNone{};               // X11: no scales at all
const Scales kHiDpi{2, {1, 2, 3}};  // 2560 x 1600 on a scale-2 laptop
const Scales kMedium{2, {1, 2}};    // 1920 x 1080 there
const Scales kFractional{1.5, {1, 1.5, 2}};

}  // namespace

TEST(DesktopLayout, KeepsTheDesktopWholeAcrossASwitch) {
  const std::vector<Row> rows = {
      {{{M(0, 0, 2560, 1600, 1)}, 0, {}, 1920, 1080, false, false, kHiDpi, kMedium},
       {{M(0, 0, 1920, 1080, 1)}},
       "a scale the user chose stays where the new mode allows it"},
      {{{M(0, 0, 1280, 800, 1)}, 0, {}, 2560, 1600, false, false, {1, {1}}, kHiDpi},
       {{M(0, 0, 2560, 1600, 2)}},
       "back from a mode that allowed only 1: the automatic scale follows the mode"},
      {{{M(0, 0, 2560, 1600, 3)}, 0, {}, 1920, 1080, false, false, kHiDpi, {1, {1, 2}}},
       {{M(0, 0, 1920, 1080, 2)}},
       "a user's scale the mode refuses: the nearest to it, not the mode's own"},
      {{{M(0, 0, 2560, 1600, 1.5)}, 0, {}, 1920, 1080, false, false, kFractional, {1.5, {1, 2}}},
       {{M(0, 0, 1920, 1080, 1)}},
       "an automatic scale the mode refuses: nearest its preference, lower on a tie"},
      {{{M(0, 0, 1024, 768), M(0, 768, 1024, 768), M(0, 1536, 1024, 768)}, 0, {}, 800, 600, false, false, kNone, kNone},
       {{M(0, 0, 800, 600), M(0, 600, 1024, 768), M(0, 1368, 1024, 768)}},
       "stack of three: both below move up"},
      {{{M(1024, 0, 1600, 1200), M(0, 900, 1024, 768)}, 0, {}, 800, 600, false, false, kNone, kNone},
       std::nullopt,
       "monitor left would touch nothing: refused"},
      {{{M(0, 0, 1707, 1067, 1.5), M(1707, 0, 1920, 1080)}, 0, {}, 1920, 1080, false, true, kFractional, kFractional},
       {{M(0, 0, 1280, 720, 1.5), M(1280, 0, 1920, 1080)}},
       "logical layout: sizes ÷ scale, rounded"},
      {{{M(0, 0, 768, 1024), M(768, 0, 1024, 768)}, 0, {}, 1280, 1024, true, false, kNone, kNone},
       {{M(0, 0, 1024, 1280), M(1024, 0, 1024, 768)}},
       "turned a quarter: the mode's height is its width"},
      {{{M(0, 0, 1024, 768), M(0, 0, 1024, 768), M(1024, 0, 1024, 768)}, 0, {1}, 800, 600, false, false, kNone, kNone},
       {{M(0, 0, 800, 600), M(0, 0, 800, 600), M(800, 0, 1024, 768)}},
       "mirrored pair switches together"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(desktop::Relayout(row.change), row.expected);
  }
}

TEST(DesktopLayout, MirroredSetsShareSizesAndScales) {
  const std::vector<desktop::ModeSize> modes = {{1024, 768, 60}, {1024, 768, 75}, {800, 600, 60.32}, {640, 480, 59.94}};
  struct Pick {
    int32_t width, height;
    double rate;
    std::optional<size_t> index;
  };
  for (const Pick& p : std::vector<Pick>{{1024, 768, 70, 1},       // the nearest rate of that size
                                         {1280, 1024, 60, {}}}) {  // a size it lacks: not listed
    EXPECT_EQ(desktop::ModeOfSize(modes, p.width, p.height, p.rate), p.index)
        << p.width << "x" << p.height << "@" << p.rate;
  }
  const Scales shared = desktop::Shared({{2, {1, 2, 3}}, {1, {1, 2}}, kNone});
  EXPECT_EQ(shared.preferred, 2);
  EXPECT_EQ(shared.supported, (std::vector<double>{1, 2}));
}

#pragma once
// The desk: every monitor that shows a picture, where it shows it, and the modes it offers, as
// a display system reports them. Both Linux backends read their system into it and carry out
// plans made on it, so each rule about several monitors is written once, here, and can be
// tested without a display server.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/devmode.h"
#include "platform/display.h"

namespace desktop {

// A rectangle of the desk, in the desk's units.
struct Rect {
  int32_t x = 0, y = 0, width = 0, height = 0;
  int32_t right() const { return x + width; }
  int32_t bottom() const { return y + height; }
  bool operator==(const Rect&) const = default;
};

struct Mode {
  int32_t width = 0, height = 0;
  double rate = 0;  // hertz, as the system reports them (59.94)
  bool interlaced = false;
  std::string id;  // the system's own name: an RRMode's number, Mutter's "1024x768@59.940"
  // The scales the system allows with this mode and the one it would choose; a system without
  // scales (X11) lists none, and there a monitor's scale never changes.
  double preferredScale = 1;
  std::vector<double> scales;
  bool operator==(const Mode&) const = default;
};

// One monitor (an X11 output, a Mutter connector) that shows a picture.
struct Monitor {
  std::string name;  // DUMMY1, HDMI-1, LVDS2
  std::vector<Mode> modes;
  size_t mode = 0;  // the one in force
  bool primary = false;
  const Mode& current() const { return modes.at(mode); }
  bool operator==(const Monitor&) const = default;
};

// A rectangle of the desk and the monitors that show it: one, or a mirrored set.
struct Place {
  Rect rect;
  double scale = 1;
  uint32_t transform = 0;  // 0 upright; an odd one turns it a quarter, so width and height swap
  std::vector<Monitor> monitors;
  bool primary() const;
  bool operator==(const Place&) const = default;
};

struct Desk {
  std::vector<Place> places;
  bool logical = false;  // sizes and positions count logical pixels: a mode's size ÷ its scale
  int32_t bitsPerPixel = 32;
  bool operator==(const Desk&) const = default;
};

// The monitor a program drives: places[place].monitors[monitor].
struct Target {
  size_t place = 0, monitor = 0;
  bool operator==(const Target&) const = default;
};

// The monitor named `name`; without a name, the primary one, else the first there is.
std::optional<Target> Driven(const Desk& desk, std::string_view name = {});
const Monitor& At(const Desk& desk, Target target);

// The modes of the driven monitor, by their index, whose size every monitor of its mirrored set
// offers too: a set shows one picture.
std::vector<size_t> Offered(const Desk& desk, Target target);

// The mode of `monitor` with that size at the rate nearest `rate`, the first of two as near.
std::optional<size_t> ModeOfSize(const Monitor& monitor, int32_t width, int32_t height, double rate);

// The size a monitor covers on the desk in `mode`: turned, and divided by its scale where the
// desk counts logical pixels (rounded, as Mutter rounds).
Rect Extent(const Mode& mode, double scale, uint32_t transform, bool logical);

// The mode as the program's record: the fields the program reads, the rate in whole hertz.
DevMode Record(const Desk& desk, const Monitor& monitor, const Mode& mode);
ScreenMetrics Metrics(const Desk& desk, const Mode& mode);
// Whether `mode` is what `record` asks for, in every field the record carries.
bool Matches(const Desk& desk, const Mode& mode, const DevMode& record);
// Whether the mode in force is the one `asked` asks for, in every field it carries; a rate of 0
// or 1 is the hardware's default and matches any rate.
bool InForce(const DevMode& asked, const ScreenMetrics& now);

// The desk as text, one item a line, and back: what the simulated display takes as a fixture
// and tarnvelctl keeps between runs. Nothing when the text is not such a desk.
std::string Format(const Desk& desk);
std::optional<Desk> Parse(std::string_view text);
// Several desks, one after the other; nothing when any of them is not one.
std::optional<std::vector<Desk>> ParseAll(std::string_view text);

}  // namespace desktop

#pragma once
// How a desktop of several monitors stays whole when one of them changes its mode: the one
// rule both Linux backends follow, apart from any system call so that it can be read and
// tested on its own. It remembers nothing between switches: the same desktop and the same new
// mode give the same layout, in the tray program and in a tool that runs once per switch.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace desktop {

// The scales a mode allows and the one the system prefers for it. A mode without a list of
// scales belongs to a system that knows none (X11): the scale then stays as it is.
struct Scales {
  double preferred = 1;
  std::vector<double> supported;
};

// A place on the desktop, in the layout's units.
struct Rect {
  int32_t x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

struct Monitor {
  Rect rect;
  double scale = 1;
  bool operator==(const Monitor&) const = default;
};

struct Change {
  std::vector<Monitor> monitors;  // every monitor of the desktop (on Mutter: every logical monitor)
  size_t changed = 0;             // the one that takes the new mode
  std::vector<size_t> mirrors;    // others that show its picture and take a mode of the same size
  int32_t width = 0;              // the new mode, in pixels, as the monitor scans it out
  int32_t height = 0;
  bool rotated = false;  // turned a quarter: on the desktop its width and height swap
  bool logical = false;  // the desktop counts logical pixels: a monitor covers its size ÷ scale
  Scales before;         // of the mode the changed monitor has now
  Scales after;          // of the new mode
};

// The scale the system would choose by itself: the preferred one where the mode allows it,
// else the allowed one nearest to it.
double AutomaticScale(const Scales& scales);
// The allowed scale nearest to `wanted`, the lower of two as near; `wanted` when none is listed.
double NearestScale(const std::vector<double>& supported, double wanted);
// The scales every monitor of a mirrored set allows with its mode; the first one's preference.
Scales Shared(const std::vector<Scales>& members);

// The changed monitor's new scale: a scale the system chose follows the new mode, a scale the
// user chose stays where the new mode allows it.
double NewScale(const Change& change);

// Every monitor after the change, in the same order; nothing when a monitor would then touch
// no other one, as the desktop would fall apart.
std::optional<std::vector<Monitor>> Relayout(const Change& change);

// A mode of a monitor, as far as a mirrored set cares.
struct ModeSize {
  int32_t width = 0, height = 0;
  double rate = 0;
};
// The mode of `modes` with that size at the rate nearest `rate` (the first of two as near);
// nothing when no mode has that size, which leaves that size out of a mirrored set's list.
std::optional<size_t> ModeOfSize(const std::vector<ModeSize>& modes, int32_t width, int32_t height, double rate);

}  // namespace desktop

#pragma once
// How a desk stays whole when one monitor (or one mirrored set) takes another mode.
//
// The changed monitor keeps its top left corner. Every other monitor stays where it is unless it
// must move: a monitor that touches neither the changed one nor one that moves never does. One
// that must move follows the edge it touched (a monitor to the right follows the right edge), or
// slides along it until its start, its end or its centre meets that edge's, whichever lies
// nearest; of all the layouts this allows, the one that moves the monitors least is taken. A
// layout is whole when no two monitors overlap and each reaches every other through edges they
// share over some length (corners do not count). Where none is, the switch is refused.
#include <optional>
#include <vector>

#include "desktop/desk.h"

namespace desktop {

// The scale the system would choose by itself for `mode`: its preferred one where the mode
// allows it, else the allowed one nearest to that.
double AutomaticScale(const Mode& mode);
// The allowed scale nearest to `wanted`, the lower of two as near; `wanted` when none is listed.
double NearestScale(const std::vector<double>& allowed, double wanted);
// The scale of a monitor (or set) at `scale` in the modes `before` that takes the modes `after`:
// a scale the system chose follows the new mode, one the user chose stays where the new mode
// allows it, else the nearest allowed. A set allows what all its members allow.
double NewScale(double scale, const std::vector<const Mode*>& before, const std::vector<const Mode*>& after);

// `rects` with rects[changed] replaced by `grown` (at the same top left corner) and the others
// placed by the rule above, the desk's top left corner where it was; nothing when no layout is
// whole. Monitors that were not of one piece with the changed one before stay as they are.
std::optional<std::vector<Rect>> Arrange(const std::vector<Rect>& rects, size_t changed, Rect grown);

// The desk once the driven monitor takes its mode `mode`: the monitors it mirrors take their
// own modes of that size at the rate nearest it, its place takes the scale and size the mode
// gives, and every place is arranged by the rule above. Nothing when the desk would not stay
// whole, or a mirror lacks the size.
std::optional<Desk> Plan(const Desk& desk, Target target, size_t mode);

// Whether the rectangles overlap, and whether they share a stretch of an edge.
bool Overlap(const Rect& a, const Rect& b);
bool Touch(const Rect& a, const Rect& b);

}  // namespace desktop

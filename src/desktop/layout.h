#pragma once
// Where every monitor goes when some of them are not at the size the user arranged them at.
//
// A switch is laid out from the arrangement (the desk as the user arranged it), never from the
// desk the last switch left, so the result depends only on the arrangement and the sizes: once
// every monitor is back at its arranged size, the desk is the arrangement again, exactly.
//
// - A changed monitor (one not at its arranged size) keeps its arranged top left corner. Where
//   two changed monitors would overlap there, the one higher up (then further left) keeps it,
//   and the other is placed as an unchanged one.
// - No two monitors overlap (but those that overlapped in the arrangement, as X allows), and
//   no monitor goes left of or above the arrangement's top left corner. The desk is never
//   shifted as a whole: that would move monitors the switch never reached.
// - Pieces stay pieces: monitors that reached each other in the arrangement, through edges
//   shared over some length (corners do not count) or by overlapping, still do. A monitor or
//   group that stood apart may stay apart: a gap is never a reason to refuse.
// - An unchanged monitor stays where it was arranged unless it must move. Then it follows the
//   edge of a changed or moved monitor that it touched or faced in the arrangement (a monitor
//   to the right goes to the right edge, closing any gap), keeping its offset along that edge
//   or sliding until its start, end or centre meets the edge's; or, from one it neither touched
//   nor faced that now covers it (a diagonal neighbour grown over it), it is pushed out to any
//   of that one's edges, keeping its own place along the edge or aligned as before.
// - Of the layouts that satisfy all this, the one that moves the monitors least: the sum over
//   them of |dx| + |dy| from their arranged places. On a tie, the monitors are taken in order
//   (the primary first, then by arranged y, then x): the layout that moves the first of them
//   that differs less wins; where that is the same too, the one that puts it higher up, then
//   further left.
// Where no layout keeps those corners (two changed monitors that no longer reach each other,
// with nothing between them that may follow, or a higher one that leaves the other no room), one
// changed monitor keeps its corner and the others are placed as unchanged ones too: the one with
// which the desk moves least, by the measure above. Where no layout satisfies the rule even so,
// the switch is refused.
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

// The places of `arranged` at the sizes of `sized` (whose x and y do not count), laid out by
// the rule above; `primary` is the primary place's index, or any index past the end for none.
// Nothing when no layout satisfies the rule.
std::optional<std::vector<Rect>> Arrange(const std::vector<Rect>& arranged, const std::vector<Rect>& sized,
                                         size_t primary);

// The desk in force, `now`, once its monitor `target` takes its mode `mode`: the monitors it
// mirrors take their own modes of that size at the rate nearest it, every place takes the scale
// its modes give from its arranged one, and the places are laid out from `arranged` by the rule
// above. `arranged` is the arrangement of the same monitors (its mode lists do not count).
// Nothing when no layout satisfies the rule, or a mirror lacks the size.
std::optional<Desk> Plan(const Desk& arranged, const Desk& now, Target target, size_t mode);
// The same, where the desk in force is its own arrangement.
inline std::optional<Desk> Plan(const Desk& desk, Target target, size_t mode) { return Plan(desk, desk, target, mode); }

// Whether `now` is `left` as the user would see it: the same monitors, each at the same place
// with the same scale, turn and mode in force, the same primary and mirrored sets. The mode
// lists do not count. A desk that is not `left` was changed by someone else.
bool SameDesk(const Desk& left, const Desk& now);

// Whether the rectangles overlap, and whether they share a stretch of an edge.
bool Overlap(const Rect& a, const Rect& b);
bool Touch(const Rect& a, const Rect& b);

}  // namespace desktop

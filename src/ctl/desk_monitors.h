#pragma once
// The monitors of a desk as tarnvelctl lists them: where a desk model stands behind the display
// (Linux), not on Windows, whose system lists its display devices itself.
#include <vector>

#include "ctl/tarnvelctl.h"
#include "desktop/desk.h"

namespace ctl {

// Every monitor of `desk`, each member of a mirrored set on its own, in the desk's order.
std::vector<Shown> ShownOf(const desktop::Desk& desk);

}  // namespace ctl

#pragma once
// Fitting the window and the menu's captions to the screen they show on. Pure functions: each
// front end measures in its own units and places with its own calls.
#include <functional>
#include <string>
#include <string_view>

struct Area {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Area&) const = default;
};

// Where a window of `window`'s size goes so that it lies on `area`, moved as little as it
// must. One larger than the area keeps its size, and its left edge and title bar on the area:
// what hangs off is the right and the bottom, never what moves and closes it.
Area PlaceOnArea(const Area& window, const Area& area);

// The size of the preset boxes' font: the largest from `largest` down by `step` at which `fits`
// holds, never below `smallest` (below it the digits of a mode text run together); `smallest`,
// not fitting, when none does. Each front end measures in its own units; the rule is one.
struct FontFit {
  double size = 0;
  bool fits = false;
};
FontFit FitFont(double largest, double smallest, double step, const std::function<bool(double)>& fits);
inline constexpr double kSmallestPoints = 7;

// `text` as it fits `room` by `width`: whole when it does, otherwise its start and its end
// with "…" between them, as many characters of both as fit. A mode text names its size at the
// start and its rate at the end; the middle is what the reader can best do without. UTF-8
// characters are never split.
std::string ShortenInTheMiddle(std::string_view text, int room, const std::function<int(std::string_view)>& width);

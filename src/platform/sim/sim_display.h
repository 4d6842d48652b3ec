#pragma once
// A display driver in memory: its modes come from a fixture or from code, and a test can
// script what it answers and count what it was asked.
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/display.h"

struct SimMode {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPel = 0;
  int32_t rate = 0;
  int32_t flags = 0;
};

// One mode a line: width height bits-per-pixel rate [display-flags]; '#' starts a comment.
// Throws std::runtime_error naming the line of anything else.
std::vector<SimMode> ParseModeFixture(std::istream& in);
std::vector<SimMode> LoadModeFixture(const std::string& path);

class SimDisplay : public DisplayDriver {
 public:
  SimDisplay() = default;
  explicit SimDisplay(std::vector<SimMode> modes) : modes(std::move(modes)) {}

  bool enumMode(int32_t modeNum, DevMode& mode) override;
  ScreenMetrics metrics() override;
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

  void setCurrent(const SimMode& m) { current = {m.width, m.height, m.bitsPerPel, m.rate}; }

  std::vector<SimMode> modes;
  ScreenMetrics current;  // the mode in force
  // Result codes for the next changes, in order; once empty, changes succeed.
  std::deque<int32_t> results;
  // When set, the list drops to this many modes as soon as an enumeration runs past its
  // end: the driver's list shrinks between the counting and the filling pass.
  std::optional<size_t> shrinkAfterCount;
  // Runs on the record inside a change, as a driver that writes into it would.
  std::function<void(DevMode&)> onChange;
  // When set, a change reports its code but leaves the mode in force as it was, as
  // Xwayland's emulated modes do.
  bool changesTakeNoEffect = false;

  struct Calls {
    int enumMode = 0;
    int metrics = 0;
    int changeMode = 0;
  } calls;
  struct ChangeCall {
    DevMode mode;
    uint32_t flags;
  };
  std::vector<ChangeCall> changes;
};

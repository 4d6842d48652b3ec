#pragma once
// The display mode engine: the table of offered modes, their texts, the mode in force,
// and the one mode change.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/devmode.h"

class DisplayDriver;
class Reporter;

// The program's truth values: callers test for nonzero.
inline constexpr int32_t kTrue = -1;
inline constexpr int32_t kFalse = 0;

// Whatever FillModeList fills: remove all rows, append one, select one (-1 for none).
class ModeList {
 public:
  virtual void clear() = 0;
  virtual void addItem(std::string text) = 0;
  virtual void setListIndex(int16_t index) = 0;

 protected:
  ~ModeList() = default;
};

class ScreenRes {
 public:
  // List rows are numbered with 16-bit indexes, so a list holds at most this many modes.
  // A driver that offers more is cut here: the counting pass stops at this number.
  static constexpr int32_t kMaxModes = 32767;

  ScreenRes(DisplayDriver& display, Reporter& reporter) : display_(display), reporter_(reporter) {}

  // Rebuilds DisplayModes from the driver; `texts` gets n + 1 mode texts, the last one
  // that of the cleared extra entry.
  void EnumDisplayModes(std::vector<std::string>& texts);
  int32_t GetCurrentModeIndex() const { return currentModeIndex_; }
  // The lowest index whose size, depth and rate equal the screen's, or -1.
  int32_t FindCurrentMode();
  void FillModeList(ModeList& list);
  // kTrue when the display took the mode at `index`; throws std::out_of_range, before
  // touching the display, for an index outside the table.
  int32_t ApplyDisplayMode(const int32_t& index);

  const std::vector<DevMode>& DisplayModes() const { return displayModes_; }

 private:
  DisplayDriver& display_;
  Reporter& reporter_;
  std::vector<DevMode> displayModes_;
  int32_t currentModeIndex_ = 0;
};

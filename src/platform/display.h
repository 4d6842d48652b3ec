#pragma once
#include <cstdint>

#include "platform/devmode.h"

// What the current mode reads like, in the same units the enumeration reports.
struct ScreenMetrics {
  int32_t horzRes = 0;    // HORZRES
  int32_t vertRes = 0;    // VERTRES
  int32_t bitsPixel = 0;  // BITSPIXEL
  int32_t vRefresh = 0;   // VREFRESH
};

// Result codes of a mode change, as the Windows call gives them.
namespace disp_change {
inline constexpr int32_t kSuccessful = 0;
inline constexpr int32_t kRestart = 1;
inline constexpr int32_t kFailed = -1;
inline constexpr int32_t kBadMode = -2;
inline constexpr int32_t kNotUpdated = -3;
inline constexpr int32_t kBadFlags = -4;
inline constexpr int32_t kBadParam = -5;
// Ours, never the Windows call's: the display would take the mode, but no layout of the other
// monitors keeps the desk whole with it.
inline constexpr int32_t kNoLayout = -100;
}  // namespace disp_change

// Change the mode for this session only, never as the saved setting.
inline constexpr uint32_t kChangeDynamic = 0x80000000u;
// CDS_TEST: say whether the mode would be taken, and change nothing.
inline constexpr uint32_t kChangeTest = 0x2u;

// The display driver of the display the program runs on.
class DisplayDriver {
 public:
  virtual ~DisplayDriver() = default;
  // Fills `mode` with the driver's mode number `modeNum`; false past the last mode,
  // leaving `mode` untouched.
  virtual bool enumMode(int32_t modeNum, DevMode& mode) = 0;
  virtual ScreenMetrics metrics() = 0;
  // Returns a DISP_CHANGE code; 0 means the display now runs in `mode`.
  virtual int32_t changeMode(DevMode& mode, uint32_t flags) = 0;
};

#include "platform/confirmed_display.h"

namespace {

constexpr uint32_t kTestOnly = 0x2;  // CDS_TEST: nothing is changed, so there is nothing to see

// Whether the mode in force is the one the record asks for, in the fields it carries. A rate
// of 0 or 1 stands for the hardware's default and matches any rate.
bool InForce(const DevMode& mode, const ScreenMetrics& now) {
  if (now.horzRes != mode.dmPelsWidth || now.vertRes != mode.dmPelsHeight) return false;
  if ((mode.dmFields & dm::kBitsPerPel) && now.bitsPixel != mode.dmBitsPerPel) return false;
  if ((mode.dmFields & dm::kDisplayFrequency) && mode.dmDisplayFrequency > 1 &&
      now.vRefresh != mode.dmDisplayFrequency) {
    return false;
  }
  return true;
}

}  // namespace

int32_t ConfirmedDisplay::changeMode(DevMode& mode, uint32_t flags) {
  // The driver may write into the record; the check is against what was asked for.
  const DevMode asked = mode;
  const int32_t result = driver_.changeMode(mode, flags);
  if (result != disp_change::kSuccessful || (flags & kTestOnly)) return result;
  return InForce(asked, driver_.metrics()) ? result : disp_change::kFailed;
}

#include "desktop/confirmed_display.h"

#include "desktop/desk.h"

int32_t ConfirmedDisplay::changeMode(DevMode& mode, uint32_t flags) {
  // The driver may write into the record; the check is against what was asked for.
  const DevMode asked = mode;
  const int32_t result = driver_.changeMode(mode, flags);
  // A refusal or a mere test changed nothing on purpose: there is nothing to see.
  if (result != disp_change::kSuccessful || (flags & kChangeTest)) return result;
  return desktop::InForce(asked, driver_.metrics()) ? result : disp_change::kFailed;
}

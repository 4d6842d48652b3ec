#pragma once
// A display driver whose success is checked against the mode in force afterwards.
//
// Under a Wayland compositor without a display service an X11 program reaches the screen
// through Xwayland, whose modes are emulated: a change there can report success and change
// nothing. The program trusts 0 to mean "the display now runs in this mode" (it names that
// mode "Current:"), so a success that did not happen is turned into a failure here, once,
// for every Linux backend.
#include "platform/display.h"

class ConfirmedDisplay final : public DisplayDriver {
 public:
  // Takes no ownership of `driver`.
  explicit ConfirmedDisplay(DisplayDriver& driver) : driver_(driver) {}

  bool enumMode(int32_t modeNum, DevMode& mode) override { return driver_.enumMode(modeNum, mode); }
  ScreenMetrics metrics() override { return driver_.metrics(); }
  // The driver's code, except that a success after which the mode in force differs from
  // `mode` in a field the record carries gives DISP_CHANGE_FAILED.
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

 private:
  DisplayDriver& driver_;
};

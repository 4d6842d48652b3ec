#pragma once
// The display driver on X11: the modes of one RandR output, the mode in force on its CRTC,
// and a dynamic change of that CRTC's mode, with the outputs mirroring it and the others
// moved along so that the desktop stays whole.
#include <memory>
#include <vector>

#include "platform/display.h"

struct _XDisplay;
struct _XRRScreenResources;
struct _XRRModeInfo;

class XRandrDisplay final : public DisplayDriver {
 public:
  // Takes no ownership; a null connection, or a server without RandR, offers no modes and
  // reads as a screen of 0 x 0.
  explicit XRandrDisplay(_XDisplay* connection);
  ~XRandrDisplay() override;
  XRandrDisplay(const XRandrDisplay&) = delete;
  XRandrDisplay& operator=(const XRandrDisplay&) = delete;

  bool enumMode(int32_t modeNum, DevMode& mode) override;
  ScreenMetrics metrics() override;
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

  _XDisplay* connection() const { return dpy_; }

 private:
  // One look at the screen's resources and the output we drive, shared by a whole pass; with
  // the desktop, also every CRTC and the outputs that mirror ours, at a request each.
  struct Snapshot;
  // Own: our output and its modes. Listing: also the modes that every output mirroring ours
  // offers. Change: also every CRTC, to move the others along.
  enum class Look { Own, Listing, Change };
  std::unique_ptr<Snapshot> takeSnapshot(Look look) const;
  DevMode record(const Snapshot& snap, const _XRRModeInfo& mode) const;

  _XDisplay* dpy_;
  bool randr_ = false;
  bool monitors_ = false;  // RandR 1.5: the server lists where each output shows its picture
  int32_t bitsPerPixel_ = 0;
  std::unique_ptr<Snapshot> pass_;  // the enumeration pass under way
};

// The rate as xrandr shows it, rounded to whole hertz: the one rule for modes and metrics.
int32_t RoundedRate(const _XRRModeInfo& mode);

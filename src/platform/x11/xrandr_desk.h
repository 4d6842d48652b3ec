#pragma once
// XRandR as a desk: every output that shows a picture, with its CRTC's place and turn and the
// output's modes, read into the desk model; outputs of one CRTC, or of CRTCs of the same place
// and size, are one mirrored set. A plan is carried out on the CRTCs under one server grab,
// taken before the desk is read, so no other client's change comes between.
#include <memory>

#include "desktop/desktop_display.h"

struct _XDisplay;

class XRandrDesk final : public desktop::System {
 public:
  // Takes no ownership; a null connection, or a server without RandR 1.3, has nothing to read.
  explicit XRandrDesk(_XDisplay* connection);
  ~XRandrDesk() override;
  XRandrDesk(const XRandrDesk&) = delete;
  XRandrDesk& operator=(const XRandrDesk&) = delete;

  std::optional<desktop::Desk> read() override;
  int32_t change(const desktop::Planner& plan) override;

 private:
  struct Snapshot;
  std::unique_ptr<Snapshot> snapshot() const;
  desktop::Desk desk(const Snapshot& snap) const;

  _XDisplay* dpy_;
  bool randr_ = false;
  bool monitors_ = false;  // RandR 1.5: one request says which outputs show a picture
  int32_t bitsPerPixel_ = 0;
};

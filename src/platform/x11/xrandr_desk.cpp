#include "platform/x11/xrandr_desk.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct ResourcesDeleter {
  void operator()(XRRScreenResources* r) const { XRRFreeScreenResources(r); }
};
struct OutputDeleter {
  void operator()(XRROutputInfo* o) const { XRRFreeOutputInfo(o); }
};
struct CrtcDeleter {
  void operator()(XRRCrtcInfo* c) const { XRRFreeCrtcInfo(c); }
};
using Resources = std::unique_ptr<XRRScreenResources, ResourcesDeleter>;
using OutputInfo = std::unique_ptr<XRROutputInfo, OutputDeleter>;
using CrtcInfo = std::unique_ptr<XRRCrtcInfo, CrtcDeleter>;

// A change the server refuses arrives as an X error; the default handler would end the
// program, so errors are caught here for the few calls that may raise them.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* dpy) : dpy_(dpy) {
    XSync(dpy_, False);
    failed_ = false;
    previous_ = XSetErrorHandler(&ErrorTrap::handle);
  }
  ~ErrorTrap() { XSetErrorHandler(previous_); }
  bool failed() {
    XSync(dpy_, False);
    return failed_;
  }

 private:
  static int handle(Display*, XErrorEvent*) {
    failed_ = true;
    return 0;
  }
  static inline bool failed_ = false;
  Display* dpy_;
  XErrorHandler previous_;
};

// While it is held, no other client sees the desk half changed or changes it under us.
class ServerGrab {
 public:
  explicit ServerGrab(Display* dpy) : dpy_(dpy) { XGrabServer(dpy_); }
  ~ServerGrab() {
    XUngrabServer(dpy_);
    XFlush(dpy_);
  }
  ServerGrab(const ServerGrab&) = delete;
  ServerGrab& operator=(const ServerGrab&) = delete;

 private:
  Display* dpy_;
};

double Rate(const XRRModeInfo& mode) {
  double vTotal = mode.vTotal;
  if (mode.modeFlags & RR_DoubleScan) vTotal *= 2;
  if (mode.modeFlags & RR_Interlace) vTotal /= 2;
  if (mode.hTotal == 0 || vTotal == 0) return 0;
  return static_cast<double>(mode.dotClock) / (mode.hTotal * vTotal);
}

// RandR's rotation in the desk's numbering: quarter turns, and 4 more when mirrored.
uint32_t Transform(Rotation rotation) {
  const uint32_t turns = (rotation & RR_Rotate_90) ? 1 : (rotation & RR_Rotate_180) ? 2 : (rotation & RR_Rotate_270) ? 3 : 0;
  return turns + ((rotation & (RR_Reflect_X | RR_Reflect_Y)) ? 4 : 0);
}

}  // namespace

// One look at the server: its resources, which outputs show a picture and on which CRTC.
struct XRandrDesk::Snapshot {
  struct Shown {
    RROutput id = 0;
    OutputInfo info;
  };
  Resources resources;
  RROutput primary = 0;
  std::vector<Shown> outputs;                    // in the resources' order
  std::unordered_map<RRCrtc, CrtcInfo> crtcs;    // the CRTCs they show on
  std::unordered_map<RRMode, const XRRModeInfo*> modes;
};

XRandrDesk::XRandrDesk(Display* connection) : dpy_(connection) {
  if (!dpy_) return;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  randr_ = XRRQueryExtension(dpy_, &eventBase, &errorBase) && XRRQueryVersion(dpy_, &major, &minor) &&
           (major > 1 || (major == 1 && minor >= 3));
  monitors_ = randr_ && (major > 1 || minor >= 5);
  // The depth's pixel size is part of the connection set-up: it costs no request.
  const int depth = DefaultDepth(dpy_, DefaultScreen(dpy_));
  int count = 0;
  if (XPixmapFormatValues* formats = XListPixmapFormats(dpy_, &count)) {
    for (int i = 0; i < count; ++i) {
      if (formats[i].depth == depth) bitsPerPixel_ = formats[i].bits_per_pixel;
    }
    XFree(formats);
  }
}

XRandrDesk::~XRandrDesk() = default;

std::unique_ptr<XRandrDesk::Snapshot> XRandrDesk::snapshot() const {
  if (!randr_) return nullptr;
  auto snap = std::make_unique<Snapshot>();
  const Window root = DefaultRootWindow(dpy_);
  // The cached resources: asking the server to probe its outputs can take far longer.
  snap->resources.reset(XRRGetScreenResourcesCurrent(dpy_, root));
  if (!snap->resources) return nullptr;
  const XRRScreenResources& res = *snap->resources;
  snap->primary = XRRGetOutputPrimary(dpy_, root);
  for (int i = 0; i < res.nmode; ++i) snap->modes.emplace(res.modes[i].id, &res.modes[i]);

  // Which outputs show a picture: one request where the server lists its monitors, else a look
  // at every CRTC. A server has many more outputs and CRTCs than it shows.
  std::vector<RROutput> shown;
  if (monitors_) {
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(dpy_, root, True, &count);
    for (int i = 0; i < count; ++i) shown.insert(shown.end(), monitors[i].outputs, monitors[i].outputs + monitors[i].noutput);
    if (monitors) XRRFreeMonitors(monitors);
  } else {
    for (int i = 0; i < res.ncrtc; ++i) {
      CrtcInfo crtc(XRRGetCrtcInfo(dpy_, snap->resources.get(), res.crtcs[i]));
      if (!crtc || !crtc->mode) continue;
      shown.insert(shown.end(), crtc->outputs, crtc->outputs + crtc->noutput);
      snap->crtcs.emplace(res.crtcs[i], std::move(crtc));
    }
  }
  for (int i = 0; i < res.noutput; ++i) {
    if (std::find(shown.begin(), shown.end(), res.outputs[i]) == shown.end()) continue;
    OutputInfo info(XRRGetOutputInfo(dpy_, snap->resources.get(), res.outputs[i]));
    // An output on a CRTC in a mode shows a picture, whatever it says of its connection (the
    // dummy driver's outputs but the first call themselves disconnected).
    if (!info || !info->crtc) continue;
    if (!snap->crtcs.count(info->crtc)) {
      CrtcInfo crtc(XRRGetCrtcInfo(dpy_, snap->resources.get(), info->crtc));
      if (!crtc || !crtc->mode) continue;
      snap->crtcs.emplace(info->crtc, std::move(crtc));
    }
    snap->outputs.push_back({res.outputs[i], std::move(info)});
  }
  return snap;
}

desktop::Desk XRandrDesk::desk(const Snapshot& snap) const {
  desktop::Desk desk;
  desk.bitsPerPixel = bitsPerPixel_;
  for (const Snapshot::Shown& output : snap.outputs) {
    const XRROutputInfo& info = *output.info;
    const XRRCrtcInfo& crtc = *snap.crtcs.at(info.crtc);
    desktop::Monitor monitor;
    monitor.name.assign(info.name, static_cast<size_t>(info.nameLen));
    monitor.primary = output.id == snap.primary;
    RRMode inForce = crtc.mode;
    // Xwayland (outputs XWAYLAND0, 1, ...) emulates a mode a client sets for that client alone
    // and shows it to it as the CRTC's mode, while the compositor's mode stays; that one is the
    // output's first, preferred mode.
    if (monitor.name.starts_with("XWAYLAND") && info.npreferred > 0) inForce = info.modes[0];
    bool found = false;
    for (int i = 0; i < info.nmode; ++i) {
      const auto it = snap.modes.find(info.modes[i]);
      if (it == snap.modes.end()) continue;
      const XRRModeInfo& m = *it->second;
      if (m.id == inForce) {
        monitor.mode = monitor.modes.size();
        found = true;
      }
      desktop::Mode mode;
      mode.width = static_cast<int32_t>(m.width);
      mode.height = static_cast<int32_t>(m.height);
      mode.rate = Rate(m);
      mode.interlaced = (m.modeFlags & RR_Interlace) != 0;
      mode.id = std::to_string(m.id);
      monitor.modes.push_back(std::move(mode));
    }
    if (!found) continue;
    // Outputs of one CRTC, or of CRTCs of one place and size, show one picture: a mirrored set.
    const desktop::Rect rect{crtc.x, crtc.y, static_cast<int32_t>(crtc.width), static_cast<int32_t>(crtc.height)};
    auto place = std::find_if(desk.places.begin(), desk.places.end(), [&](const desktop::Place& p) { return p.rect == rect; });
    if (place == desk.places.end()) {
      desk.places.push_back({rect, 1, Transform(crtc.rotation), {}});
      place = desk.places.end() - 1;
    }
    // The primary output leads its set: it is the one the program drives.
    place->monitors.insert(monitor.primary ? place->monitors.begin() : place->monitors.end(), std::move(monitor));
  }
  return desk;
}

std::optional<desktop::Desk> XRandrDesk::read() {
  const auto snap = snapshot();
  if (!snap || snap->outputs.empty()) return std::nullopt;
  desktop::Desk d = desk(*snap);
  if (d.places.empty()) return std::nullopt;
  return d;
}

int32_t XRandrDesk::change(const desktop::Planner& plan) {
  if (!randr_) return disp_change::kFailed;
  ErrorTrap trap(dpy_);
  ServerGrab grab(dpy_);
  const auto snap = snapshot();
  if (!snap) return disp_change::kFailed;
  const desktop::Desk before = desk(*snap);
  if (before.places.empty()) return disp_change::kFailed;
  const desktop::Planned planned = plan(before);
  if (planned.code != disp_change::kSuccessful) return planned.code;
  const desktop::Desk& after = planned.desk;
  if (after.places.size() != before.places.size()) return disp_change::kFailed;

  // What each CRTC is set to: the place of its set, and its outputs' new mode, which must be
  // one mode for all the outputs it drives.
  struct Step {
    RRCrtc id;
    const XRRCrtcInfo* old;
    int x, y;
    RRMode mode;
  };
  std::vector<Step> steps;
  int width = 0, height = 0;
  for (const desktop::Place& place : after.places) {
    width = std::max(width, place.rect.right());
    height = std::max(height, place.rect.bottom());
    for (const desktop::Monitor& monitor : place.monitors) {
      const auto output = std::find_if(snap->outputs.begin(), snap->outputs.end(), [&](const Snapshot::Shown& o) {
        return monitor.name == std::string(o.info->name, static_cast<size_t>(o.info->nameLen));
      });
      if (output == snap->outputs.end()) return disp_change::kFailed;
      const RRCrtc id = output->info->crtc;
      RRMode mode = 0;
      const std::string& modeId = monitor.current().id;
      if (std::from_chars(modeId.data(), modeId.data() + modeId.size(), mode).ec != std::errc{}) return disp_change::kBadMode;
      const auto same = std::find_if(steps.begin(), steps.end(), [&](const Step& s) { return s.id == id; });
      if (same != steps.end()) {
        if (same->mode != mode) return disp_change::kBadMode;
        continue;
      }
      steps.push_back({id, snap->crtcs.at(id).get(), place.rect.x, place.rect.y, mode});
    }
  }
  std::erase_if(steps, [](const Step& s) { return s.mode == s.old->mode && s.x == s.old->x && s.y == s.old->y; });

  // The screen must hold every CRTC; it grows before the change and shrinks after it.
  const Window root = DefaultRootWindow(dpy_);
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  if (XRRGetScreenSizeRange(dpy_, root, &minW, &minH, &maxW, &maxH) && (width > maxW || height > maxH)) {
    return disp_change::kBadMode;
  }
  width = std::max(width, minW);
  height = std::max(height, minH);
  // The root window's size from the server: Xlib's own copy is not updated by a change.
  Window ignored = 0;
  int x = 0, y = 0;
  unsigned rootW = 0, rootH = 0, border = 0, depth = 0;
  if (!XGetGeometry(dpy_, root, &ignored, &x, &y, &rootW, &rootH, &border, &depth)) return disp_change::kFailed;
  const int oldW = static_cast<int>(rootW), oldH = static_cast<int>(rootH);
  const int screen = DefaultScreen(dpy_);
  const auto setSize = [&](int w, int h) {
    // Keep the physical size per pixel, so the reported DPI stays what it was.
    const double mmPerPixelW = double(DisplayWidthMM(dpy_, screen)) / std::max(DisplayWidth(dpy_, screen), 1);
    const double mmPerPixelH = double(DisplayHeightMM(dpy_, screen)) / std::max(DisplayHeight(dpy_, screen), 1);
    XRRSetScreenSize(dpy_, root, w, h, std::max(static_cast<int>(std::lround(mmPerPixelW * w)), 1),
                     std::max(static_cast<int>(std::lround(mmPerPixelH * h)), 1));
  };

  XRRScreenResources* res = snap->resources.get();
  const bool grows = width > oldW || height > oldH;
  if (grows) setSize(std::max(width, oldW), std::max(height, oldH));
  if (trap.failed()) return disp_change::kFailed;
  for (size_t done = 0; done < steps.size(); ++done) {
    const Step& s = steps[done];
    const Status status = XRRSetCrtcConfig(dpy_, res, s.id, CurrentTime, s.x, s.y, s.mode, s.old->rotation,
                                           s.old->outputs, s.old->noutput);
    if (status == RRSetConfigSuccess && !trap.failed()) continue;
    // Put back what this switch already changed, so that nothing has.
    while (done-- > 0) {
      const Step& back = steps[done];
      XRRSetCrtcConfig(dpy_, res, back.id, CurrentTime, back.old->x, back.old->y, back.old->mode, back.old->rotation,
                       back.old->outputs, back.old->noutput);
    }
    if (grows) setSize(oldW, oldH);
    trap.failed();
    return disp_change::kFailed;
  }
  if (width < oldW || height < oldH) setSize(width, height);
  trap.failed();  // a refused shrink leaves a larger screen, and the mode is in force all the same
  return disp_change::kSuccessful;
}

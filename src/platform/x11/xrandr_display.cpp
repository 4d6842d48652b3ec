#include "platform/x11/xrandr_display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "platform/layout.h"
#include "platform/rate.h"

namespace {

constexpr uint32_t kTestOnly = 0x2;  // CDS_TEST: say whether the mode exists, change nothing

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

// While it is held no other client sees the desktop half changed.
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

bool Rotated(Rotation rotation) { return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0; }

double Rate(const XRRModeInfo& mode) {
  double vTotal = mode.vTotal;
  if (mode.modeFlags & RR_DoubleScan) vTotal *= 2;
  if (mode.modeFlags & RR_Interlace) vTotal /= 2;
  if (mode.hTotal == 0 || vTotal == 0) return 0;
  return static_cast<double>(mode.dotClock) / (mode.hTotal * vTotal);
}

using ModesById = std::unordered_map<RRMode, const XRRModeInfo*>;

// An output's modes, as far as a mirrored set cares, in the output's order.
std::vector<desktop::ModeSize> Sizes(const XRROutputInfo& output, const ModesById& byId,
                                     std::vector<const XRRModeInfo*>* modes = nullptr) {
  std::vector<desktop::ModeSize> sizes;
  for (int i = 0; i < output.nmode; ++i) {
    const auto it = byId.find(output.modes[i]);
    if (it == byId.end()) continue;
    const XRRModeInfo& m = *it->second;
    sizes.push_back({static_cast<int32_t>(m.width), static_cast<int32_t>(m.height), Rate(m)});
    if (modes) modes->push_back(&m);
  }
  return sizes;
}

desktop::Rect Place(const XRRCrtcInfo& crtc) {
  return {crtc.x, crtc.y, static_cast<int32_t>(crtc.width), static_cast<int32_t>(crtc.height)};
}

}  // namespace

int32_t RoundedRate(const XRRModeInfo& mode) { return RoundedHz(Rate(mode)); }

struct XRandrDisplay::Snapshot {
  Resources resources;
  OutputInfo output;
  RROutput outputId = 0;
  // The output's modes in RandR's order; past Look::Own, those whose size every output
  // mirroring ours offers too.
  std::vector<const XRRModeInfo*> modes;
  std::vector<CrtcInfo> crtcs;      // for a change: every CRTC, in the resources' order
  std::vector<OutputInfo> mirrors;  // past Look::Own: the other outputs that show our picture
  ModesById byId;
};

XRandrDisplay::XRandrDisplay(Display* connection) : dpy_(connection) {
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

XRandrDisplay::~XRandrDisplay() = default;

// The primary output when it shows a picture, else the first connected output with a CRTC.
std::unique_ptr<XRandrDisplay::Snapshot> XRandrDisplay::takeSnapshot(Look look) const {
  if (!randr_) return nullptr;
  auto snap = std::make_unique<Snapshot>();
  const Window root = DefaultRootWindow(dpy_);
  // The cached resources: asking the server to probe its outputs can take far longer.
  snap->resources.reset(XRRGetScreenResourcesCurrent(dpy_, root));
  if (!snap->resources) return nullptr;
  const XRRScreenResources& res = *snap->resources;

  const RROutput primary = XRRGetOutputPrimary(dpy_, root);
  const auto take = [&](RROutput id) {
    OutputInfo info(XRRGetOutputInfo(dpy_, snap->resources.get(), id));
    if (!info || info->connection != RR_Connected || !info->crtc) return false;
    snap->output = std::move(info);
    snap->outputId = id;
    return true;
  };
  if (!primary || !take(primary)) {
    for (int i = 0; i < res.noutput && !take(res.outputs[i]); ++i) {
    }
  }
  if (!snap->output) return nullptr;

  for (int i = 0; i < res.nmode; ++i) snap->byId.emplace(res.modes[i].id, &res.modes[i]);
  std::vector<const XRRModeInfo*> own;
  Sizes(*snap->output, snap->byId, &own);
  if (look == Look::Own) {
    snap->modes = std::move(own);
    return snap;
  }

  // Outputs mirror ours when they share its CRTC, or sit on a CRTC of the same place and size.
  std::vector<RROutput> mirrors;
  const auto share = [&](const XRRCrtcInfo& crtc) {
    for (int o = 0; o < crtc.noutput; ++o) {
      if (crtc.outputs[o] != snap->outputId) mirrors.push_back(crtc.outputs[o]);
    }
  };
  if (look == Look::Listing && monitors_) {
    // A listing runs at every start: one request for where every output shows its picture
    // costs less than a request for each of the server's CRTCs.
    CrtcInfo ours(XRRGetCrtcInfo(dpy_, snap->resources.get(), snap->output->crtc));
    if (!ours) return nullptr;
    share(*ours);
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(dpy_, root, True, &count);
    for (int i = 0; i < count; ++i) {
      const XRRMonitorInfo& m = monitors[i];
      if (!(desktop::Rect{m.x, m.y, m.width, m.height} == Place(*ours))) continue;
      for (int o = 0; o < m.noutput; ++o) {
        if (m.outputs[o] != snap->outputId && std::find(mirrors.begin(), mirrors.end(), m.outputs[o]) == mirrors.end()) {
          mirrors.push_back(m.outputs[o]);
        }
      }
    }
    if (monitors) XRRFreeMonitors(monitors);
  } else {
    const XRRCrtcInfo* ours = nullptr;
    for (int i = 0; i < res.ncrtc; ++i) {
      snap->crtcs.emplace_back(XRRGetCrtcInfo(dpy_, snap->resources.get(), res.crtcs[i]));
      if (res.crtcs[i] == snap->output->crtc) ours = snap->crtcs.back().get();
    }
    if (!ours) return nullptr;
    for (const CrtcInfo& crtc : snap->crtcs) {
      if (crtc && crtc->mode && Place(*crtc) == Place(*ours)) share(*crtc);
    }
  }
  for (RROutput id : mirrors) {
    OutputInfo mirror(XRRGetOutputInfo(dpy_, snap->resources.get(), id));
    if (mirror) snap->mirrors.push_back(std::move(mirror));
  }
  std::vector<std::vector<desktop::ModeSize>> mirrorModes;
  for (const OutputInfo& mirror : snap->mirrors) mirrorModes.push_back(Sizes(*mirror, snap->byId));
  for (const XRRModeInfo* mode : own) {
    const bool everywhere = std::all_of(mirrorModes.begin(), mirrorModes.end(), [&](const auto& modes) {
      return desktop::ModeOfSize(modes, static_cast<int32_t>(mode->width), static_cast<int32_t>(mode->height), 0)
          .has_value();
    });
    if (everywhere) snap->modes.push_back(mode);
  }
  return snap;
}

DevMode XRandrDisplay::record(const Snapshot& snap, const XRRModeInfo& mode) const {
  DevMode m{};
  std::strncpy(m.dmDeviceName, snap.output->name, sizeof m.dmDeviceName - 1);
  m.dmSize = sizeof(DevMode);
  m.dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFlags | dm::kDisplayFrequency;
  m.dmBitsPerPel = bitsPerPixel_;
  m.dmPelsWidth = static_cast<int32_t>(mode.width);
  m.dmPelsHeight = static_cast<int32_t>(mode.height);
  m.dmDisplayFlags = (mode.modeFlags & RR_Interlace) ? dm::kInterlaced : 0;
  m.dmDisplayFrequency = RoundedRate(mode);
  return m;
}

bool XRandrDisplay::enumMode(int32_t modeNum, DevMode& mode) {
  if (modeNum == 0 || !pass_) pass_ = takeSnapshot(Look::Listing);
  if (!pass_ || modeNum < 0 || static_cast<size_t>(modeNum) >= pass_->modes.size()) {
    pass_.reset();  // the pass is over; the next one looks again
    return false;
  }
  mode = record(*pass_, *pass_->modes[static_cast<size_t>(modeNum)]);
  return true;
}

ScreenMetrics XRandrDisplay::metrics() {
  const auto snap = takeSnapshot(Look::Own);
  if (!snap) return {};
  CrtcInfo crtc(XRRGetCrtcInfo(dpy_, snap->resources.get(), snap->output->crtc));
  if (!crtc || !crtc->mode) return {};
  RRMode inForce = crtc->mode;
  // Xwayland (outputs XWAYLAND0, 1, ...) emulates a mode a client sets for that client alone
  // and shows it to it as the CRTC's mode, while the compositor's mode stays; that one is the
  // output's first, preferred mode.
  if (std::strncmp(snap->output->name, "XWAYLAND", 8) == 0 && snap->output->npreferred > 0) {
    inForce = snap->output->modes[0];
  }
  const XRRScreenResources& res = *snap->resources;
  const XRRModeInfo* end = res.modes + res.nmode;
  const XRRModeInfo* mode = std::find_if(static_cast<const XRRModeInfo*>(res.modes), end,
                                         [&](const XRRModeInfo& m) { return m.id == inForce; });
  if (mode == end) return {};
  return {static_cast<int32_t>(mode->width), static_cast<int32_t>(mode->height), bitsPerPixel_, RoundedRate(*mode)};
}

int32_t XRandrDisplay::changeMode(DevMode& mode, uint32_t flags) {
  if (flags & ~(kChangeDynamic | kTestOnly)) return disp_change::kBadFlags;
  if (mode.dmPelsWidth <= 0 || mode.dmPelsHeight <= 0) return disp_change::kBadParam;
  pass_.reset();
  const auto snap = takeSnapshot(Look::Change);
  if (!snap) return disp_change::kFailed;

  // The fields the record says it carries must all agree; X cannot change the depth.
  const auto matches = [&](const XRRModeInfo* m) {
    return static_cast<int32_t>(m->width) == mode.dmPelsWidth && static_cast<int32_t>(m->height) == mode.dmPelsHeight &&
           (!(mode.dmFields & dm::kDisplayFrequency) || mode.dmDisplayFrequency <= 1 ||
            RoundedRate(*m) == mode.dmDisplayFrequency) &&
           (!(mode.dmFields & dm::kDisplayFlags) ||
            ((m->modeFlags & RR_Interlace) != 0) == ((mode.dmDisplayFlags & dm::kInterlaced) != 0)) &&
           (!(mode.dmFields & dm::kBitsPerPel) || mode.dmBitsPerPel == bitsPerPixel_);
  };
  const auto found = std::find_if(snap->modes.begin(), snap->modes.end(), matches);
  if (found == snap->modes.end()) return disp_change::kBadMode;
  if (flags & kTestOnly) return disp_change::kSuccessful;
  const XRRModeInfo& target = **found;
  XRRScreenResources* res = snap->resources.get();

  // The desktop: every CRTC that shows a picture; those of our place and size mirror ours.
  desktop::Change change;
  std::vector<size_t> crtcOf;  // the CRTC behind each monitor of the change
  const XRRCrtcInfo* ours = nullptr;
  for (size_t i = 0; i < snap->crtcs.size(); ++i) {
    const XRRCrtcInfo* crtc = snap->crtcs[i].get();
    if (!crtc || !crtc->mode) continue;
    if (res->crtcs[i] == snap->output->crtc) {
      change.changed = change.monitors.size();
      ours = crtc;
    }
    change.monitors.push_back({Place(*crtc), 1});
    crtcOf.push_back(i);
  }
  if (!ours) return disp_change::kFailed;
  for (size_t m = 0; m < change.monitors.size(); ++m) {
    if (m != change.changed && change.monitors[m].rect == Place(*ours)) change.mirrors.push_back(m);
  }
  change.width = static_cast<int32_t>(target.width);
  change.height = static_cast<int32_t>(target.height);
  change.rotated = Rotated(ours->rotation);
  const auto placed = desktop::Relayout(change);
  if (!placed) return disp_change::kFailed;

  // What each CRTC that changes is set to: ours the mode chosen, a mirror its own mode of
  // that size at the nearest rate, the others the place they move to.
  struct Step {
    RRCrtc id;
    const XRRCrtcInfo* old;
    int x, y;
    RRMode mode;
  };
  std::vector<Step> steps;
  int width = 0, height = 0;
  for (size_t m = 0; m < change.monitors.size(); ++m) {
    const desktop::Rect& to = (*placed)[m].rect;
    width = std::max(width, to.x + to.width);
    height = std::max(height, to.y + to.height);
    const XRRCrtcInfo* crtc = snap->crtcs[crtcOf[m]].get();
    RRMode next = crtc->mode;
    if (m == change.changed) {
      next = target.id;
    } else if (std::find(change.mirrors.begin(), change.mirrors.end(), m) != change.mirrors.end()) {
      const auto output = std::find_if(snap->mirrors.begin(), snap->mirrors.end(),
                                       [&](const OutputInfo& o) { return o->crtc == res->crtcs[crtcOf[m]]; });
      if (output == snap->mirrors.end()) return disp_change::kFailed;
      std::vector<const XRRModeInfo*> modes;
      const auto index =
          desktop::ModeOfSize(Sizes(**output, snap->byId, &modes), change.width, change.height, Rate(target));
      if (!index) return disp_change::kBadMode;
      next = modes[*index]->id;
    }
    if (next != crtc->mode || to.x != crtc->x || to.y != crtc->y) {
      steps.push_back({res->crtcs[crtcOf[m]], crtc, to.x, to.y, next});
    }
  }

  // The screen must hold every CRTC; it grows before the change and shrinks after it.
  int minW = 0, minH = 0, maxW = 0, maxH = 0;
  if (XRRGetScreenSizeRange(dpy_, DefaultRootWindow(dpy_), &minW, &minH, &maxW, &maxH) &&
      (width > maxW || height > maxH)) {
    return disp_change::kBadMode;
  }
  width = std::max(width, minW);
  height = std::max(height, minH);

  // The root window's size from the server: Xlib's own copy is not updated by a change.
  const Window root = DefaultRootWindow(dpy_);
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

  ErrorTrap trap(dpy_);
  ServerGrab grab(dpy_);
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

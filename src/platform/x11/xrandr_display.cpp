#include "platform/x11/xrandr_display.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

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

bool Rotated(Rotation rotation) { return (rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0; }

}  // namespace

int32_t RoundedRate(const XRRModeInfo& mode) {
  double vTotal = mode.vTotal;
  if (mode.modeFlags & RR_DoubleScan) vTotal *= 2;
  if (mode.modeFlags & RR_Interlace) vTotal /= 2;
  if (mode.hTotal == 0 || vTotal == 0) return 0;
  return RoundedHz(static_cast<double>(mode.dotClock) / (mode.hTotal * vTotal));
}

struct XRandrDisplay::Snapshot {
  Resources resources;
  OutputInfo output;
  RROutput outputId = 0;
  std::vector<const XRRModeInfo*> modes;  // the output's modes in RandR's order
};

XRandrDisplay::XRandrDisplay(Display* connection) : dpy_(connection) {
  if (!dpy_) return;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  randr_ = XRRQueryExtension(dpy_, &eventBase, &errorBase) && XRRQueryVersion(dpy_, &major, &minor) &&
           (major > 1 || (major == 1 && minor >= 3));
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
std::unique_ptr<XRandrDisplay::Snapshot> XRandrDisplay::takeSnapshot() const {
  if (!randr_) return nullptr;
  auto snap = std::make_unique<Snapshot>();
  const Window root = DefaultRootWindow(dpy_);
  // The cached resources: asking the server to probe its outputs can take far longer.
  snap->resources.reset(XRRGetScreenResourcesCurrent(dpy_, root));
  if (!snap->resources) return nullptr;
  const XRRScreenResources& res = *snap->resources;

  const RROutput primary = XRRGetOutputPrimary(dpy_, root);
  std::vector<RROutput> candidates;
  if (primary) candidates.push_back(primary);
  candidates.insert(candidates.end(), res.outputs, res.outputs + res.noutput);
  for (RROutput id : candidates) {
    OutputInfo info(XRRGetOutputInfo(dpy_, snap->resources.get(), id));
    if (info && info->connection == RR_Connected && info->crtc) {
      snap->output = std::move(info);
      snap->outputId = id;
      break;
    }
  }
  if (!snap->output) return nullptr;

  std::unordered_map<RRMode, const XRRModeInfo*> byId;
  for (int i = 0; i < res.nmode; ++i) byId.emplace(res.modes[i].id, &res.modes[i]);
  for (int i = 0; i < snap->output->nmode; ++i) {
    if (auto it = byId.find(snap->output->modes[i]); it != byId.end()) snap->modes.push_back(it->second);
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
  if (modeNum == 0 || !pass_) pass_ = takeSnapshot();
  if (!pass_ || modeNum < 0 || static_cast<size_t>(modeNum) >= pass_->modes.size()) {
    pass_.reset();  // the pass is over; the next one looks again
    return false;
  }
  mode = record(*pass_, *pass_->modes[static_cast<size_t>(modeNum)]);
  return true;
}

ScreenMetrics XRandrDisplay::metrics() {
  const auto snap = takeSnapshot();
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
  const auto snap = takeSnapshot();
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
  CrtcInfo crtc(XRRGetCrtcInfo(dpy_, res, snap->output->crtc));
  if (!crtc) return disp_change::kFailed;

  // The screen must hold every CRTC; it grows before the change and shrinks after it.
  const bool rotated = Rotated(crtc->rotation);
  int width = static_cast<int>(crtc->x + (rotated ? target.height : target.width));
  int height = static_cast<int>(crtc->y + (rotated ? target.width : target.height));
  for (int i = 0; i < res->ncrtc; ++i) {
    if (res->crtcs[i] == snap->output->crtc) continue;
    CrtcInfo other(XRRGetCrtcInfo(dpy_, res, res->crtcs[i]));
    if (!other || !other->mode) continue;
    width = std::max(width, static_cast<int>(other->x + other->width));
    height = std::max(height, static_cast<int>(other->y + other->height));
  }
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
  if (width > oldW || height > oldH) setSize(std::max(width, oldW), std::max(height, oldH));
  const Status status = XRRSetCrtcConfig(dpy_, res, snap->output->crtc, CurrentTime, crtc->x, crtc->y, target.id,
                                         crtc->rotation, crtc->outputs, crtc->noutput);
  if (status != RRSetConfigSuccess || trap.failed()) return disp_change::kFailed;
  if (width < oldW || height < oldH) setSize(width, height);
  trap.failed();  // a refused shrink leaves a larger screen, and the mode is in force all the same
  return disp_change::kSuccessful;
}

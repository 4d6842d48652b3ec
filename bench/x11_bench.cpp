// X requests that one enumeration costs, for the output's own modes and for 200 more.
// Needs an X server whose output offers modes (DISPLAY); run it through bench/run.
#include <benchmark/benchmark.h>

#include "modes/screen_res.h"
#include "platform/sim/sim_platform.h"
#include "platform/x11/xrandr_desk.h"

// Last: Xlib's macros collide with other names.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace {

Display* Connection() {
  static Display* dpy = XOpenDisplay(nullptr);
  return dpy;
}

// Adds `count` modes to the primary output for the benchmark's life.
class ExtraModes {
 public:
  ExtraModes(Display* dpy, int count) : dpy_(dpy) {
    Window root = DefaultRootWindow(dpy_);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(dpy_, root);
    output_ = XRRGetOutputPrimary(dpy_, root);
    if (!output_ && res->noutput) output_ = res->outputs[0];
    XRRFreeScreenResources(res);
    for (int i = 0; i < count; ++i) {
      std::string name = "bench" + std::to_string(i);
      XRRModeInfo info{};
      info.width = 600 + 2 * i;
      info.height = 480;
      info.dotClock = 25175000;
      info.hSyncStart = 656 + 2 * i, info.hSyncEnd = 752 + 2 * i, info.hTotal = 800 + 2 * i;
      info.vSyncStart = 490, info.vSyncEnd = 492, info.vTotal = 525;
      info.name = name.data();
      info.nameLength = static_cast<unsigned>(name.size());
      const RRMode mode = XRRCreateMode(dpy_, root, &info);
      XRRAddOutputMode(dpy_, output_, mode);
      modes_.push_back(mode);
    }
    XSync(dpy_, False);
  }
  ~ExtraModes() {
    for (RRMode mode : modes_) {
      XRRDeleteOutputMode(dpy_, output_, mode);
      XRRDestroyMode(dpy_, mode);
    }
    XSync(dpy_, False);
  }

 private:
  Display* dpy_;
  RROutput output_ = 0;
  std::vector<RRMode> modes_;
};

void Enumeration(benchmark::State& state) {
  Display* dpy = Connection();
  if (!dpy) {
    state.SkipWithError("no X display");
    return;
  }
  ExtraModes extra(dpy, static_cast<int>(state.range(0)));
  XRandrDesk desk(dpy);
  desktop::DesktopDisplay display(desk);
  SimToolkit toolkit;
  ScreenRes engine(display, toolkit);
  std::vector<std::string> texts;
  unsigned long requests = 0;
  for (auto _ : state) {
    const unsigned long before = XNextRequest(dpy);
    engine.EnumDisplayModes(texts);
    requests = XNextRequest(dpy) - before;
  }
  state.counters["modes"] = static_cast<double>(texts.size() - 1);
  state.counters["x_requests"] = static_cast<double>(requests);
}
BENCHMARK(Enumeration)->Arg(0)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

#include "ctl/linux/linux_host.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/desk_record.h"
#include "app/display_choice.h"
#include "ctl/desk_monitors.h"
#include "ctl/linux/qt_module.h"

#include <X11/Xlib.h>

namespace {

int ServerGone(Display*) {
  std::fputs("tarnvelctl: the X server went away\n", stderr);
  std::_Exit(ctl::exit_code::kUnreachable);
}

// The module sits where the executable's run path says (beside it in the build, under
// lib/tarnvel once installed).
template <typename Fn>
Fn FromQtModule(const char* name) {
  static void* module = dlopen(kTarnvelctlQtModule, RTLD_NOW | RTLD_LOCAL);
  if (!module) throw std::runtime_error(std::string("cannot load Qt's part: ") + dlerror());
  void* symbol = dlsym(module, name);
  if (!symbol) throw std::runtime_error(std::string("cannot load Qt's part: ") + dlerror());
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

LinuxHost::~LinuxHost() {
  confirmed_.reset();
  driver_.reset();
  system_.reset();
  if (x_) XCloseDisplay(x_);
}

DisplayDriver* LinuxHost::display(const std::string& monitor, std::string& why) {
  if (!confirmed_) {
    desktop::System* system = reach(why);
    if (!system) return nullptr;
    // The arrangement is shared with the tray program and the next run; without a runtime
    // folder there is nowhere to keep it, and each run plans from the desk in force.
    memory_ = DeskRecord(wayland_);
    driver_ = std::make_unique<desktop::DesktopDisplay>(*system, monitor, memory_.get());
    // As in the tray: a success is believed only when the mode in force agrees.
    confirmed_ = std::make_unique<ConfirmedDisplay>(*driver_);
  }
  return confirmed_.get();
}

std::optional<std::vector<ctl::Shown>> LinuxHost::monitors(std::string& why) {
  desktop::System* system = reach(why);
  if (!system) return std::nullopt;
  const std::optional<desktop::Desk> desk = system->read();
  if (!desk) {
    why = "the display lists no monitor that shows a picture";
    return std::nullopt;
  }
  return ctl::ShownOf(*desk);
}

// One small file a monitor in $XDG_RUNTIME_DIR/tarnvel/, which the system empties at logout:
// the record lives as long as the dynamic switch it undoes.
ctl::Notes& LinuxHost::notes() {
  if (!notes_) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    ctl::FileNotes::Place place;
    if (runtime && *runtime) place.folder = std::filesystem::path(runtime) / "tarnvel";
    place.prefix = "remember-" + ctl::FileName(ServerName(wayland_)) + "-";
    place.whyNot = "XDG_RUNTIME_DIR is not set, so there is nowhere to keep it until the session ends";
    notes_ = std::make_unique<ctl::FileNotes>(files_, std::move(place));
  }
  return *notes_;
}

Settings& LinuxHost::settings() {
  if (!settings_) settings_.reset(FromQtModule<TarnvelctlSettingsFn>("TarnvelctlSettings")());
  return *settings_;
}

desktop::System* LinuxHost::reach(std::string& why) {
  if (!system_) {
    system_ = ChooseDesk([this] { return openX(); }, [] {
      return std::unique_ptr<desktop::System>(FromQtModule<TarnvelctlMutterDeskFn>("TarnvelctlMutterDesk")());
    }, &wayland_);
    if (!system_) {
      const char* name = std::getenv("DISPLAY");
      why = std::string("cannot open the X display \"") + (name ? name : "") + "\"";
    }
  }
  return system_.get();
}

Display* LinuxHost::openX() {
  x_ = XOpenDisplay(nullptr);
  if (x_) XSetIOErrorHandler(ServerGone);
  return x_;
}

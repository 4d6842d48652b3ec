// tarnvelctl on Linux: the tray program's display choice and settings file, without widgets.
// Qt is loaded only for a command that needs it (Mutter's service, the presets).
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ctl_posix.h"
#include "app/ctl_qt_module.h"
#include "app/desk_record.h"
#include "app/display_choice.h"
#include "ctl/desk_monitors.h"
#include "ctl/tarnvelctl.h"
#include "desktop/confirmed_display.h"

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

class LinuxHost final : public ctl::Host {
 public:
  ~LinuxHost() override {
    confirmed_.reset();
    driver_.reset();
    system_.reset();
    if (x_) XCloseDisplay(x_);
  }

  DisplayDriver* display(const std::string& monitor, std::string& why) override {
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

  std::optional<std::vector<ctl::Shown>> monitors(std::string& why) override {
    desktop::System* system = reach(why);
    if (!system) return std::nullopt;
    const std::optional<desktop::Desk> desk = system->read();
    if (!desk) {
      why = "the display lists no monitor that shows a picture";
      return std::nullopt;
    }
    return ctl::ShownOf(*desk);
  }

  // The records of --remember are kept for the display server reached.
  ctl::Notes& notes() override {
    if (!notes_) notes_ = std::make_unique<RuntimeNotes>(FileName(ServerName(wayland_)));
    return *notes_;
  }

  // The settings file is read only when a preset is asked for.
  Settings& settings() override {
    if (!settings_) settings_.reset(FromQtModule<TarnvelctlSettingsFn>("TarnvelctlSettings")());
    return *settings_;
  }

 private:
  desktop::System* reach(std::string& why) {
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

  Display* openX() {
    x_ = XOpenDisplay(nullptr);
    if (x_) XSetIOErrorHandler(ServerGone);
    return x_;
  }

  Display* x_ = nullptr;
  bool wayland_ = false;
  std::unique_ptr<desktop::System> system_;
  std::unique_ptr<desktop::Memory> memory_;
  std::unique_ptr<desktop::DesktopDisplay> driver_;
  std::unique_ptr<ConfirmedDisplay> confirmed_;
  std::unique_ptr<Settings> settings_;
  std::unique_ptr<RuntimeNotes> notes_;
};

}  // namespace

int main(int argc, char** argv) {
  PosixConsole console;  // first: it takes descriptors 0 to 2 before anything else can
  const std::vector<std::string> args(argv + 1, argv + argc);
  int code = 0;
  try {
    LinuxHost host;
    code = ctl::Run(args, host, console);
  } catch (const std::exception& e) {
    console.err(std::string("tarnvelctl: ") + e.what() + "\n");
    code = ctl::exit_code::kUnreachable;
  }
  // A reader left waiting for an answer that never came must not hold the exit up.
  std::_Exit(code);
}

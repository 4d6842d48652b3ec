// tarnvelctl on Linux: the tray program's display choice and settings file, without widgets.
// Qt is loaded only for a command that needs it (Mutter's service, the presets).
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ctl_qt_module.h"
#include "app/display_choice.h"
#include "ctl/tarnvelctl.h"
#include "platform/confirmed_display.h"

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
    if (x_) XCloseDisplay(x_);
  }

  DisplayDriver* display(std::string& why) override {
    if (!confirmed_) {
      driver_ = ChooseDisplay([this] { return openX(); }, [] {
        return std::unique_ptr<DisplayDriver>(FromQtModule<TarnvelctlMutterDisplayFn>("TarnvelctlMutterDisplay")());
      });
      if (!driver_) {
        const char* name = std::getenv("DISPLAY");
        why = std::string("cannot open the X display \"") + (name ? name : "") + "\"";
        return nullptr;
      }
      // As in the tray: a success is believed only when the mode in force agrees.
      confirmed_ = std::make_unique<ConfirmedDisplay>(*driver_);
    }
    return confirmed_.get();
  }

  // The settings file is read only when a preset is asked for.
  Settings& settings() override {
    if (!settings_) settings_.reset(FromQtModule<TarnvelctlSettingsFn>("TarnvelctlSettings")());
    return *settings_;
  }

 private:
  Display* openX() {
    x_ = XOpenDisplay(nullptr);
    if (x_) XSetIOErrorHandler(ServerGone);
    return x_;
  }

  Display* x_ = nullptr;
  std::unique_ptr<DisplayDriver> driver_;
  std::unique_ptr<ConfirmedDisplay> confirmed_;
  std::unique_ptr<Settings> settings_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  int code = 0;
  try {
    LinuxHost host;
    code = ctl::Run(args, host, std::cin, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "tarnvelctl: " << e.what() << '\n';
    code = ctl::exit_code::kUnreachable;
  }
  // A reader left waiting for an answer that never came must not hold the exit up.
  std::cout.flush();
  std::cerr.flush();
  std::_Exit(code);
}

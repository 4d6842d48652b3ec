// tarnvelctl on Linux: the tray program's display choice and settings file, without widgets.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/display_choice.h"
#include "ctl/tarnvelctl.h"
#include "platform/confirmed_display.h"
#include "platform/qt/qt_settings.h"

// Last: Xlib's macros collide with Qt's names.
#include <X11/Xlib.h>

namespace {

int ServerGone(Display*) {
  std::fputs("tarnvelctl: the X server went away\n", stderr);
  std::_Exit(ctl::exit_code::kUnreachable);
}

class LinuxHost final : public ctl::Host {
 public:
  LinuxHost(int& argc, char** argv) : argc_(argc), argv_(argv) {}
  ~LinuxHost() override {
    confirmed_.reset();
    driver_.reset();
    if (x_) XCloseDisplay(x_);
  }

  DisplayDriver* display(std::string& why) override {
    if (!confirmed_) {
      // D-Bus wants an application object; it costs a few milliseconds of start-up, so only
      // a run that asks the session bus makes one.
      driver_ = ChooseDisplay([this] { return openX(); }, [this] { app_.emplace(argc_, argv_); });
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
  Settings& settings() override { return settings_ ? *settings_ : settings_.emplace(); }

 private:
  Display* openX() {
    x_ = XOpenDisplay(nullptr);
    if (x_) XSetIOErrorHandler(ServerGone);
    return x_;
  }

  int& argc_;
  char** argv_;
  std::optional<QCoreApplication> app_;
  Display* x_ = nullptr;
  std::unique_ptr<DisplayDriver> driver_;
  std::unique_ptr<ConfirmedDisplay> confirmed_;
  std::optional<QtSettings> settings_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  int code = 0;
  {
    LinuxHost host(argc, argv);
    code = ctl::Run(args, host, std::cin, std::cout, std::cerr);
  }
  // A reader left waiting for an answer that never came must not hold the exit up.
  std::cout.flush();
  std::cerr.flush();
  std::_Exit(code);
}

// tarnvelctl.exe: the tray program's display settings and registry store, on the console.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "ctl/tarnvelctl.h"
#include "platform/win32/win32_platform.h"

namespace {

// The system arranges the desk itself: a switch names one display device and nothing more.
class WindowsHost final : public ctl::Host {
 public:
  DisplayDriver* display(const std::string& monitor, std::string&) override {
    display_ = std::make_unique<Win32Display>(monitor);
    return display_.get();
  }
  std::optional<std::vector<ctl::Shown>> monitors(std::string&) override {
    std::vector<ctl::Shown> shown;
    for (const AttachedDisplay& d : AttachedDisplays()) shown.push_back({d.name, d.mode, d.x, d.y, d.primary});
    return shown;
  }
  Settings& settings() override { return settings_; }

 private:
  std::unique_ptr<Win32Display> display_;
  Win32Settings settings_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
  int code = 0;
  {
    WindowsHost host;
    code = ctl::Run(args, host, std::cin, std::cout, std::cerr);
  }
  // A reader may still be blocked on standard input, waiting for an answer that never came:
  // end here, with the output flushed, rather than run the C runtime's clean-up beside it.
  std::cout.flush();
  std::cerr.flush();
  std::_Exit(code);
}

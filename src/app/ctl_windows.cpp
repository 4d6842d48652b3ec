// tarnvelctl.exe: the tray program's display settings and registry store, on the console.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "ctl/tarnvelctl.h"
#include "platform/win32/win32_platform.h"

namespace {

class WindowsHost final : public ctl::Host {
 public:
  DisplayDriver* display(std::string&) override { return &display_; }
  Settings& settings() override { return settings_; }

 private:
  Win32Display display_;
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

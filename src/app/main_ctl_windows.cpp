// tarnvelctl.exe. It writes through the console's handles itself: the C++ streams would triple
// its size.
#include <string>
#include <vector>

#include "ctl/windows/windows_console.h"
#include "ctl/windows/windows_host.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
  WindowsConsole console;
  int code = 0;
  {
    WindowsHost host;
    code = ctl::Run(args, host, console);
  }
  // A reader may still be blocked on standard input, waiting for an answer that never came:
  // end here rather than run the C runtime's clean-up beside it.
  ExitProcess(static_cast<UINT>(code));
}

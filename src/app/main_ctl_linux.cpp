// tarnvelctl on Linux.
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "ctl/linux/linux_host.h"
#include "ctl/linux/posix_console.h"

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

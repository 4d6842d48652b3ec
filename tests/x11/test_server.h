#pragma once
// The test Xorg that ctest starts (tests/x11/xorg-server): its display name, and shell commands
// run against it, for the tests of the real display servers.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

// ":N", from the state folder named by TARNVEL_XORG_STATE.
inline std::string TestDisplay() {
  const char* state = std::getenv("TARNVEL_XORG_STATE");
  std::ifstream in(std::string(state ? state : "") + "/display");
  std::string name;
  in >> name;
  return name;
}

// What `command` prints, standard error included, run by the shell on the test Xorg.
inline std::string Sh(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(("export DISPLAY=" + TestDisplay() + "; { " + command + "; } 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

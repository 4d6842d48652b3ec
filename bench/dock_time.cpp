// Starts a tray program and prints, once its icon is docked in trayer, the milliseconds it
// took and the program's process id; the program keeps running.
//   dock_time --count                 prints how many windows trayer's panel holds
//   dock_time EMPTY PROGRAM [ARGS...]  waits until the panel holds EMPTY windows again (the
//                                     last program's icon gone), then starts PROGRAM
// Every wait is bounded: a panel that keeps an old icon, or an icon that never docks, ends
// this with a message instead of a run that never finishes.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <spawn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

extern char** environ;

namespace {

bool IsPanel(Display* dpy, Window w) {
  XClassHint hint{};
  if (!XGetClassHint(dpy, w, &hint)) return false;
  const bool panel = hint.res_name && std::strcmp(hint.res_name, "panel") == 0;
  XFree(hint.res_name);
  XFree(hint.res_class);
  return panel;
}

// The number of windows below `w`.
int Descendants(Display* dpy, Window w) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) return 0;
  int count = static_cast<int>(n);
  for (unsigned i = 0; i < n; ++i) count += Descendants(dpy, children[i]);
  if (children) XFree(children);
  return count;
}

Window FindPanel(Display* dpy) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; ++i) {
      if (IsPanel(dpy, children[i])) found = children[i];
    }
    if (children) XFree(children);
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  const bool count = argc == 2 && std::string(argv[1]) == "--count";
  if (argc < 3 && !count) {
    std::fprintf(stderr, "usage: %s --count | EMPTY PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return 1;
  const Window panel = FindPanel(dpy);
  if (!panel) {
    std::fprintf(stderr, "no trayer panel on this display\n");
    return 1;
  }
  if (count) {
    std::printf("%d\n", Descendants(dpy, panel));
    return 0;
  }
  const int empty = std::atoi(argv[1]);
  const auto settled = Clock::now() + std::chrono::seconds(10);
  int before = Descendants(dpy, panel);
  while (before != empty) {
    if (Clock::now() > settled) {
      std::fprintf(stderr, "trayer's panel still holds %d windows, not its empty %d, after 10 s\n", before, empty);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    before = Descendants(dpy, panel);
  }
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) return 1;
  while (Descendants(dpy, panel) <= before) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      std::fprintf(stderr, "%s ended before its icon docked\n", argv[2]);
      return 1;
    }
    if (Clock::now() - start > std::chrono::seconds(30)) {
      std::fprintf(stderr, "%s did not dock within 30 s\n", argv[2]);
      kill(pid, SIGTERM);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const std::chrono::duration<double, std::milli> took = Clock::now() - start;
  std::printf("%.1f %d\n", took.count(), static_cast<int>(pid));
  return 0;
}

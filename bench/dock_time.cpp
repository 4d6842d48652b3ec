// Starts a tray program and prints, once its icon is docked in trayer, the milliseconds it
// took and the program's process id; the program keeps running.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
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
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return 1;
  const Window panel = FindPanel(dpy);
  if (!panel) {
    std::fprintf(stderr, "no trayer panel on this display\n");
    return 1;
  }
  const int before = Descendants(dpy, panel);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[1], nullptr, nullptr, argv + 1, environ) != 0) return 1;
  while (Descendants(dpy, panel) <= before) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) {
      std::fprintf(stderr, "%s ended before its icon docked\n", argv[1]);
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("%.1f %d\n", took.count(), static_cast<int>(pid));
  return 0;
}

// Prints the window that owns the X selection named by the argument; exit code 1 when no
// window does.
#include <X11/Xlib.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: selection_owner NAME\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fputs("selection_owner: cannot open the X display\n", stderr);
    return 2;
  }
  const Window owner = XGetSelectionOwner(display, XInternAtom(display, argv[1], False));
  XCloseDisplay(display);
  if (owner == None) return 1;
  std::printf("0x%lx\n", owner);
  return 0;
}

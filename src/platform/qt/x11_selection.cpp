#include "platform/qt/x11_selection.h"

#include <X11/Xlib.h>

#include <string>

bool ClaimX11Selection(Display* display, const char* name) {
  const Atom selection = XInternAtom(display, name, False);
  // Never mapped: it only stands for this process as the selection's owner.
  const Window owner = XCreateSimpleWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0, 0);
  // Looking and taking must be one step: two starts at the same moment would otherwise both
  // see no owner, and the later one would take the selection from the earlier one.
  XGrabServer(display);
  const bool free = XGetSelectionOwner(display, selection) == None;
  if (free) XSetSelectionOwner(display, selection, owner, CurrentTime);
  XUngrabServer(display);
  const bool ours = free && XGetSelectionOwner(display, selection) == owner;
  if (!ours) XDestroyWindow(display, owner);
  XSync(display, False);
  return ours;
}

bool XEmbedTrayPresent(Display* display) {
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
  return XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False)) != None;
}

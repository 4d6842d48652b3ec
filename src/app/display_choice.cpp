#include "app/display_choice.h"

#include <QDBusConnection>

#include "platform/mutter/mutter_display.h"
#include "platform/x11/xrandr_display.h"

namespace {

// Under Wayland the X server is Xwayland, whose modes are only emulated: the compositor
// owns the real ones.
bool WaylandSession() { return qgetenv("XDG_SESSION_TYPE") == "wayland" || !qgetenv("WAYLAND_DISPLAY").isEmpty(); }

}  // namespace

std::unique_ptr<DisplayDriver> ChooseDisplay(const std::function<_XDisplay*()>& openX,
                                             const std::function<void()>& beforeBus) {
  if (WaylandSession()) {
    if (beforeBus) beforeBus();
    if (MutterDisplay::Available(QDBusConnection::sessionBus())) {
      return std::make_unique<MutterDisplay>(QDBusConnection::sessionBus());
    }
  }
  _XDisplay* x = openX();
  if (!x) return nullptr;
  return std::make_unique<XRandrDisplay>(x);
}

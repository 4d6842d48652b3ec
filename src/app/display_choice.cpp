#include "app/display_choice.h"

#include <cstdlib>
#include <string_view>

#include "platform/x11/xrandr_display.h"

bool WaylandSession() {
  const char* type = std::getenv("XDG_SESSION_TYPE");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (type && std::string_view(type) == "wayland") || (wayland && *wayland);
}

std::unique_ptr<DisplayDriver> ChooseDisplay(const std::function<_XDisplay*()>& openX,
                                             const std::function<std::unique_ptr<DisplayDriver>()>& mutter) {
  if (WaylandSession()) {
    if (std::unique_ptr<DisplayDriver> driver = mutter()) return driver;
  }
  _XDisplay* x = openX();
  if (!x) return nullptr;
  return std::make_unique<XRandrDisplay>(x);
}

#include "app/display_choice.h"

#include <cstdlib>
#include <string_view>

#include "platform/kwin/kwin_desk.h"
#include "platform/x11/xrandr_desk.h"

bool WaylandSession() {
  const char* type = std::getenv("XDG_SESSION_TYPE");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (type && std::string_view(type) == "wayland") || (wayland && *wayland);
}

std::unique_ptr<desktop::System> ChooseDesk(const std::function<_XDisplay*()>& openX,
                                            const std::function<std::unique_ptr<desktop::System>()>& mutter,
                                            bool* wayland) {
  if (wayland) *wayland = false;
  if (WaylandSession()) {
    std::unique_ptr<desktop::System> desk;
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    if (socket && *socket && KWinDesk::Offered()) desk = std::make_unique<KWinDesk>();
    if (!desk) desk = mutter();
    if (desk) {
      if (wayland) *wayland = true;
      return desk;
    }
  }
  _XDisplay* x = openX();
  if (!x) return nullptr;
  return std::make_unique<XRandrDesk>(x);
}

#pragma once
// Which display system a Linux program of Tarnvel's drives, chosen the same way by the tray
// program and by tarnvelctl.
#include <functional>
#include <memory>

#include "desktop/desktop_display.h"

struct _XDisplay;

// Under Wayland the X server is Xwayland, whose modes are only emulated: the compositor owns
// the real ones.
bool WaylandSession();

// In a Wayland session, the desk `mutter` gives: Mutter's display service when it is on the
// session bus, else null. Otherwise, or when it gives null, XRandR on the X server that `openX`
// connects to; null when that cannot be reached. Each is only called when needed.
std::unique_ptr<desktop::System> ChooseDesk(const std::function<_XDisplay*()>& openX,
                                            const std::function<std::unique_ptr<desktop::System>()>& mutter);

// Mutter's display service when it is on the session bus, else null: what both programs pass
// as `mutter`. Needs Qt's D-Bus, which tarnvelctl loads only for a Wayland session.
std::unique_ptr<desktop::System> MutterOnSessionBus();

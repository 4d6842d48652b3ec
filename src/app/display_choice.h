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

// In a Wayland session, KWin's output management when the compositor at WAYLAND_DISPLAY offers
// it, else the desk `mutter` gives: Mutter's display service when it is on the session bus, else
// null. Otherwise, or when neither is there, XRandR on the X server that `openX` connects to; null
// when that cannot be reached. Each is only asked when needed, KWin first: it needs neither
// D-Bus nor Qt. `wayland`, when given, says whether the desk is a Wayland compositor's.
std::unique_ptr<desktop::System> ChooseDesk(const std::function<_XDisplay*()>& openX,
                                            const std::function<std::unique_ptr<desktop::System>()>& mutter,
                                            bool* wayland = nullptr);

// Mutter's display service when it is on the session bus, else null: what both programs pass
// as `mutter`. Needs Qt's D-Bus, which tarnvelctl loads only for a Wayland session.
std::unique_ptr<desktop::System> MutterOnSessionBus();

#pragma once
// Which display driver a Linux program of Tarnvel's drives, chosen the same way by the tray
// program and by tarnvelctl.
#include <functional>
#include <memory>

#include "platform/display.h"

struct _XDisplay;

// Mutter's display service in a Wayland session when it is on the session bus; otherwise
// XRandR on the X server that `openX` connects to. Null when that is needed and not there.
// `openX` is only called when XRandR is chosen; `beforeBus`, when given, once before the
// session bus is first asked, which happens only in a Wayland session.
std::unique_ptr<DisplayDriver> ChooseDisplay(const std::function<_XDisplay*()>& openX,
                                             const std::function<void()>& beforeBus = {});

#pragma once
// KWin's output management (KDE Plasma under Wayland) as a desk: the output devices it announces,
// with their modes, places, scales and turns, read into the desk model, and a plan sent back as
// one output configuration, which KWin applies whole or not at all.
#include <string>

#include "desktop/desktop_display.h"

class KWinDesk final : public desktop::System {
 public:
  // Whether the compositor at `socket` (WAYLAND_DISPLAY's when empty) offers output management.
  static bool Offered(const std::string& socket = {});

  // Connects to the compositor at `socket` (WAYLAND_DISPLAY's when empty) for each read and
  // each change, and holds no connection in between: one left unread would fill with KWin's
  // events until KWin drops it.
  explicit KWinDesk(std::string socket = {});

  std::optional<desktop::Desk> read() override;
  int32_t change(const desktop::Planner& plan) override;

 private:
  std::string socket_;
};

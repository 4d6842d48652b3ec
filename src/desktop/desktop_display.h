#pragma once
// The display driver of a desk: the modes of the driven monitor and the switches it makes, for
// any display system that can read its desk into the model and carry out a plan made on it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/desk.h"
#include "platform/display.h"

namespace desktop {

// What a plan says: the desk to make (code 0), or the DISP_CHANGE code of a refusal.
struct Planned {
  int32_t code = disp_change::kSuccessful;
  Desk desk;
};
using Planner = std::function<Planned(const Desk&)>;

// A display system as the model sees it (XRandR, Mutter's service, the simulated desk).
class System {
 public:
  virtual ~System() = default;
  // The desk in force; nothing when the system cannot be reached or read.
  virtual std::optional<Desk> read() = 0;
  // Reads the desk in force, asks `plan` what it is to become and makes it so, with no other
  // client's change between the reading and the making. The DISP_CHANGE code; a refusal of
  // the plan's is passed on unchanged.
  virtual int32_t change(const Planner& plan) = 0;
};

// A switch, as the way back needs it.
struct Switch {
  Desk before, after;
  bool operator==(const Switch&) const = default;
};

// Where the last switch is kept between switches.
class Memory {
 public:
  virtual ~Memory() = default;
  virtual std::optional<Switch> recall() = 0;
  virtual void remember(const Switch& last) = 0;
};

// The way back is exact: when the desk in force is the one the last switch left, the driven
// monitor is one that switch changed, and the new mode gives it its mode from before, the desk
// from before comes back as it was. Otherwise, nothing.
std::optional<Desk> WayBack(const Switch& last, const Desk& now, const std::string& monitor, const Mode& mode);

class DesktopDisplay final : public DisplayDriver {
 public:
  // Drives the monitor named `monitor` (the primary one when empty). Without a `memory`, the
  // last switch is kept in this object. Takes no ownership.
  explicit DesktopDisplay(System& system, std::string monitor = {}, Memory* memory = nullptr);

  bool enumMode(int32_t modeNum, DevMode& mode) override;
  ScreenMetrics metrics() override;
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

  // The desk in force, read fresh.
  std::optional<Desk> desk() { return system_.read(); }

 private:
  Planned plan(const Desk& desk, const DevMode& record, const std::optional<Switch>& last) const;

  System& system_;
  std::string monitor_;
  Memory* memory_;
  std::optional<Switch> last_;  // the memory when none was given
  // The enumeration pass under way: the desk it read, and the records it lists.
  std::optional<std::vector<DevMode>> pass_;
};

}  // namespace desktop

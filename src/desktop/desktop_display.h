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

// What a plan says: the desk to make (code 0), or the DISP_CHANGE code of a refusal;
// kNoLayout where no layout keeps the desk whole with the driven monitor in that mode.
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

// The desk as the user arranged it, and the desk the last switch left, as read back once it
// landed. Every switch is planned from the arrangement; while the desk in force is the one the
// last switch left, the arrangement holds, and once it is not (a monitor plugged in or turned
// off, a place, scale, turn or mode changed by the user or another program), the desk in force
// becomes the arrangement.
struct Arrangement {
  Desk arranged, left;
  bool operator==(const Arrangement&) const = default;
};

// Where the arrangement is kept between switches. A memory that several programs share locks
// it from before it is recalled until after it is remembered, so that two switches at once
// never adopt each other's half-made desk (std::unique_lock takes it).
class Memory {
 public:
  virtual ~Memory() = default;
  virtual void lock() {}
  virtual void unlock() {}
  virtual std::optional<Arrangement> recall() = 0;
  virtual void remember(const Arrangement& record) = 0;
};

// The arrangement to plan from on the desk in force `now`: the kept one while `now` is the desk
// it left, else `now` itself.
const Desk& Arranged(const std::optional<Arrangement>& kept, const Desk& now);

class DesktopDisplay final : public DisplayDriver {
 public:
  // Drives the monitor named `monitor` (the primary one when empty). The arrangement is kept
  // in `memory` and in this object, which serves where the memory keeps nothing (it could not
  // be written) or another program's desk. Takes no ownership.
  explicit DesktopDisplay(System& system, std::string monitor = {}, Memory* memory = nullptr);

  bool enumMode(int32_t modeNum, DevMode& mode) override;
  ScreenMetrics metrics() override;
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

 private:
  Planned plan(const Desk& arranged, const Desk& now, const DevMode& record) const;
  std::optional<Arrangement> recall(const Desk& now);

  System& system_;
  std::string monitor_;
  Memory* memory_;
  std::optional<Arrangement> kept_;
  // The enumeration pass under way: the desk it read, and the records it lists.
  std::optional<std::vector<DevMode>> pass_;
};

}  // namespace desktop

#pragma once
// Mutter's DisplayConfig service on the session bus (GNOME under Wayland) as a desk: its
// logical monitors, their monitors and modes read into the desk model, and a plan sent back as a
// temporary configuration against the serial it was read with.
#include <QDBusConnection>
#include <QList>
#include <QString>
#include <optional>

#include "desktop/desktop_display.h"

class MutterDesk : public desktop::System {
 public:
  // Whether `bus` has the service this desk talks to.
  static bool Available(const QDBusConnection& bus);

  explicit MutterDesk(QDBusConnection bus);
  ~MutterDesk() override;

  std::optional<desktop::Desk> read() override;
  int32_t change(const desktop::Planner& plan) override;

  // The requests made to the service so far.
  struct Calls {
    int getCurrentState = 0;
    int applyMonitorsConfig = 0;
  };
  const Calls& calls() const { return calls_; }

  // One answer of GetCurrentState, as much of it as a change has to send back.
  struct Monitor {
    QString connector;
    QList<desktop::Mode> modes;
    int current = -1;  // the mode in force, -1 for none
    bool underscanning = false;
  };
  struct LogicalMonitor {
    int32_t x = 0;
    int32_t y = 0;
    double scale = 1;
    uint32_t transform = 0;
    bool primary = false;
    QList<QString> connectors;
  };
  struct State {
    uint32_t serial = 0;
    QList<Monitor> monitors;
    QList<LogicalMonitor> logical;
    // Whether positions count logical pixels (1) or the monitors' own (2); without the
    // property the service lays monitors out in logical pixels.
    uint32_t layoutMode = 1;
  };

 protected:
  // One GetCurrentState; nothing when the service does not answer or answers nonsense.
  virtual std::optional<State> readState();

 private:
  // Sends `after` as the temporary configuration of `state`'s serial: the error's name, or
  // empty when the service took it.
  QString apply(const State& state, const desktop::Desk& after);

  QDBusConnection bus_;
  Calls calls_;
};

// The desk a state shows; nothing when a monitor of its layout has no mode in force.
std::optional<desktop::Desk> DeskOf(const MutterDesk::State& state);

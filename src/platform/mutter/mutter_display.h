#pragma once
// The display driver on GNOME under Wayland: the modes of one monitor as Mutter's
// DisplayConfig service lists them on the session bus, and a temporary change of that
// monitor's mode through the same service.
#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "platform/display.h"

class MutterDisplay : public DisplayDriver {
 public:
  // Whether `bus` has the service this driver talks to.
  static bool Available(const QDBusConnection& bus);

  explicit MutterDisplay(QDBusConnection bus);
  ~MutterDisplay() override;

  bool enumMode(int32_t modeNum, DevMode& mode) override;
  ScreenMetrics metrics() override;
  int32_t changeMode(DevMode& mode, uint32_t flags) override;

  // The requests made to the service so far.
  struct Calls {
    int getCurrentState = 0;
    int applyMonitorsConfig = 0;
  };
  const Calls& calls() const { return calls_; }

  // One answer of GetCurrentState, as much of it as a change has to send back.
  struct Mode {
    QString id;  // what ApplyMonitorsConfig takes, such as "1024x768@59.940"
    int32_t width = 0;
    int32_t height = 0;
    double refresh = 0;
    bool current = false;
    bool interlaced = false;
    double preferredScale = 1;
    QList<double> scales;  // the scales the service allows with this mode
  };
  struct Monitor {
    QString connector;
    QList<Mode> modes;
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
    // The logical monitor this program drives: the primary one, else the first.
    const LogicalMonitor* driven() const;
    // The monitor this program drives: the driven logical monitor's first.
    const Monitor* display() const;
    // The modes of that monitor whose size every monitor it mirrors offers too.
    QList<Mode> offered() const;
  };

 protected:
  // One GetCurrentState; nothing when the service does not answer or answers nonsense.
  virtual std::optional<State> readState();

 private:
  DevMode record(const Monitor& monitor, const Mode& mode) const;
  // Sends the layout of `state` with the driven monitor, and every monitor it mirrors, in a
  // mode of the size of `mode`, the others moved so that the desktop stays whole; the error
  // name, or empty when the service took it.
  QString apply(const State& state, const Mode& mode);

  QDBusConnection bus_;
  Calls calls_;
  std::unique_ptr<State> pass_;  // the enumeration pass under way
  QList<Mode> listed_;           // the modes it lists
};

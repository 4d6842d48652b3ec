#include "platform/mutter/mutter_desk.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QHash>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
const QString kInterface = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kStale = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
constexpr uint32_t kTemporary = 1;     // ApplyMonitorsConfig's method: this session only, never saved
constexpr int32_t kBitsPerPixel = 32;  // a compositor's outputs are 32-bit
constexpr int kTimeoutMs = 10000;

// What ApplyMonitorsConfig takes: a(iiduba(ssa{sv})).
struct MonitorAssignment {
  QString connector;
  QString modeId;
  QVariantMap properties;
};
struct LogicalAssignment {
  int32_t x = 0;
  int32_t y = 0;
  double scale = 1;
  uint32_t transform = 0;
  bool primary = false;
  QList<MonitorAssignment> monitors;
};

QDBusArgument& operator<<(QDBusArgument& arg, const MonitorAssignment& m) {
  arg.beginStructure();
  arg << m.connector << m.modeId << m.properties;
  arg.endStructure();
  return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, MonitorAssignment& m) {
  arg.beginStructure();
  arg >> m.connector >> m.modeId >> m.properties;
  arg.endStructure();
  return arg;
}
QDBusArgument& operator<<(QDBusArgument& arg, const LogicalAssignment& l) {
  arg.beginStructure();
  arg << l.x << l.y << l.scale << l.transform << l.primary << l.monitors;
  arg.endStructure();
  return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, LogicalAssignment& l) {
  arg.beginStructure();
  arg >> l.x >> l.y >> l.scale >> l.transform >> l.primary >> l.monitors;
  arg.endStructure();
  return arg;
}

}  // namespace

Q_DECLARE_METATYPE(MonitorAssignment)
Q_DECLARE_METATYPE(LogicalAssignment)

namespace {

// (ssss): connector, vendor, product, serial; only the connector names a monitor in a change.
QString ReadConnector(const QDBusArgument& arg) {
  QString connector, vendor, product, serial;
  arg.beginStructure();
  arg >> connector >> vendor >> product >> serial;
  arg.endStructure();
  return connector;
}

// a((ssss)a(siiddada{sv})a{sv})
QList<MutterDesk::Monitor> ReadMonitors(const QDBusArgument& arg) {
  QList<MutterDesk::Monitor> monitors;
  arg.beginArray();
  while (!arg.atEnd()) {
    MutterDesk::Monitor monitor;
    arg.beginStructure();
    monitor.connector = ReadConnector(arg);
    arg.beginArray();
    while (!arg.atEnd()) {
      QString id;
      desktop::Mode mode;
      QList<double> scales;
      QVariantMap properties;
      arg.beginStructure();
      arg >> id >> mode.width >> mode.height >> mode.rate >> mode.preferredScale >> scales >> properties;
      arg.endStructure();
      mode.id = id.toStdString();
      mode.scales.assign(scales.begin(), scales.end());
      mode.interlaced = properties.value(QStringLiteral("is-interlaced")).toBool();
      if (properties.value(QStringLiteral("is-current")).toBool()) monitor.current = static_cast<int>(monitor.modes.size());
      monitor.modes.append(mode);
    }
    arg.endArray();
    QVariantMap properties;
    arg >> properties;
    arg.endStructure();
    monitor.underscanning = properties.value(QStringLiteral("is-underscanning")).toBool();
    monitors.append(monitor);
  }
  arg.endArray();
  return monitors;
}

// a(iiduba(ssss)a{sv})
QList<MutterDesk::LogicalMonitor> ReadLogicalMonitors(const QDBusArgument& arg) {
  QList<MutterDesk::LogicalMonitor> logical;
  arg.beginArray();
  while (!arg.atEnd()) {
    MutterDesk::LogicalMonitor l;
    arg.beginStructure();
    arg >> l.x >> l.y >> l.scale >> l.transform >> l.primary;
    arg.beginArray();
    while (!arg.atEnd()) l.connectors.append(ReadConnector(arg));
    arg.endArray();
    QVariantMap properties;
    arg >> properties;
    arg.endStructure();
    logical.append(l);
  }
  arg.endArray();
  return logical;
}

const MutterDesk::Monitor* FindMonitor(const QList<MutterDesk::Monitor>& monitors, const QString& connector) {
  const auto it = std::find_if(monitors.begin(), monitors.end(),
                               [&](const MutterDesk::Monitor& m) { return m.connector == connector; });
  return it == monitors.end() ? nullptr : &*it;
}

}  // namespace

std::optional<desktop::Desk> DeskOf(const MutterDesk::State& state) {
  desktop::Desk desk;
  desk.logical = state.layoutMode == 1;
  desk.bitsPerPixel = kBitsPerPixel;
  for (const MutterDesk::LogicalMonitor& l : state.logical) {
    desktop::Place place{{l.x, l.y, 0, 0}, l.scale, l.transform, {}};
    for (const QString& connector : l.connectors) {
      const MutterDesk::Monitor* monitor = FindMonitor(state.monitors, connector);
      if (!monitor || monitor->current < 0) return std::nullopt;
      place.monitors.push_back({connector.toStdString(), {monitor->modes.begin(), monitor->modes.end()},
                                static_cast<size_t>(monitor->current), l.primary});
    }
    if (place.monitors.empty()) return std::nullopt;
    // A logical monitor covers its first monitor's mode, turned, and in logical layout divided
    // by its scale.
    const desktop::Rect size = desktop::Extent(place.monitors.front().current(), l.scale, l.transform, desk.logical);
    place.rect.width = size.width;
    place.rect.height = size.height;
    desk.places.push_back(std::move(place));
  }
  if (desk.places.empty()) return std::nullopt;
  return desk;
}

bool MutterDesk::Available(const QDBusConnection& bus) {
  return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
}

MutterDesk::MutterDesk(QDBusConnection bus) : bus_(std::move(bus)) {
  qDBusRegisterMetaType<MonitorAssignment>();
  qDBusRegisterMetaType<QList<MonitorAssignment>>();
  qDBusRegisterMetaType<LogicalAssignment>();
  qDBusRegisterMetaType<QList<LogicalAssignment>>();
}

MutterDesk::~MutterDesk() = default;

std::optional<MutterDesk::State> MutterDesk::readState() {
  ++calls_.getCurrentState;
  const QDBusMessage reply =
      bus_.call(QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCurrentState")),
                QDBus::Block, kTimeoutMs);
  const QList<QVariant> args = reply.arguments();
  if (reply.type() != QDBusMessage::ReplyMessage ||
      reply.signature() != QStringLiteral("ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}")) {
    return std::nullopt;
  }
  State state;
  state.serial = args[0].toUInt();
  state.monitors = ReadMonitors(args[1].value<QDBusArgument>());
  state.logical = ReadLogicalMonitors(args[2].value<QDBusArgument>());
  const QVariantMap properties = qdbus_cast<QVariantMap>(args[3]);
  if (properties.contains(QStringLiteral("layout-mode"))) {
    state.layoutMode = properties.value(QStringLiteral("layout-mode")).toUInt();
  }
  return state;
}

std::optional<desktop::Desk> MutterDesk::read() {
  const std::optional<State> state = readState();
  return state ? DeskOf(*state) : std::nullopt;
}

QString MutterDesk::apply(const State& state, const desktop::Desk& after) {
  // Mutter takes a layout only with its top left corner at 0, 0: where a switch left the corner
  // empty, the layout goes there whole (it is the same desk to the user).
  int32_t left = INT32_MAX, top = INT32_MAX;
  for (const desktop::Place& place : after.places) {
    left = std::min(left, place.rect.x);
    top = std::min(top, place.rect.y);
  }
  QList<LogicalAssignment> layout;
  for (const desktop::Place& place : after.places) {
    LogicalAssignment assignment{place.rect.x - left, place.rect.y - top, place.scale, place.transform, place.primary(), {}};
    for (const desktop::Monitor& monitor : place.monitors) {
      const QString connector = QString::fromStdString(monitor.name);
      const Monitor* known = FindMonitor(state.monitors, connector);
      QVariantMap properties;
      if (known && known->underscanning) properties.insert(QStringLiteral("underscanning"), true);
      assignment.monitors.append({connector, QString::fromStdString(monitor.current().id), properties});
    }
    layout.append(assignment);
  }
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("ApplyMonitorsConfig"));
  call << state.serial << kTemporary << QVariant::fromValue(layout) << QVariantMap{};
  ++calls_.applyMonitorsConfig;
  const QDBusMessage reply = bus_.call(call, QDBus::Block, kTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage ? QString() : reply.errorName();
}

int32_t MutterDesk::change(const desktop::Planner& plan) {
  // The plan is made from the state it is sent against. When the service answers that its
  // state is newer (another client changed it, monitors came or went), the plan is made once
  // more from the new one; a second refusal, whatever it is, is final.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::optional<State> state = readState();
    const std::optional<desktop::Desk> before = state ? DeskOf(*state) : std::nullopt;
    if (!before) return disp_change::kFailed;
    const desktop::Planned planned = plan(*before);
    if (planned.code != disp_change::kSuccessful) return planned.code;
    const QString error = apply(*state, planned.desk);
    if (error.isEmpty()) return disp_change::kSuccessful;
    if (error != kStale) return disp_change::kFailed;
  }
  return disp_change::kFailed;
}

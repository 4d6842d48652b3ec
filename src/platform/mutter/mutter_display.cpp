#include "platform/mutter/mutter_display.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QHash>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/layout.h"
#include "platform/rate.h"

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
const QString kInterface = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kStale = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
constexpr uint32_t kTemporary = 1;     // ApplyMonitorsConfig's method: this session only, never saved
constexpr uint32_t kTestOnly = 0x2;    // CDS_TEST: say whether the mode exists, change nothing
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
QList<MutterDisplay::Monitor> ReadMonitors(const QDBusArgument& arg) {
  QList<MutterDisplay::Monitor> monitors;
  arg.beginArray();
  while (!arg.atEnd()) {
    MutterDisplay::Monitor monitor;
    arg.beginStructure();
    monitor.connector = ReadConnector(arg);
    arg.beginArray();
    while (!arg.atEnd()) {
      MutterDisplay::Mode mode;
      QVariantMap properties;
      arg.beginStructure();
      arg >> mode.id >> mode.width >> mode.height >> mode.refresh >> mode.preferredScale >> mode.scales >> properties;
      arg.endStructure();
      mode.current = properties.value(QStringLiteral("is-current")).toBool();
      mode.interlaced = properties.value(QStringLiteral("is-interlaced")).toBool();
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
QList<MutterDisplay::LogicalMonitor> ReadLogicalMonitors(const QDBusArgument& arg) {
  QList<MutterDisplay::LogicalMonitor> logical;
  arg.beginArray();
  while (!arg.atEnd()) {
    MutterDisplay::LogicalMonitor l;
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

const MutterDisplay::Monitor* FindMonitor(const QList<MutterDisplay::Monitor>& monitors, const QString& connector) {
  const auto it = std::find_if(monitors.begin(), monitors.end(),
                               [&](const MutterDisplay::Monitor& m) { return m.connector == connector; });
  return it == monitors.end() ? nullptr : &*it;
}

const MutterDisplay::Mode* CurrentMode(const MutterDisplay::Monitor& monitor) {
  const auto it =
      std::find_if(monitor.modes.begin(), monitor.modes.end(), [](const MutterDisplay::Mode& m) { return m.current; });
  return it == monitor.modes.end() ? nullptr : &*it;
}

// The mode of `monitor` with that size, at the rate nearest `refresh`.
const MutterDisplay::Mode* ModeOfSize(const MutterDisplay::Monitor& monitor, int32_t width, int32_t height,
                                      double refresh) {
  std::vector<desktop::ModeSize> sizes;
  for (const MutterDisplay::Mode& m : monitor.modes) sizes.push_back({m.width, m.height, m.refresh});
  const auto index = desktop::ModeOfSize(sizes, width, height, refresh);
  return index ? &monitor.modes[static_cast<qsizetype>(*index)] : nullptr;
}

desktop::Scales ScalesOf(const MutterDisplay::Mode& mode) {
  return {mode.preferredScale, std::vector<double>(mode.scales.begin(), mode.scales.end())};
}

// A quarter turn (90 or 270 degrees, flipped or not) swaps a monitor's width and height.
bool Rotated(uint32_t transform) { return transform % 2 == 1; }

}  // namespace

const MutterDisplay::LogicalMonitor* MutterDisplay::State::driven() const {
  const auto primary = std::find_if(logical.begin(), logical.end(), [](const LogicalMonitor& l) { return l.primary; });
  const auto chosen = primary != logical.end() ? primary : logical.begin();
  return chosen == logical.end() || chosen->connectors.isEmpty() ? nullptr : &*chosen;
}

const MutterDisplay::Monitor* MutterDisplay::State::display() const {
  const LogicalMonitor* l = driven();
  return l ? FindMonitor(monitors, l->connectors.front()) : nullptr;
}

QList<MutterDisplay::Mode> MutterDisplay::State::offered() const {
  const Monitor* monitor = display();
  if (!monitor) return {};
  QList<Mode> out;
  for (const Mode& mode : monitor->modes) {
    const bool everywhere =
        std::all_of(driven()->connectors.begin(), driven()->connectors.end(), [&](const QString& c) {
          const Monitor* mirror = FindMonitor(monitors, c);
          return mirror && ModeOfSize(*mirror, mode.width, mode.height, mode.refresh);
        });
    if (everywhere) out.append(mode);
  }
  return out;
}

bool MutterDisplay::Available(const QDBusConnection& bus) {
  return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
}

MutterDisplay::MutterDisplay(QDBusConnection bus) : bus_(std::move(bus)) {
  qDBusRegisterMetaType<MonitorAssignment>();
  qDBusRegisterMetaType<QList<MonitorAssignment>>();
  qDBusRegisterMetaType<LogicalAssignment>();
  qDBusRegisterMetaType<QList<LogicalAssignment>>();
}

MutterDisplay::~MutterDisplay() = default;

std::optional<MutterDisplay::State> MutterDisplay::readState() {
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

DevMode MutterDisplay::record(const Monitor& monitor, const Mode& mode) const {
  DevMode m{};
  const QByteArray name = monitor.connector.toUtf8();
  std::strncpy(m.dmDeviceName, name.constData(), sizeof m.dmDeviceName - 1);
  m.dmSize = sizeof(DevMode);
  m.dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFlags | dm::kDisplayFrequency;
  m.dmBitsPerPel = kBitsPerPixel;
  m.dmPelsWidth = mode.width;
  m.dmPelsHeight = mode.height;
  m.dmDisplayFlags = mode.interlaced ? dm::kInterlaced : 0;
  m.dmDisplayFrequency = RoundedHz(mode.refresh);
  return m;
}

bool MutterDisplay::enumMode(int32_t modeNum, DevMode& mode) {
  if (modeNum == 0 || !pass_) {
    auto state = readState();
    pass_ = state ? std::make_unique<State>(std::move(*state)) : nullptr;
    listed_ = pass_ ? pass_->offered() : QList<Mode>{};
  }
  const Monitor* monitor = pass_ ? pass_->display() : nullptr;
  if (!monitor || modeNum < 0 || modeNum >= listed_.size()) {
    pass_.reset();  // the pass is over; the next one looks again
    return false;
  }
  mode = record(*monitor, listed_[modeNum]);
  return true;
}

ScreenMetrics MutterDisplay::metrics() {
  const auto state = readState();
  const Monitor* monitor = state ? state->display() : nullptr;
  const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
  if (!current) return {};
  return {current->width, current->height, kBitsPerPixel, RoundedHz(current->refresh)};
}

QString MutterDisplay::apply(const State& state, const Mode& mode) {
  const LogicalMonitor* driven = state.driven();
  if (!driven) return QStringLiteral("no monitor to drive");

  // The mode each monitor of the driven set takes: its own of that size, at the rate chosen.
  QHash<QString, QString> modeIds;
  std::vector<desktop::Scales> before, after;
  for (const QString& connector : driven->connectors) {
    const Monitor* monitor = FindMonitor(state.monitors, connector);
    const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
    const Mode* next = monitor ? ModeOfSize(*monitor, mode.width, mode.height, mode.refresh) : nullptr;
    if (!current || !next) return QStringLiteral("a mirrored monitor lacks the size");
    modeIds.insert(connector, connector == driven->connectors.front() ? mode.id : next->id);
    before.push_back(ScalesOf(*current));
    after.push_back(ScalesOf(connector == driven->connectors.front() ? mode : *next));
  }

  // The desktop as the service lays it out: a logical monitor covers its first monitor's
  // mode, turned, and in logical layout divided by its scale.
  desktop::Change change;
  change.logical = state.layoutMode == 1;
  for (qsizetype i = 0; i < state.logical.size(); ++i) {
    const LogicalMonitor& l = state.logical[i];
    const Monitor* monitor = l.connectors.isEmpty() ? nullptr : FindMonitor(state.monitors, l.connectors.front());
    const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
    if (!current) return QStringLiteral("a monitor of the layout has no mode");
    int32_t width = Rotated(l.transform) ? current->height : current->width;
    int32_t height = Rotated(l.transform) ? current->width : current->height;
    if (change.logical && l.scale > 0) {
      width = static_cast<int32_t>(std::lround(width / l.scale));
      height = static_cast<int32_t>(std::lround(height / l.scale));
    }
    change.monitors.push_back({{l.x, l.y, width, height}, l.scale});
    if (&l == driven) change.changed = static_cast<size_t>(i);
  }
  change.width = mode.width;
  change.height = mode.height;
  change.rotated = Rotated(driven->transform);
  change.before = desktop::Shared(before);
  change.after = desktop::Shared(after);
  const auto placed = desktop::Relayout(change);
  if (!placed) return QStringLiteral("the desktop would fall apart");

  QList<LogicalAssignment> layout;
  for (qsizetype i = 0; i < state.logical.size(); ++i) {
    const LogicalMonitor& l = state.logical[i];
    const desktop::Monitor& p = (*placed)[static_cast<size_t>(i)];
    LogicalAssignment assignment{p.rect.x, p.rect.y, p.scale, l.transform, l.primary, {}};
    for (const QString& connector : l.connectors) {
      const Monitor* monitor = FindMonitor(state.monitors, connector);
      const Mode* current = monitor ? CurrentMode(*monitor) : nullptr;
      if (!current) return QStringLiteral("a monitor of the layout has no mode");
      QVariantMap properties;
      if (monitor->underscanning) properties.insert(QStringLiteral("underscanning"), true);
      assignment.monitors.append({connector, modeIds.value(connector, current->id), properties});
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

int32_t MutterDisplay::changeMode(DevMode& mode, uint32_t flags) {
  if (flags & ~(kChangeDynamic | kTestOnly)) return disp_change::kBadFlags;
  if (mode.dmPelsWidth <= 0 || mode.dmPelsHeight <= 0) return disp_change::kBadParam;
  pass_.reset();
  // The state is read again after a stale serial (monitors came or went since the first
  // read); the second refusal, whatever it is, is final.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto state = readState();
    const Monitor* monitor = state ? state->display() : nullptr;
    if (!monitor) return disp_change::kFailed;

    // The fields the record says it carries must all agree, as on X11.
    const auto matches = [&](const Mode& m) {
      return m.width == mode.dmPelsWidth && m.height == mode.dmPelsHeight &&
             (!(mode.dmFields & dm::kDisplayFrequency) || mode.dmDisplayFrequency <= 1 ||
              RoundedHz(m.refresh) == mode.dmDisplayFrequency) &&
             (!(mode.dmFields & dm::kDisplayFlags) || m.interlaced == ((mode.dmDisplayFlags & dm::kInterlaced) != 0)) &&
             (!(mode.dmFields & dm::kBitsPerPel) || mode.dmBitsPerPel == kBitsPerPixel);
    };
    const QList<Mode> offered = state->offered();
    const auto found = std::find_if(offered.begin(), offered.end(), matches);
    if (found == offered.end()) return disp_change::kBadMode;
    if (flags & kTestOnly) return disp_change::kSuccessful;

    const QString error = apply(*state, *found);
    if (error.isEmpty()) return disp_change::kSuccessful;
    if (error != kStale) return disp_change::kFailed;
  }
  return disp_change::kFailed;
}

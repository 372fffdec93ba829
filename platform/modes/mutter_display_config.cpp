#include "platform/modes/mutter_display_config.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <cmath>
#include <mutex>

#include "platform/session/trusted_peer.h"

namespace {

constexpr const char* kService = "org.gnome.Mutter.DisplayConfig";
constexpr const char* kPath = "/org/gnome/Mutter/DisplayConfig";
constexpr int kCallTimeoutMs = 1000;
// Setting a mode on real outputs (a modeset, a link training) takes longer.
constexpr int kApplyTimeoutMs = 5000;
constexpr uint32_t kPersistent = 2;

struct Mode {
  QString id;
  int width = 0;
  int height = 0;
  double refresh = 0;
  bool current = false;
  QList<double> scales;  // the scales Mutter accepts with this mode
};

struct Monitor {
  QString connector;
  std::vector<Mode> modes;
};

// What ApplyMonitorsConfig takes: (iiduba(ssa{sv})).
struct MonitorConfig {
  QString connector;
  QString modeId;
  QVariantMap properties;
};
struct LogicalMonitor {
  int x = 0;
  int y = 0;
  double scale = 1;
  uint transform = 0;
  bool primary = false;
  QList<MonitorConfig> monitors;
};

QDBusArgument& operator<<(QDBusArgument& out, const MonitorConfig& config) {
  out.beginStructure();
  out << config.connector << config.modeId << config.properties;
  out.endStructure();
  return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, MonitorConfig& config) {
  in.beginStructure();
  in >> config.connector >> config.modeId >> config.properties;
  in.endStructure();
  return in;
}
QDBusArgument& operator<<(QDBusArgument& out, const LogicalMonitor& logical) {
  out.beginStructure();
  out << logical.x << logical.y << logical.scale << logical.transform << logical.primary
      << logical.monitors;
  out.endStructure();
  return out;
}
const QDBusArgument& operator>>(const QDBusArgument& in, LogicalMonitor& logical) {
  in.beginStructure();
  in >> logical.x >> logical.y >> logical.scale >> logical.transform >> logical.primary >>
      logical.monitors;
  in.endStructure();
  return in;
}

}  // namespace

Q_DECLARE_METATYPE(MonitorConfig)
Q_DECLARE_METATYPE(LogicalMonitor)

namespace platform::modes {
namespace {

constexpr uint kLogicalLayout = 1;  // layout-mode: sizes divided by the scale

struct State {
  uint serial = 0;
  uint layoutMode = 2;
  std::vector<Monitor> monitors;
  // (x, y, scale, transform, primary, connectors) of each logical monitor.
  std::vector<std::tuple<LogicalMonitor, QStringList>> logical;
};

// Mutter's unique name, found to be the user's or root's by available():
// every call goes to that connection, whoever holds the name later.
std::mutex ownerLock;
QString& trustedMutter() {
  static QString owner;
  return owner;
}
QString mutter() {
  const std::lock_guard<std::mutex> held(ownerLock);
  return trustedMutter();
}

// deadlineMs: right after a change mutter may take longer to answer than
// when it is asked what it shows.
std::optional<State> currentState(int deadlineMs = kCallTimeoutMs) {
  if (mutter().isEmpty()) return std::nullopt;
  qDBusRegisterMetaType<MonitorConfig>();
  qDBusRegisterMetaType<QList<MonitorConfig>>();
  qDBusRegisterMetaType<LogicalMonitor>();
  qDBusRegisterMetaType<QList<LogicalMonitor>>();
  const QDBusMessage reply = QDBusConnection::sessionBus().call(
      QDBusMessage::createMethodCall(mutter(), kPath, kService, "GetCurrentState"), QDBus::Block,
      deadlineMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 4) {
    return std::nullopt;
  }
  State state;
  state.serial = reply.arguments()[0].toUInt();
  const QDBusArgument monitors = reply.arguments()[1].value<QDBusArgument>();
  monitors.beginArray();
  while (!monitors.atEnd()) {
    Monitor monitor;
    QString vendor, product, serial;
    monitors.beginStructure();
    monitors.beginStructure();
    monitors >> monitor.connector >> vendor >> product >> serial;
    monitors.endStructure();
    monitors.beginArray();
    while (!monitors.atEnd()) {
      Mode mode;
      double preferredScale = 1;
      QList<double> scales;
      QVariantMap properties;
      monitors.beginStructure();
      monitors >> mode.id >> mode.width >> mode.height >> mode.refresh >> preferredScale >>
          scales >> properties;
      monitors.endStructure();
      mode.current = properties.value("is-current").toBool();
      mode.scales = scales;
      monitor.modes.push_back(mode);
    }
    monitors.endArray();
    QVariantMap properties;
    monitors >> properties;
    monitors.endStructure();
    state.monitors.push_back(monitor);
  }
  monitors.endArray();
  const QDBusArgument logicalMonitors = reply.arguments()[2].value<QDBusArgument>();
  logicalMonitors.beginArray();
  while (!logicalMonitors.atEnd()) {
    LogicalMonitor logical;
    QStringList connectors;
    QVariantMap properties;
    logicalMonitors.beginStructure();
    logicalMonitors >> logical.x >> logical.y >> logical.scale >> logical.transform >>
        logical.primary;
    logicalMonitors.beginArray();
    while (!logicalMonitors.atEnd()) {
      QString connector, vendor, product, serial;
      logicalMonitors.beginStructure();
      logicalMonitors >> connector >> vendor >> product >> serial;
      logicalMonitors.endStructure();
      connectors << connector;
    }
    logicalMonitors.endArray();
    logicalMonitors >> properties;
    logicalMonitors.endStructure();
    state.logical.emplace_back(logical, connectors);
  }
  logicalMonitors.endArray();
  QVariantMap properties;
  reply.arguments()[3].value<QDBusArgument>() >> properties;
  state.layoutMode = properties.value("layout-mode", 2).toUInt();
  return state;
}

const Monitor* find(const State& state, const MonitorName& name) {
  const QString connector = QString::fromStdString(mutterConnectorName(name.connector));
  for (const Monitor& monitor : state.monitors) {
    if (monitor.connector == connector) return &monitor;
  }
  return nullptr;
}

const Mode* currentMode(const Monitor& monitor) {
  for (const Mode& mode : monitor.modes) {
    if (mode.current) return &mode;
  }
  return nullptr;
}

// The scale a logical monitor keeps with a mode: its own where the mode
// lists it, else 1 (Mutter refuses a scale the mode does not list).
double scaleFor(const Mode& mode, double scale) {
  for (double listed : mode.scales) {
    if (std::abs(listed - scale) < 0.001) return scale;
  }
  return 1;
}

// A logical monitor's extent in the layout's coordinates.
int extent(const State& state, int pixels, double scale) {
  return state.layoutMode == kLogicalLayout ? int(std::lround(pixels / scale)) : pixels;
}

// The whole layout goes back, every other monitor at its mode (a monitor left
// out would be switched off). The monitors right of or below the target move
// by the change in its size, so the layout stays adjacent and without
// overlap, as Mutter requires; the primary stays primary.
QList<LogicalMonitor> layoutWith(const State& state, const Monitor& target, const Mode& chosen) {
  const Mode* old = currentMode(target);
  int right = 0, bottom = 0, dx = 0, dy = 0;
  for (const auto& [logical, connectors] : state.logical) {
    if (!connectors.contains(target.connector) || old == nullptr) continue;
    const double newScale = scaleFor(chosen, logical.scale);
    right = logical.x + extent(state, old->width, logical.scale);
    bottom = logical.y + extent(state, old->height, logical.scale);
    dx = extent(state, chosen.width, newScale) - extent(state, old->width, logical.scale);
    dy = extent(state, chosen.height, newScale) - extent(state, old->height, logical.scale);
  }
  QList<LogicalMonitor> layout;
  for (const auto& [logical, connectors] : state.logical) {
    LogicalMonitor copy = logical;
    const bool holdsTarget = connectors.contains(target.connector);
    if (!holdsTarget && old != nullptr) {
      if (logical.x >= right) copy.x += dx;
      if (logical.y >= bottom) copy.y += dy;
    }
    for (const QString& connector : connectors) {
      for (const Monitor& monitor : state.monitors) {
        if (monitor.connector != connector) continue;
        const Mode* mode = &monitor == &target ? &chosen : currentMode(monitor);
        if (mode == nullptr) continue;
        copy.monitors.append({connector, mode->id, {}});
        copy.scale = scaleFor(*mode, copy.scale);
      }
    }
    layout.append(copy);
  }
  return layout;
}

}  // namespace

std::string mutterConnectorName(const std::string& drmConnector) {
  std::string name = drmConnector;
  if (name.rfind("card", 0) == 0 && name.find('-') != std::string::npos) {
    name = name.substr(name.find('-') + 1);
  }
  if (name.rfind("HDMI-A-", 0) == 0) name = "HDMI-" + name.substr(7);
  return name;
}

bool MutterDisplayConfig::available() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  QString why;
  const std::optional<QString> owner =
      bus.isConnected() ? platform::session::trustedOwner(bus, kService, why) : std::nullopt;
  const std::lock_guard<std::mutex> held(ownerLock);
  trustedMutter() = owner.value_or(QString());
  return owner.has_value();
}

std::optional<DisplaySize> MutterDisplayConfig::bounds(const MonitorName& name) {
  const auto state = currentState();
  const Monitor* monitor = state ? find(*state, name) : nullptr;
  const Mode* mode = monitor != nullptr ? currentMode(*monitor) : nullptr;
  if (mode == nullptr) return std::nullopt;
  return DisplaySize{double(mode->width), double(mode->height)};
}

std::optional<std::vector<DisplayMode>> MutterDisplayConfig::modes(const MonitorName& name) {
  const auto state = currentState();
  const Monitor* monitor = state ? find(*state, name) : nullptr;
  if (monitor == nullptr) return std::nullopt;
  std::vector<DisplayMode> list;
  for (const Mode& mode : monitor->modes) {
    list.push_back({uint64_t(mode.width), uint64_t(mode.height), 0});
  }
  return list;
}

bool MutterDisplayConfig::apply(const MonitorName& name, uint64_t width, uint64_t height,
                                std::string& refusal) {
  const auto state = currentState();
  const Monitor* target = state ? find(*state, name) : nullptr;
  if (target == nullptr) return false;
  // The new mode: the size asked for, at the refresh rate shown now if it has it.
  const Mode* now = currentMode(*target);
  const Mode* chosen = nullptr;
  for (const Mode& mode : target->modes) {
    if (uint64_t(mode.width) != width || uint64_t(mode.height) != height) continue;
    if (chosen == nullptr || (now != nullptr && mode.refresh == now->refresh)) chosen = &mode;
  }
  if (chosen == nullptr) return false;
  QList<LogicalMonitor> layout = layoutWith(*state, *target, *chosen);
  QDBusMessage call =
      QDBusMessage::createMethodCall(mutter(), kPath, kService, "ApplyMonitorsConfig");
  call << state->serial << kPersistent << QVariant::fromValue(layout) << QVariantMap();
  const QDBusMessage reply =
      QDBusConnection::sessionBus().call(call, QDBus::Block, kApplyTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    refusal = "GNOME: " + reply.errorMessage().toStdString();
    return false;
  }
  // Success is what the monitor runs now, not that the call returned.
  const auto after = currentState(kApplyTimeoutMs);
  if (!after) {
    refusal = "GNOME did not say which mode the monitor runs after the change";
    return false;
  }
  const Monitor* monitor = find(*after, name);
  const Mode* running = monitor != nullptr ? currentMode(*monitor) : nullptr;
  if (running == nullptr || uint64_t(running->width) != width ||
      uint64_t(running->height) != height) {
    refusal = "GNOME kept the monitor's mode";
    return false;
  }
  return true;
}

}  // namespace platform::modes

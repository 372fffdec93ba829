#include "platform/session/kscreen_doctor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>

namespace platform::session {
namespace {

constexpr const char* kProgram = "kscreen-doctor";
constexpr int kRunTimeoutMs = 10000;
// A runaway answer is not read past this.
constexpr qint64 kMaxOutput = 4 * 1024 * 1024;

struct Output {
  std::vector<DisplayMode> modes;
  std::vector<double> refresh;  // beside modes
  std::optional<DisplaySize> current;
  double currentRefresh = 0;
};

// kscreen-doctor with arguments; its standard output, or nullopt when it failed.
std::optional<QByteArray> run(const QStringList& arguments) {
  QProcess process;
  process.start(kProgram, arguments);
  if (!process.waitForFinished(kRunTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return std::nullopt;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
  const QByteArray output = process.readAllStandardOutput();
  if (output.size() > kMaxOutput) return std::nullopt;
  return output;
}

std::optional<Output> find(const MonitorName& monitor) {
  const auto json = run({"-j"});
  if (!json) return std::nullopt;
  const QString name = QString::fromStdString(kwinConnectorName(monitor.connector));
  for (const QJsonValue& value : QJsonDocument::fromJson(*json).object()["outputs"].toArray()) {
    const QJsonObject output = value.toObject();
    if (output["name"].toString() != name || !output["connected"].toBool()) continue;
    Output found;
    const QString currentId = output["currentModeId"].toVariant().toString();
    for (const QJsonValue& modeValue : output["modes"].toArray()) {
      const QJsonObject mode = modeValue.toObject();
      const QJsonObject size = mode["size"].toObject();
      const int width = size["width"].toInt();
      const int height = size["height"].toInt();
      if (width <= 0 || height <= 0) continue;
      found.modes.push_back({uint64_t(width), uint64_t(height), 0});
      found.refresh.push_back(mode["refreshRate"].toDouble());
      if (mode["id"].toVariant().toString() == currentId) {
        found.current = DisplaySize{double(width), double(height)};
        found.currentRefresh = mode["refreshRate"].toDouble();
      }
    }
    return found;
  }
  return std::nullopt;
}

}  // namespace

std::string kwinConnectorName(const std::string& drmConnector) {
  if (drmConnector.rfind("card", 0) == 0 && drmConnector.find('-') != std::string::npos) {
    return drmConnector.substr(drmConnector.find('-') + 1);
  }
  return drmConnector;
}

bool KScreenDoctor::available() {
  return !QStandardPaths::findExecutable(kProgram).isEmpty();
}

std::optional<DisplaySize> KScreenDoctor::bounds(const MonitorName& monitor) {
  const auto output = find(monitor);
  return output ? output->current : std::nullopt;
}

std::optional<std::vector<DisplayMode>> KScreenDoctor::modes(const MonitorName& monitor) {
  const auto output = find(monitor);
  if (!output) return std::nullopt;
  return output->modes;
}

bool KScreenDoctor::apply(const MonitorName& monitor, uint64_t width, uint64_t height) {
  const auto output = find(monitor);
  if (!output) return false;
  // The size asked for, at the refresh rate shown now if it has it.
  std::optional<double> refresh;
  for (size_t i = 0; i < output->modes.size(); ++i) {
    if (output->modes[i].width != width || output->modes[i].height != height) continue;
    if (!refresh || output->refresh[i] == output->currentRefresh) refresh = output->refresh[i];
  }
  if (!refresh) return false;
  const QString setting = QString("output.%1.mode.%2x%3@%4")
                              .arg(QString::fromStdString(kwinConnectorName(monitor.connector)))
                              .arg(width)
                              .arg(height)
                              .arg(std::lround(*refresh));
  return run({setting}).has_value();
}

}  // namespace platform::session

#include "platform/modes/kscreen_doctor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "platform/modes/output_tool.h"

namespace platform::modes {
namespace {

constexpr const char* kProgram = "kscreen-doctor";

}  // namespace

std::optional<ToolOutput> KScreenDoctor::find(const MonitorName& monitor) {
  const auto json = runOutputTool(kProgram, {"-j"});
  if (!json) return std::nullopt;
  const QString name = QString::fromStdString(kwinConnectorName(monitor.connector));
  for (const QJsonValue& value : QJsonDocument::fromJson(*json).object()["outputs"].toArray()) {
    const QJsonObject output = value.toObject();
    if (output["name"].toString() != name || !output["connected"].toBool()) continue;
    ToolOutput found;
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

bool KScreenDoctor::available() {
  return outputToolInstalled(kProgram);
}

bool KScreenDoctor::setMode(const MonitorName& monitor, uint64_t width, uint64_t height,
                            std::optional<double> refresh) {
  if (!refresh) return false;  // KScreen sets listed modes only
  const QString setting = QString("output.%1.mode.%2x%3@%4")
                              .arg(QString::fromStdString(kwinConnectorName(monitor.connector)))
                              .arg(width)
                              .arg(height)
                              .arg(std::lround(*refresh));
  return runOutputTool(kProgram, {setting}).has_value();
}

}  // namespace platform::modes

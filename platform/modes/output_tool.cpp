#include "platform/modes/output_tool.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform::session {
namespace {

constexpr int kRunTimeoutMs = 10000;
constexpr qint64 kMaxOutput = 4 * 1024 * 1024;

}  // namespace

std::string kwinConnectorName(const std::string& drmConnector) {
  if (drmConnector.rfind("card", 0) == 0 && drmConnector.find('-') != std::string::npos) {
    return drmConnector.substr(drmConnector.find('-') + 1);
  }
  return drmConnector;
}

std::optional<QByteArray> runOutputTool(const char* program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
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

bool outputToolInstalled(const char* program) {
  return !QStandardPaths::findExecutable(program).isEmpty();
}

std::optional<double> refreshFor(const ToolOutput& output, uint64_t width, uint64_t height) {
  std::optional<double> refresh;
  for (size_t i = 0; i < output.modes.size(); ++i) {
    if (output.modes[i].width != width || output.modes[i].height != height) continue;
    if (!refresh || output.refresh[i] == output.currentRefresh) refresh = output.refresh[i];
  }
  return refresh;
}

std::optional<DisplaySize> OutputToolScreenModes::bounds(const MonitorName& monitor) {
  const auto output = find(monitor);
  return output ? output->current : std::nullopt;
}

std::optional<std::vector<DisplayMode>> OutputToolScreenModes::modes(const MonitorName& monitor) {
  const auto output = find(monitor);
  if (!output) return std::nullopt;
  return output->modes;
}

bool OutputToolScreenModes::apply(const MonitorName& monitor, uint64_t width, uint64_t height) {
  const auto output = find(monitor);
  const std::optional<double> refresh = output ? refreshFor(*output, width, height) : std::nullopt;
  return refresh && setMode(monitor, width, height, *refresh);
}

}  // namespace platform::session

#include "platform/modes/output_tool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "platform/mode_failure.h"

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
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const QString& name : environment.keys()) {
    if (name.startsWith("QT_") || name.startsWith("QML")) environment.remove(name);
  }
  process.setProcessEnvironment(environment);
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

std::optional<ToolOutput> OutputToolScreenModes::cachedFind(const MonitorName& monitor) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (const auto known = known_.find(monitor.connector); known != known_.end()) {
      return known->second;
    }
  }
  std::optional<ToolOutput> output = find(monitor);
  std::lock_guard<std::mutex> lock(mutex_);
  known_[monitor.connector] = output;
  return output;
}

void OutputToolScreenModes::outputsChanged() {
  std::lock_guard<std::mutex> lock(mutex_);
  known_.clear();
}

std::optional<DisplaySize> OutputToolScreenModes::bounds(const MonitorName& monitor) {
  const auto output = cachedFind(monitor);
  return output ? output->current : std::nullopt;
}

std::optional<std::vector<DisplayMode>> OutputToolScreenModes::modes(const MonitorName& monitor) {
  const auto output = cachedFind(monitor);
  if (!output) return std::nullopt;
  return output->modes;
}

bool OutputToolScreenModes::apply(const MonitorName& monitor, uint64_t width, uint64_t height) {
  const auto output = cachedFind(monitor);
  const std::optional<double> refresh = output ? refreshFor(*output, width, height) : std::nullopt;
  const bool applied = refresh && setMode(monitor, width, height, *refresh);
  if (!applied) {
    noteModeFailure(refresh ? "the display tool refused the change"
                            : "the desktop lists no such mode for the monitor");
  }
  outputsChanged();
  return applied;
}

}  // namespace platform::session

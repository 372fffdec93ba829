#include "platform/modes/output_tool.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace platform::modes {
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

bool OutputToolScreenModes::apply(const MonitorName& monitor, uint64_t width, uint64_t height,
                                  std::string& refusal) {
  const auto output = cachedFind(monitor);
  if (!output) {
    refusal = "the display tool does not list the monitor's output";
    return false;
  }
  // An output that lists no modes (a virtual one) takes any size as its own.
  const std::optional<double> refresh = refreshFor(*output, width, height);
  if (!refresh && !output->modes.empty()) {
    refusal = "the desktop lists no such mode for the monitor";
    return false;
  }
  const bool ran = setMode(monitor, width, height, refresh);
  outputsChanged();
  // kscreen-doctor 6 exits 0 for a mode it does not know: only a fresh
  // listing says whether the display runs the new size.
  const auto after = ran ? cachedFind(monitor) : std::nullopt;
  if (!after || !after->current || after->current->width != double(width) ||
      after->current->height != double(height)) {
    refusal = ran ? "the display kept its mode after the display tool's change"
                  : "the display tool refused the change";
    return false;
  }
  return true;
}

}  // namespace platform::modes

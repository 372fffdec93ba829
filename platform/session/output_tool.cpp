#include "platform/session/output_tool.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform::session {
namespace {

constexpr int kRunTimeoutMs = 10000;
constexpr qint64 kMaxOutput = 4 * 1024 * 1024;

}  // namespace

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

}  // namespace platform::session

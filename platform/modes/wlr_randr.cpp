#include "platform/modes/wlr_randr.h"

#include <QRegularExpression>
#include <QString>

#include "platform/modes/output_tool.h"

namespace platform::modes {
namespace {

constexpr const char* kProgram = "wlr-randr";

}  // namespace

// wlr-randr (0.2 to 0.4) lists each output as a line of its own name, then
// indented details; its modes as "    1600x1200 px, 60.000000 Hz (preferred,
// current)". A size without a refresh rate ("1280x720 px (current)", a
// virtual output's) is what the output runs, not a mode it offers.
std::optional<ToolOutput> WlrRandr::find(const MonitorName& monitor) {
  const auto listing = runOutputTool(kProgram, {});
  if (!listing) return std::nullopt;
  const QString name = QString::fromStdString(kwinConnectorName(monitor.connector));
  static const QRegularExpression modeLine(R"(^\s+(\d+)x(\d+) px(?:, ([0-9.]+) Hz)?(.*)$)");
  bool inside = false;
  std::optional<ToolOutput> found;
  for (const QString& line : QString::fromUtf8(*listing).split('\n')) {
    if (!line.startsWith(' ') && !line.isEmpty()) {
      inside = line.section(' ', 0, 0) == name;
      if (inside) found = ToolOutput{};
      continue;
    }
    const QRegularExpressionMatch mode = modeLine.match(line);
    if (!inside || !mode.hasMatch()) continue;
    const uint64_t width = mode.captured(1).toULongLong();
    const uint64_t height = mode.captured(2).toULongLong();
    const double refresh = mode.captured(3).toDouble();
    if (refresh > 0) {
      found->modes.push_back({width, height, 0});
      found->refresh.push_back(refresh);
    }
    if (mode.captured(4).contains("current")) {
      found->current = DisplaySize{double(width), double(height)};
      found->currentRefresh = refresh;
    }
  }
  return found;
}

bool WlrRandr::available() {
  return outputToolInstalled(kProgram);
}

bool WlrRandr::setMode(const MonitorName& monitor, uint64_t width, uint64_t height,
                       std::optional<double> refresh) {
  const QString output = QString::fromStdString(kwinConnectorName(monitor.connector));
  if (!refresh) {
    return runOutputTool(kProgram, {"--output", output, "--custom-mode",
                                    QString("%1x%2@60Hz").arg(width).arg(height)})
        .has_value();
  }
  return runOutputTool(kProgram,
                       {"--output", output, "--mode",
                        QString("%1x%2@%3Hz").arg(width).arg(height).arg(*refresh, 0, 'f', 6)})
      .has_value();
}

}  // namespace platform::modes

#include "app/instance_status.h"

#include <cstdio>

#include "app/command_messages.h"
#include "app/running_instance.h"
#include "app/standard_streams.h"
#include "core/link_state.h"
#include "core/mode_table.h"

namespace {

// Only where the monitor works with another threshold than the saved one: the
// connection sends none, so until the contrast is changed it keeps its own.
void printThresholdOnMonitor(const QVariantMap& values, const ModeRow* row, unsigned threshold) {
  if (!values.value("Online").toBool() || row == nullptr || row->thresholdCommand == nullptr ||
      !values.contains("ThresholdOnMonitor"))
    return;
  const int onMonitor = values.value("ThresholdOnMonitor").toInt();
  if (onMonitor == kThresholdNotSent) {
    std::printf(
        "threshold on the monitor: its own until the contrast is changed "
        "(none is sent when it connects)\n");
  } else if (onMonitor >= 0 && static_cast<unsigned>(onMonitor) != threshold) {
    std::printf("threshold on the monitor: %d\n", onMonitor);
  }
}

}  // namespace

int printStatus(RunningInstance& instance) {
  const QVariantMap values = instance.properties();
  const unsigned mode = values.value("ShowMode").toUInt();
  const unsigned resolution = values.value("ResCommMode").toUInt();
  std::printf("online: %s\n", values.value("Online").toBool() ? "yes" : "no");
  // Only after the worker gave the link up: why, until the monitor is back.
  if (const QString lost = values.value("LinkLost").toString();
      !values.value("Online").toBool() && !lost.isEmpty()) {
    std::printf("link lost: %s\n", qPrintable(printable(lost)));
  }
  const ModeRow* row = modeRow(mode);
  std::printf("mode: %s (%u)\n", row != nullptr ? row->name : "unknown", mode);
  const unsigned threshold = values.value("Threshold").toUInt();
  std::printf("threshold: %u\n", threshold);
  printThresholdOnMonitor(values, row, threshold);
  std::printf("resolution mode: %s (%u)\n",
              resolution == 1   ? "flexible"
              : resolution == 2 ? "fixed"
                                : "unknown",
              resolution);
  // Only where the monitor follows the task: without rules the status stays
  // the four lines scripts read.
  if (!values.value("Rules").toStringList().isEmpty()) {
    const QString focused = values.value("FocusedApplication").toString();
    std::printf("focused application: %s\n",
                focused.isEmpty() ? "not known" : qPrintable(printable(focused)));
    std::printf("mode chosen by: %s\n", values.value("ModeChosenBy").toString() == "rule"
                                            ? "the application's rule"
                                            : "the user");
    std::printf("focus from: %s\n", qPrintable(printable(values.value("FocusSource").toString())));
  }
  // Nothing printed (output closed at start, or a full disk) is no status given.
  return standardOutputWasClosed() || std::fflush(stdout) != 0 || std::ferror(stdout) ? 1 : 0;
}

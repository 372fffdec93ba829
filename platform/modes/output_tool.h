#pragma once
// The compositors' own display tools (kscreen-doctor, wlr-randr), run as
// commands: bounded in time and in what is read back.

#include <QByteArray>
#include <QStringList>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/display_services.h"
#include "platform/screen_modes.h"

namespace platform::modes {

// The tool's standard output when it ran and exited 0; nullopt otherwise.
// It runs without the program's Qt variables (a QT_QPA_PLATFORM of xcb makes
// kscreen-doctor fail under KWin).
std::optional<QByteArray> runOutputTool(const char* program, const QStringList& arguments);
bool outputToolInstalled(const char* program);

// One output's modes as a tool lists them, each with its refresh rate.
struct ToolOutput {
  std::vector<DisplayMode> modes;
  std::vector<double> refresh;
  std::optional<DisplaySize> current;
  double currentRefresh = 0;
};

// The refresh rate for a new size: the one shown now if the size has it,
// else the size's first; nullopt when the output has no such size.
std::optional<double> refreshFor(const ToolOutput& output, uint64_t width, uint64_t height);

// KWin's and wlroots' name of a DRM connector: "card1-HDMI-A-1" -> "HDMI-A-1".
std::string kwinConnectorName(const std::string& drmConnector);

// A compositor reached through its display tool: the tool lists the
// monitor's output, and sets one output's mode. What it listed is kept until
// the outputs change (outputsChanged) or a mode is applied, so that the
// worker's pass, which asks for the size every time, runs no tool.
class OutputToolScreenModes : public ScreenModes {
 public:
  std::optional<DisplaySize> bounds(const MonitorName& monitor) override;
  std::optional<std::vector<DisplayMode>> modes(const MonitorName& monitor) override;
  bool apply(const MonitorName& monitor, uint64_t width, uint64_t height,
             std::string& refusal) override;
  // From any thread: the next question runs the tool again.
  void outputsChanged();

 protected:
  virtual std::optional<ToolOutput> find(const MonitorName& monitor) = 0;
  // refresh is nullopt for an output that lists no modes of its own.
  virtual bool setMode(const MonitorName& monitor, uint64_t width, uint64_t height,
                       std::optional<double> refresh) = 0;

 private:
  std::optional<ToolOutput> cachedFind(const MonitorName& monitor);

  std::mutex mutex_;
  std::map<std::string, std::optional<ToolOutput>> known_;  // by connector
};

}  // namespace platform::modes

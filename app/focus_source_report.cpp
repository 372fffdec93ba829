#include "app/focus_source_report.h"

#include "app/running_instance.h"
#include "platform/input/gnome_shell_focus.h"
#include "platform/session/session_type.h"

std::optional<std::string> reportedFocusSource(const std::optional<QVariantMap>& state) {
  if (state && state->contains("FocusSource")) {
    return state->value("FocusSource").toString().toStdString() + " (the running instance's)";
  }
  if (const auto session = platform::session::detectSession();
      session.wayland && session.isGnome()) {
    platform::input::GnomeShellFocus shell;
    std::string why;
    return shell.start(why) ? shell.describe() : "none: " + why;
  }
  return std::nullopt;
}

std::optional<std::string> reportedFocusSource(const base::ModelProfile& model) {
  QString error;
  return reportedFocusSource(runningInstanceState(model, error));
}

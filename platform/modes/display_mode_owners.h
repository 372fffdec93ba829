#pragma once
// The one place that picks who owns the monitor's display modes in this
// session. The X server does in an X11 session; in a Wayland session the
// compositor does: GNOME's over D-Bus, KDE's through kscreen-doctor,
// wlroots' through wlr-randr.

#include <string>

#include "platform/modes/kscreen_doctor.h"
#include "platform/modes/mutter_display_config.h"
#include "platform/modes/wlr_randr.h"
#include "platform/modes/xrandr_screen.h"
#include "platform/session/session_type.h"

namespace platform::modes {

class DisplayModeOwners {
 public:
  // nullptr: nobody this program can ask.
  ScreenModes* forSession(const session::SessionType& session);
  // What forSession picks, for --diagnose and the log.
  static std::string describe(const session::SessionType& session);
  // The outputs changed (a screen came, went or changed its size): the
  // display tools are asked again.
  void outputsChanged();

 private:
  struct Owner {
    const char* name;
    bool (*available)(const session::SessionType& session);
    ScreenModes& (*tool)(DisplayModeOwners& owners);
  };
  // The first owner available in the session; nullptr for none.
  static const Owner* ownerFor(const session::SessionType& session);

  platform::modes::XRandRScreen xrandr_;
  modes::MutterDisplayConfig mutter_;
  modes::KScreenDoctor kscreen_;
  modes::WlrRandr wlroots_;
};

}  // namespace platform::modes

#include "platform/modes/display_mode_owners.h"

namespace platform::modes {

namespace {

enum class Owner { kNone, kXRandR, kMutter, kKScreen, kWlroots };

Owner ownerFor(const session::SessionType& session) {
  if (!session.wayland) return Owner::kXRandR;
  if (MutterDisplayConfig::available()) return Owner::kMutter;
  if (session.isKde() && KScreenDoctor::available()) return Owner::kKScreen;
  if (!session.isGnome() && !session.isKde() && WlrRandr::available()) return Owner::kWlroots;
  return Owner::kNone;
}

}  // namespace

ScreenModes* DisplayModeOwners::forSession(const session::SessionType& session) {
  switch (ownerFor(session)) {
    case Owner::kXRandR:
      return &xrandr_;
    case Owner::kMutter:
      return &mutter_;
    case Owner::kKScreen:
      return &kscreen_;
    case Owner::kWlroots:
      return &wlroots_;
    case Owner::kNone:
      break;
  }
  return nullptr;
}

void DisplayModeOwners::outputsChanged() {
  kscreen_.outputsChanged();
  wlroots_.outputsChanged();
}

std::string DisplayModeOwners::describe(const session::SessionType& session) {
  if (!session.wayland && !session.x11) return "none (no graphical session)";
  switch (ownerFor(session)) {
    case Owner::kXRandR:
      return "XRandR";
    case Owner::kMutter:
      return "org.gnome.Mutter.DisplayConfig";
    case Owner::kKScreen:
      return "kscreen-doctor";
    case Owner::kWlroots:
      return "wlr-randr";
    case Owner::kNone:
      break;
  }
  // Where the desktop's own tool would do, the user is told which to install.
  if (session.isKde()) {
    return "none: KDE's display tool kscreen-doctor is not installed (package libkscreen-bin; "
           "on Plasma 5 libkf5screen-bin)";
  }
  if (!session.isGnome()) {
    return "none: wlr-randr is not installed (package wlr-randr), or this desktop is not a "
           "wlroots one";
  }
  return "none (this session does not let the program change the resolution)";
}

}  // namespace platform::modes

#pragma once
// The three hotkeys in a Wayland session, where the desktop keeps keys to
// itself: as the desktop's global shortcuts (the GlobalShortcuts portal,
// bound once: GNOME asks the user in a dialog, Plasma 5.27 opens System
// Settings) or, on GNOME without the portal, as GNOME's own custom
// shortcuts, offered in Settings. Kept in step with Settings while the
// program runs, and carried out as the hotkeys are.

#include <QTimer>
#include <string>
#include <vector>

#include "base/model_profile.h"
#include "platform/input/global_shortcuts_portal.h"
#include "platform/session/session_type.h"

class DesktopShortcuts {
 public:
  explicit DesktopShortcuts(const base::ModelProfile& model);
  // Hands the hotkeys to the desktop as it takes them; false (and says so
  // once in the system log) where it takes none.
  bool start(const platform::session::SessionType& session);
  // For --diagnose, without a running instance: what carries the hotkeys on
  // this desktop and what to do where nothing does. Only looks: it binds and
  // writes nothing.
  static QString lookWithoutInstance(const base::ModelProfile& model,
                                     const platform::session::SessionType& session);
  // Takes the program's hotkeys out of the desktop (GNOME's own entries,
  // KDE's components under the app id and the former names), for a program
  // that does not run; what was taken out, one description each.
  static std::vector<std::string> forgetDesktopEntries(const base::ModelProfile& model);
  // "bind AltoControl --hotkey contrast-up, ... in the desktop's keyboard settings.\n"
  static std::string bindAdvice(const base::ModelProfile& model);
  // What carries the hotkeys in this instance, for --diagnose beside it:
  // "X11 key grab", "the GlobalShortcuts portal (bound)", "none (...)".
  QString path() const { return path_; }

 private:
  void startPortal(bool gnome);
  void startGnomeShortcuts();
  void settled(platform::input::GlobalShortcutsPortal::Outcome outcome, uint code);
  void followSettings();
  void setCarried(bool carried, const QString& path);
  void tellOfFormerKdeBindings();

  const base::ModelProfile& model_;
  platform::input::GlobalShortcutsPortal portal_;
  QTimer watch_;
  std::string asSet_;  // the hotkeys as last handed to the desktop
  bool gnomeShortcutsOn_ = false;
  bool kde_ = false;
  QString path_ = "X11 key grab";
};

#pragma once
// The three hotkeys as the desktop's global shortcuts in a Wayland session
// (the GlobalShortcuts portal), registered again when they change in
// Settings and carried out as the hotkeys are.

#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "base/model_profile.h"
#include "platform/input/global_shortcuts_portal.h"
#include "platform/session/session_type.h"

class AppDelegate;

class DesktopShortcuts {
 public:
  DesktopShortcuts(const ModelProfile& model, AppDelegate& delegate);
  // Registers the hotkeys with the portal; false (and says so once in the
  // system log) where no portal offers global shortcuts.
  bool start(const platform::session::SessionType& session);
  // For --diagnose: asks the portal to take the hotkeys, as a start does, and
  // waits for its answer: 0 when the desktop took them, else the portal's
  // code; nullopt without a portal or an answer.
  static std::optional<uint> probe(const ModelProfile& model);
  // "bind AltoControl --contrast-up, ... in the desktop's keyboard settings.\n"
  static std::string bindAdvice(const ModelProfile& model);
  // What carries the hotkeys in this instance, for --diagnose beside it:
  // "X11 key grab", "the GlobalShortcuts portal (bound)", "none (...)".
  QString path() const { return path_; }

 private:
  static std::vector<platform::session::PortalShortcut> shortcuts();
  void reportRegistration(uint code);

  const ModelProfile& model_;
  AppDelegate& delegate_;
  platform::session::GlobalShortcutsPortal portal_;
  QTimer watch_;
  QString registered_;  // the triggers last registered
  QString path_ = "X11 key grab";
};

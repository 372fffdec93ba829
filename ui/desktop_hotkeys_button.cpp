#include "ui/desktop_hotkeys_button.h"

#include <string>

#include "core/desktop_hotkey_offer.h"
#include "platform/platform.h"
#include "ui/captions.h"

DesktopHotkeysButton::DesktopHotkeysButton(QWidget* parent) : QPushButton(parent) {
  setObjectName("DesktopHotkeysButton");
  connect(this, &QPushButton::clicked, this, [this] { press(); });
  hide();
}

void DesktopHotkeysButton::showState(bool english) {
  english_ = english;
  const DesktopHotkeyOffer& offer = desktopHotkeyOffer();
  const bool held = offer.offered() && offer.held();
  setVisible(offer.offered() && (!held || offer.takesBack));
  setText(caption(held ? Caption::kRemove : Caption::kAddToGnomeShortcuts, english));
}

void DesktopHotkeysButton::press() {
  const DesktopHotkeyOffer& offer = desktopHotkeyOffer();
  if (!offer.offered()) return;
  std::string why;
  if (!offer.set(!offer.held(), why)) {
    const std::string title =
        english_ ? "GNOME's keyboard shortcuts were not changed" : "GNOME 键盘快捷键未更改";
    platform::app().runModalAlert({title, why, {english_ ? "Ok" : "确定"}, 1});
  }
  showState(english_);
}

#pragma once
// The activity and hotkey handler: every key press, mouse movement or scroll
// restarts the idle count; the three hotkeys raise requests for the worker.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/app_framework.h"

// Event types the handler sees: mouse moved, key down, scroll wheel.
constexpr uint64_t kActivityEventMask = 0x400420;

enum class Hotkey { kContrastUp, kContrastDown, kRefresh };

// The hotkey of a desktop's name for it ("contrast-up", "contrast-down",
// "refresh"), as the portal, the desktops' entries and D-Bus name them.
std::optional<Hotkey> hotkeyNamed(const std::string& id);

// For every event of kActivityEventMask.
void handleActivityEvent(const platform::Event& event);
// A hotkey's combination seen, here or by the desktop (the shortcuts portal):
// the enable boxes decide, as they do for the key combinations.
void hotkeyPressed(Hotkey hotkey);
// Activity anywhere in the session, from the session's idle source.
void sessionActivity();
// The hotkeys' actions, with the model's limits, flags and log lines.
void contrastStep(bool up);
// The refresh as its hotkey asks for it, for callers that are not the key
// combination (the desktop, the tray): the enable box is the key's, not the action's.
void refreshRequest();

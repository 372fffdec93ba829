#pragma once
// Qt's key and modifier events in this program's key codes and modifier word.

#include <QKeyEvent>
#include <cstdint>
#include <optional>

#include "platform/app_framework.h"

namespace platform::qt {

// The modifier word of Qt's keyboard modifiers.
uint64_t modifiersFromQt(unsigned qtModifiers);

// Translates a Qt key event into this program's key code and modifier word;
// x11Keycode is the event's native scan code (0 where there is none) and
// nativeModifiers its native modifier state, which alone carries Caps Lock.
bool eventFromQtKey(int qtKey, unsigned qtModifiers, uint32_t x11Keycode, uint32_t nativeModifiers,
                    Event& event);

// A key press, or a modifier key's press or release (the modifier word
// only); nullopt for the release of any other key. A key without a code of
// ours is a key down without one.
std::optional<Event> eventFromQtKeyEvent(const QKeyEvent& key, bool pressed);

}  // namespace platform::qt

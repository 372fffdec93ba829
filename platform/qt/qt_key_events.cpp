#include "platform/qt/qt_key_events.h"

#include "platform/input/key_table.h"
#include "platform/key_codes.h"

namespace platform::qt {
namespace {

// X11's Lock bit in a key event's native modifier state; Qt has no Caps Lock modifier.
constexpr uint32_t kX11LockMask = 1u << 1;

uint64_t modifierOfKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Shift:
      return kModifierShift;
    case Qt::Key_Control:
      return kModifierControl;
    case Qt::Key_Alt:
      return kModifierOption;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
      return kModifierCommand;
    default:
      return 0;
  }
}

}  // namespace

uint64_t modifiersFromQt(unsigned qtModifiers) {
  uint64_t flags = 0;
  if (qtModifiers & Qt::ShiftModifier) flags |= kModifierShift;
  if (qtModifiers & Qt::ControlModifier) flags |= kModifierControl;
  if (qtModifiers & Qt::AltModifier) flags |= kModifierOption;
  if (qtModifiers & Qt::MetaModifier) flags |= kModifierCommand;
  if (qtModifiers & Qt::KeypadModifier) flags |= kModifierNumericPad;
  return flags;
}

bool eventFromQtKey(int qtKey, unsigned qtModifiers, uint32_t x11Keycode, uint32_t nativeModifiers,
                    Event& event) {
  event.type = kEventKeyDown;
  event.modifierFlags = modifiersFromQt(qtModifiers);
  if (nativeModifiers & kX11LockMask) event.modifierFlags |= kModifierCapsLock;
  // On X11 the key's position is known and names it whatever the layout;
  // elsewhere the Qt key value stands for the US position.
  auto key = x11Keycode > 8 ? platform::input::keyForEvdev(x11Keycode - 8) : std::nullopt;
  if (!key) {
    key = platform::input::keyForQtKey(static_cast<uint32_t>(qtKey),
                                       (qtModifiers & Qt::KeypadModifier) != 0);
  }
  if (!key) return false;
  event.keyCode = key->keyCode;
  event.hasKeyCode = true;
  event.modifierFlags |= key->ownModifiers;
  return true;
}

std::optional<Event> eventFromQtKeyEvent(const QKeyEvent& key, bool pressed) {
  Event event;
  if (const uint64_t modifier = modifierOfKey(key.key())) {
    // A modifier key alone changes the modifier word only.
    event.type = kEventFlagsChanged;
    event.modifierFlags = modifiersFromQt(key.modifiers());
    if (pressed) {
      event.modifierFlags |= modifier;
    } else {
      event.modifierFlags &= ~modifier;
    }
    return event;
  }
  if (!pressed) return std::nullopt;
  if (!eventFromQtKey(key.key(), key.modifiers(), key.nativeScanCode(), key.nativeModifiers(),
                      event)) {
    event.hasKeyCode = false;
  }
  return event;
}

}  // namespace platform::qt

#pragma once
// The platform layer: the one way the monitor link, the core and the UI reach
// the display services, the application framework and the keyboard services.
// Depends on nothing but the standard library. main() installs the real
// services once; tests install their own.

#include "platform/app_framework.h"
#include "platform/display_services.h"
#include "platform/keyboard_services.h"

namespace platform {

struct Services {
  DisplayServices* displays = nullptr;
  AppFramework* app = nullptr;
  KeyboardServices* keyboard = nullptr;
};

void install(const Services& services);

DisplayServices& displays();
AppFramework& app();
KeyboardServices& keyboard();

}  // namespace platform

// quillmark-display-bus i2c-N: udev asks it whether the I2C adapter i2c-N is
// a display's bus, before giving the logged-in user access to /dev/i2c-N.

#include <cstring>

#include "platform/buses/display_bus_rule.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strncmp(argv[1], "i2c-", 4) != 0 || std::strchr(argv[1], '/') != nullptr) {
    return 2;
  }
  const bool display =
      platform::buses::isDisplayBus("/sys/class/i2c-dev", "/sys/class/drm", argv[1]);
  return display ? 0 : 1;
}

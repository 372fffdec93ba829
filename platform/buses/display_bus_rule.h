#pragma once
// Which I2C adapters are a display's buses, from sysfs alone: the rule the
// udev helper (quillmark-display-bus) applies before giving the user access,
// and the one the program applies before it probes a bus for an EDID.
//
// An adapter of a display adapter (PCI class 0x03xxxx) is a display bus when
// a DRM connector links it (its ddc link, or a DisplayPort AUX adapter below
// the connector). Where a driver links none of its connectors' buses
// (NVIDIA's proprietary driver), every adapter counts but those the driver
// names as something else (amdgpu's SMU). A display adapter without any
// connector (a compute GPU) has no display buses.

#include <string>

namespace platform::buses {

// i2cDevRoot: the i2c-dev class folder (/sys/class/i2c-dev); drmRoot: the
// DRM class folder (/sys/class/drm); bus: "i2c-N".
bool isDisplayBus(const std::string& i2cDevRoot, const std::string& drmRoot,
                  const std::string& bus);

}  // namespace platform::buses

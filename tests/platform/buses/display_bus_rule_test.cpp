#include "platform/buses/display_bus_rule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;
using platform::buses::isDisplayBus;

// A fake /sys laid out as the kernel lays it out: adapters and connectors
// below their PCI device, the class folders as links into it.
class FakeSysfs {
 public:
  FakeSysfs() {
    char pattern[] = "/tmp/quillmark-busrule-XXXXXX";
    root_ = mkdtemp(pattern);
    fs::create_directories(root_ / "class/i2c-dev");
    fs::create_directories(root_ / "class/drm");
  }
  ~FakeSysfs() { fs::remove_all(root_); }

  fs::path pciDevice(const std::string& slot, const std::string& pciClass) {
    const fs::path device = root_ / "devices/pci0000:00" / slot;
    write(device / "class", pciClass);
    return device;
  }
  // An adapter below parent (a PCI device, or a connector for an AUX channel).
  fs::path adapter(const fs::path& parent, int bus, const std::string& name) {
    const fs::path path = parent / ("i2c-" + std::to_string(bus));
    write(path / "name", name);
    const fs::path entry = root_ / "class/i2c-dev" / ("i2c-" + std::to_string(bus));
    fs::create_directories(entry);
    fs::create_directory_symlink(path, entry / "device");
    return path;
  }
  fs::path connector(const fs::path& device, const std::string& name, const fs::path& ddc = {}) {
    const fs::path path = device / "drm" / name.substr(0, name.find('-')) / name;
    write(path / "status", "connected");
    if (!ddc.empty()) fs::create_directory_symlink(ddc, path / "ddc");
    fs::create_directory_symlink(path, root_ / "class/drm" / name);
    return path;
  }
  bool display(int bus) const {
    return isDisplayBus((root_ / "class/i2c-dev").string(), (root_ / "class/drm").string(),
                        "i2c-" + std::to_string(bus));
  }

 private:
  static void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text << "\n";
  }
  fs::path root_;
};

struct DriverCase {
  const char* driver;
  void (*build)(FakeSysfs&);
  std::map<int, bool> expected;  // bus -> a display's bus
};

const DriverCase kDrivers[] = {
    {"i915: gmbus pins, one linked as ddc, and a DP AUX channel",
     [](FakeSysfs& sys) {
       const fs::path gpu = sys.pciDevice("0000:00:02.0", "0x030000");
       sys.adapter(gpu, 1, "i915 gmbus ssc");
       const fs::path dpb = sys.adapter(gpu, 4, "i915 gmbus dpb");
       sys.connector(gpu, "card0-HDMI-A-1", dpb);
       const fs::path dp = sys.connector(gpu, "card0-DP-1");
       sys.adapter(dp, 7, "AUX A/DDI A/PHY A");
     },
     {{1, false}, {4, true}, {7, true}}},
    {"amdgpu: DM buses linked, the SMU adapter not a display's",
     [](FakeSysfs& sys) {
       const fs::path gpu = sys.pciDevice("0000:03:00.0", "0x030000");
       const fs::path hw = sys.adapter(gpu, 10, "AMDGPU DM i2c hw bus 0");
       sys.adapter(gpu, 12, "AMDGPU SMU 0");
       sys.connector(gpu, "card1-DP-1", hw);
       const fs::path dp = sys.connector(gpu, "card1-DP-2");
       sys.adapter(dp, 13, "AMDGPU DM aux hw bus 1");
     },
     {{10, true}, {12, false}, {13, true}}},
    {"nouveau: the connector's bus, not the card's others",
     [](FakeSysfs& sys) {
       const fs::path gpu = sys.pciDevice("0000:01:00.0", "0x030000");
       const fs::path bus = sys.adapter(gpu, 20, "nvkm-0000:01:00.0-bus-0005");
       sys.adapter(gpu, 21, "nvkm-0000:01:00.0-bus-0006");
       sys.connector(gpu, "card0-DVI-D-1", bus);
     },
     {{20, true}, {21, false}}},
    {"NVIDIA proprietary: no links, every bus as before",
     [](FakeSysfs& sys) {
       const fs::path gpu = sys.pciDevice("0000:01:00.0", "0x030000");
       sys.adapter(gpu, 30, "NVIDIA i2c adapter 1 at 1:00.0");
       sys.adapter(gpu, 31, "NVIDIA i2c adapter 3 at 1:00.0");
       sys.connector(gpu, "card0-HDMI-A-1");
     },
     {{30, true}, {31, true}}},
    {"a compute GPU: no connectors, no display buses",
     [](FakeSysfs& sys) {
       const fs::path gpu = sys.pciDevice("0000:41:00.0", "0x030200");
       sys.adapter(gpu, 40, "NVIDIA i2c adapter 1 at 41:00.0");
     },
     {{40, false}}},
    {"an SMBus controller and a missing bus",
     [](FakeSysfs& sys) {
       const fs::path smbus = sys.pciDevice("0000:00:1f.4", "0x0c0500");
       sys.adapter(smbus, 0, "SMBus I801 adapter");
     },
     {{0, false}, {99, false}}},
};

TEST(DisplayBusRuleTest, EachDriversBusesAsItLinksThem) {
  for (const DriverCase& driver : kDrivers) {
    SCOPED_TRACE(driver.driver);
    FakeSysfs sys;
    driver.build(sys);
    for (const auto& [bus, expected] : driver.expected) {
      EXPECT_EQ(sys.display(bus), expected) << "i2c-" << bus;
    }
  }
}

// On a real boot the connectors may come after the buses: the answer follows
// the tree as it is when asked again (udev asks again on a connector's add).
TEST(DisplayBusRuleTest, ConnectorsAppearingLaterChangeTheAnswer) {
  FakeSysfs sys;
  const fs::path gpu = sys.pciDevice("0000:03:00.0", "0x030000");
  const fs::path hw = sys.adapter(gpu, 10, "AMDGPU DM i2c hw bus 0");
  sys.adapter(gpu, 12, "AMDGPU SMU 0");
  EXPECT_FALSE(sys.display(10));
  sys.connector(gpu, "card0-DP-1", hw);
  EXPECT_TRUE(sys.display(10));
  EXPECT_FALSE(sys.display(12));
}

}  // namespace

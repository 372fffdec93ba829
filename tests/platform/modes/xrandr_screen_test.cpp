#include "platform/modes/xrandr_screen.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace platform;
using namespace platform::modes;

// The screen after a mode change is the bounding box of the enabled outputs,
// rotations counted: it shrinks as well as grows.
TEST(XRandRScreenSize, BoundingBoxOfEnabledOutputs) {
  struct Case {
    const char* name;
    std::vector<CrtcArea> crtcs;
    DisplaySize expected;
  };
  const Case cases[] = {
      {"monitor alone, from 1600x1200 to fixed", {{0, 0, 1100, 825, false}}, {1100, 825}},
      {"laptop left, monitor right",
       {{0, 0, 1920, 1080, false}, {1920, 0, 1100, 825, false}},
       {3020, 1080}},
      {"monitor turned upright", {{0, 0, 1100, 825, true}}, {825, 1100}},
      {"monitor below, rotated",
       {{0, 0, 1600, 900, false}, {0, 900, 1100, 825, true}},
       {1600, 2000}},
  };
  for (const Case& c : cases) {
    const DisplaySize size = screenSizeFor(c.crtcs);
    EXPECT_EQ(size.width, c.expected.width) << c.name;
    EXPECT_EQ(size.height, c.expected.height) << c.name;
  }
}

}  // namespace

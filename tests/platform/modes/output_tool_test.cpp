#include "platform/modes/output_tool.h"

#include <gtest/gtest.h>

namespace {

using platform::DisplayMode;
using platform::DisplaySize;
using platform::MonitorName;
using platform::modes::OutputToolScreenModes;
using platform::modes::ToolOutput;

// A display tool that counts how often it is run. Like kscreen-doctor 6, it
// may report success for a change the display never makes.
class CountingTool : public OutputToolScreenModes {
 public:
  int listings = 0;
  std::vector<std::pair<uint64_t, std::optional<double>>> set;
  bool refuses = false;
  bool ignores = false;
  bool listsModes = true;
  DisplaySize current{1600, 1200};

 protected:
  std::optional<ToolOutput> find(const MonitorName&) override {
    ++listings;
    ToolOutput output;
    if (listsModes) {
      output.modes = {DisplayMode{1600, 1200, 0}, DisplayMode{1100, 825, 0}};
      output.refresh = {60.0, 59.94};
    }
    output.current = current;
    output.currentRefresh = 60.0;
    return output;
  }
  bool setMode(const MonitorName&, uint64_t width, uint64_t height,
               std::optional<double> refresh) override {
    set.emplace_back(width, refresh);
    if (!refuses && !ignores) current = DisplaySize{double(width), double(height)};
    return !refuses;
  }
};

// The worker asks for the size on every pass: the tool runs once, and again
// only after the outputs changed or a mode was applied.
TEST(OutputToolTest, ListedOnceUntilTheOutputsChange) {
  CountingTool tool;
  const MonitorName monitor{"card1-HDMI-A-1", {}};
  for (int pass = 0; pass < 50; ++pass) ASSERT_TRUE(tool.bounds(monitor));
  EXPECT_TRUE(tool.modes(monitor));
  EXPECT_EQ(tool.listings, 1);
  tool.outputsChanged();
  EXPECT_TRUE(tool.bounds(monitor));
  EXPECT_EQ(tool.listings, 2);
  // The mode's own refresh rate; the listing is read again after the change.
  std::string refusal;
  EXPECT_TRUE(tool.apply(monitor, 1100, 825, refusal));
  EXPECT_EQ(tool.set, (std::vector<std::pair<uint64_t, std::optional<double>>>{{1100, 59.94}}));
  EXPECT_EQ(tool.listings, 3);
  EXPECT_EQ(tool.bounds(monitor)->width, 1100);
  EXPECT_EQ(tool.listings, 3);
}

TEST(OutputToolTest, RefusalsAndMissingSizesAreFailuresWithAReason) {
  CountingTool tool;
  const MonitorName monitor{"card1-HDMI-A-1", {}};
  std::string refusal;
  EXPECT_FALSE(tool.apply(monitor, 800, 600, refusal));
  EXPECT_EQ(refusal, "the desktop lists no such mode for the monitor");
  EXPECT_TRUE(tool.set.empty());
  tool.refuses = true;
  EXPECT_FALSE(tool.apply(monitor, 1100, 825, refusal));
  EXPECT_EQ(refusal, "the display tool refused the change");
  // The tool said yes and the display runs what it ran before: read back, a failure.
  tool.refuses = false;
  tool.ignores = true;
  EXPECT_FALSE(tool.apply(monitor, 1100, 825, refusal));
  EXPECT_EQ(refusal, "the display kept its mode after the display tool's change");
  EXPECT_EQ(tool.bounds(monitor)->width, 1600);
}

// A virtual output lists no modes: any size is asked for as its own.
TEST(OutputToolTest, AnOutputWithoutModesTakesTheSizeAsACustomMode) {
  CountingTool tool;
  tool.listsModes = false;
  const MonitorName monitor{"card0-HEADLESS-1", {}};
  std::string refusal;
  EXPECT_TRUE(tool.apply(monitor, 1100, 825, refusal));
  EXPECT_EQ(tool.set, (std::vector<std::pair<uint64_t, std::optional<double>>>{{1100, {}}}));
}

}  // namespace

#include <QSet>
#include <random>

#include "emulator/eink_panel.h"
#include "emulator/test_picture.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

using emulator::EinkPanel;
using emulator::PanelInput;

QSet<int> greysIn(const QImage& image) {
  QSet<int> greys;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) greys.insert(row[x]);
  }
  return greys;
}

double meanGrey(const QImage& image) {
  double sum = 0;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) sum += row[x];
  }
  return sum / (image.width() * image.height());
}

// The monitor is driven by the program's own commands; the preview is read
// from the state they leave.
class EinkPreviewTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    monitor = &attachMonitor(1);
    TLMonitorID = 1;
  }
  PanelInput input() const { return emulator::panelInputFor(model(), monitor->state(), display); }
  QImage drawn() const { return emulator::drawAs(picture, input().drawing); }
  void sendThreshold(uint8_t showMode, uint8_t value) {
    switch (showMode) {
      case 1:
        SendMonitorFloydThreshold(value);
        break;
      case 2:
        SendMonitorA2Threshold(value);
        break;
      case 4:
        SendMonitorLowA5Threshold(value);
        break;
      default:
        SendMonitorLowA2Threshold(value);  // also what A16 would be sent, were it sent any
    }
  }

  emulator::QuillmarkMonitor* monitor = nullptr;
  emulator::DisplaySettings display;
  QImage picture = emulator::makeTestPicture({440, 330});
};

// Each mode's greys, and whether moving its threshold inside the window
// changes the pixels: A2, A5 and Floyd do, the A16 modes do not.
TEST_P(EinkPreviewTest, EachModeDrawsItsGreysAndFollowsItsThreshold) {
  struct Case {
    uint8_t showMode;
    uint8_t low, high;  // two thresholds inside the mode's window
    int maxGreys;
    bool followsThreshold;
  };
  const uint8_t a5Low = tenor() ? 60 : 90, a5High = tenor() ? 190 : 160;
  const Case cases[] = {{1, 2, 8, 2, true},       {2, 140, 230, 2, true},
                        {3, 140, 230, 16, false}, {4, a5Low, a5High, 5, true},
                        {5, 140, 230, 2, true},   {6, 140, 230, 16, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.showMode);
    SendMonitorRes(c.showMode > 3 ? 2 : 1);
    SendModeSelect(c.showMode);
    sendThreshold(c.showMode, c.low);
    const QImage light = drawn();
    sendThreshold(c.showMode, c.high);
    const QImage dark = drawn();
    EXPECT_LE(greysIn(dark).size(), c.maxGreys);
    EXPECT_GE(greysIn(dark).size(), c.maxGreys == 16 ? 12 : c.maxGreys);
    EXPECT_EQ(light != dark, c.followsThreshold);
    // A higher threshold makes a darker picture.
    if (c.followsThreshold) {
      EXPECT_LT(meanGrey(dark), meanGrey(light));
    }
    EXPECT_EQ(input().size, c.showMode > 3 ? QSize(1100, 825) : QSize(1600, 1200));
  }
}

// The A5 window is the model's own: a Tenor draws with 60, an Alto holds it at 80.
TEST_P(EinkPreviewTest, TheFixedA5WindowIsTheModels) {
  SendMonitorRes(2);
  SendModeSelect(4);
  SendMonitorLowA5Threshold(60);
  EXPECT_EQ(input().drawing.threshold, tenor() ? 60 : 80);
  SendMonitorLowA5Threshold(250);
  EXPECT_EQ(input().drawing.threshold, tenor() ? 234 : 200);
}

// A mode or threshold change leaves a ghost of the picture before; only a
// clear takes it away, after a black and a white flash.
TEST_P(EinkPreviewTest, AClearRemovesTheGhostOfThePictureBefore) {
  EinkPanel panel([this](QSize size) { return emulator::fitted(picture, size); });
  display.width = 440;
  display.height = 330;
  SendModeSelect(3);
  panel.show(input(), 0);
  EXPECT_FALSE(panel.changing(0));
  EXPECT_EQ(panel.frame(0), drawn());

  SendModeSelect(2);
  SendMonitorA2Threshold(200);
  panel.show(input(), 1000);
  EXPECT_TRUE(panel.changing(1000 + EinkPanel::kUpdateMs / 2));
  const uint64_t settled = 1000 + EinkPanel::kUpdateMs;
  EXPECT_FALSE(panel.changing(settled));
  EXPECT_EQ(panel.target(), drawn());
  EXPECT_NE(panel.frame(settled), drawn());
  EXPECT_GT(greysIn(panel.frame(settled)).size(), 2);  // the A16 picture shows through the A2 one
  EXPECT_EQ(panel.frame(settled + 60000), panel.frame(settled));  // and stays
  EXPECT_TRUE(panel.ghosted());

  SendClearMonitor(false);
  const uint64_t cleared = settled + 5000;
  panel.show(input(), cleared);
  EXPECT_EQ(greysIn(panel.frame(cleared)), QSet<int>{0});
  EXPECT_EQ(greysIn(panel.frame(cleared + EinkPanel::kClearMs * 3 / 4)), QSet<int>{255});
  EXPECT_EQ(panel.frame(cleared + EinkPanel::kClearMs), drawn());
  EXPECT_FALSE(panel.changing(cleared + EinkPanel::kClearMs));
  EXPECT_FALSE(panel.ghosted());

  // Another picture comes in as an update does, over the ghost of this one.
  QImage other(440, 330, QImage::Format_Grayscale8);
  other.fill(90);
  panel.setPicture([other](QSize size) { return emulator::fitted(other, size); }, 20000);
  EXPECT_EQ(panel.target(), emulator::drawAs(other, input().drawing));
  EXPECT_TRUE(panel.changing(20000));
}

// A screen save blanks the picture, an unplugged cable leaves no signal, and
// the picture takes the size of the resolution mode.
TEST_P(EinkPreviewTest, SaveUnplugAndResolutionShowOnThePanel) {
  EinkPanel panel([](QSize size) { return emulator::makeTestPicture(size); });
  panel.show(input(), 0);
  const QImage picture = panel.frame(0);
  EXPECT_EQ(picture.size(), QSize(1600, 1200));

  SendScreenSave(true);
  panel.show(input(), 10000);
  const QImage saving = panel.target();
  EXPECT_GT(meanGrey(saving), 250);  // blank but for its mark
  EXPECT_LT(meanGrey(saving), 255);
  SendScreenSave(false);
  SendTurnOffMonitor(true);
  panel.show(input(), 15000);
  EXPECT_LT(meanGrey(panel.target()), 60);
  SendTurnOffMonitor(false);
  display.plugged = false;
  panel.show(input(), 20000);
  EXPECT_LT(meanGrey(panel.target()), 60);

  display.plugged = true;
  SendMonitorRes(2);
  panel.show(input(), 30000);
  EXPECT_EQ(panel.frame(30000).size(), QSize(1100, 825));

  SendMonitorRes(1);
  display.width = 16000;
  display.height = 4000;
  EXPECT_EQ(input().size, QSize(2200, 550));
  // Any size the computer may set draws, down to a single pixel.
  for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(2200, 1), QSize(7, 900)}) {
    EXPECT_EQ(emulator::makeTestPicture(size).size(), size);
  }
}

// Whatever the monitor and the computer do in whatever order, every frame has
// the picture's size and greys only, mid-update, mid-clear and settled.
TEST_P(EinkPreviewTest, AnySequenceOfStatesGivesWholeFrames) {
  EinkPanel panel([](QSize size) {
    QImage ramp(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x)
        ramp.scanLine(y)[x] = static_cast<uchar>((x + y) % 256);
    }
    return ramp;
  });
  const QSize sizes[] = {{1, 1}, {3, 2}, {640, 480}, {2200, 1}, {1, 900}};
  std::mt19937 random(GetParam() == &base::tenorProfile() ? 2 : 1);
  emulator::DeviceState state;
  uint64_t now = 0;
  for (int step = 0; step < 300; ++step) {
    const QSize size = sizes[random() % 5];
    display.width = static_cast<uint32_t>(size.width());
    display.height = static_cast<uint32_t>(size.height());
    display.plugged = random() % 8 != 0;
    state.showMode = static_cast<uint8_t>(random() % 8);
    state.resolutionMode = random() % 6 == 0 ? 2 : 1;
    state.thresholds[random() % 12] = static_cast<uint8_t>(random());
    state.screenSaved = random() % 6 == 0;
    state.turnedOff = random() % 10 == 0;
    state.clears += random() % 4 == 0;
    const PanelInput shown = emulator::panelInputFor(model(), state, display);
    panel.show(shown, now);
    now += random() % 2000;
    const QImage frame = panel.frame(now);
    ASSERT_EQ(frame.size(), shown.size) << step;
    ASSERT_EQ(frame.format(), QImage::Format_Grayscale8) << step;
  }
}

INSTANTIATE_FOR_BOTH_MODELS(EinkPreviewTest);

}  // namespace

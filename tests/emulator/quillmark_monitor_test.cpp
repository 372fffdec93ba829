#include "emulator/quillmark_monitor.h"

#include <algorithm>

#include "core/parameters.h"
#include "core/threshold_mapping.h"
#include "emulator/wire_text.h"
#include "link/ddc_transport.h"
#include "link/display_discovery.h"
#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

class QuillmarkMonitorTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    monitor = &attachMonitor(1);
    TLMonitorID = 1;
  }
  bool poll(uint8_t* reply) {
    const uint8_t data[2] = {1, 1};
    return TLMonitorReadData(1, data, 2, reply, 11);
  }
  emulator::QuillmarkMonitor* monitor = nullptr;
};

// With strict timing a message less than 50 ms after a write is refused and
// the refusal is on the record, with the gap before every message.
TEST_P(QuillmarkMonitorTest, StrictTimingRefusesMessagesTooSoonAfterAWrite) {
  emulator::QuillmarkMonitor strict(model(), [this] { return uint64_t(platform.now * 1000); });
  strict.setStrictTiming(true);
  const uint8_t heartbeat[] = {0x51, 0x84, 0x03, 0x08, 0x01, 0x01, 0xB0};
  uint8_t reply[11];
  struct Step {
    double at;
    bool write;
    bool acknowledged;
    int64_t gap;
  };
  const Step steps[] = {{0.000, true, true, -1},  {0.010, true, false, 10},
                        {0.070, true, true, 60},  {0.110, false, false, 40},
                        {0.170, false, true, 60}, {0.175, true, true, 5}};
  for (const Step& step : steps) {
    platform.now = step.at;
    const bool acknowledged = step.write ? strict.write(0x37, heartbeat, sizeof heartbeat)
                                         : strict.read(0x37, reply, sizeof reply);
    EXPECT_EQ(acknowledged, step.acknowledged) << step.at;
    EXPECT_EQ(strict.transactions().back().gapMs, step.gap) << step.at;
    EXPECT_EQ(strict.transactions().back().nak.empty(), step.acknowledged) << step.at;
  }
}

TEST_P(QuillmarkMonitorTest, EDIDHasAValidChecksumAndTheModelName) {
  const auto& edid = monitor->edid();
  ASSERT_EQ(edid.size(), 128u);
  EXPECT_EQ(EDIDSum(edid.data(), edid.size()), -1);
  const std::string name(edid.begin() + 95, edid.begin() + 108);
  EXPECT_EQ(name, tenor() ? "Quillmark T N" : "TALVEN Alto\n ");
}

TEST_P(QuillmarkMonitorTest, CommandsChangeItsState) {
  SendModeSelect(5);
  SendMonitorRes(2);
  SendMonitorLowA2Threshold(190);
  SendClearMonitor(false);
  SendScreenSave(true);
  SendHeartSignal(true);
  const auto state = monitor->state();
  EXPECT_EQ(state.showMode, 5);
  EXPECT_EQ(state.resolutionMode, 2);
  EXPECT_EQ(state.thresholds[10], 190);
  EXPECT_EQ(state.clears, 1u);
  EXPECT_TRUE(state.screenSaved);
  EXPECT_EQ(state.heartbeats, 1u);
  EXPECT_EQ(state.malformedFrames, 0u);
}

TEST_P(QuillmarkMonitorTest, PollsTakeEventsInOrderThenHeartbeat) {
  monitor->pressModeButton(2);
  monitor->reportThreshold(9, 4);
  uint8_t reply[11];
  // A plain reply read (as after a command) does not take an event.
  ASSERT_TRUE(TLMonitorReadData(1, nullptr, 0, reply, 11));
  EXPECT_EQ(reply[7], 1);
  ASSERT_TRUE(poll(reply));
  EXPECT_EQ(reply[7], 7);
  EXPECT_EQ(reply[9], 2);
  ASSERT_TRUE(poll(reply));
  EXPECT_EQ(reply[7], 9);
  EXPECT_EQ(reply[9], 4);
  ASSERT_TRUE(poll(reply));
  EXPECT_EQ(reply[7], 1);
  EXPECT_EQ(reply[9], 2);
}

TEST_P(QuillmarkMonitorTest, FaultsShowOnTheWire) {
  uint8_t reply[11];
  monitor->setFault(emulator::Fault::BadChecksum);
  EXPECT_FALSE(poll(reply));
  monitor->setFault(emulator::Fault::WrongCode);
  EXPECT_FALSE(poll(reply));
  monitor->setFault(emulator::Fault::NoAnswer);
  EXPECT_FALSE(SendHeartSignal(true));
  monitor->setFault(emulator::Fault::Nak);
  EXPECT_TRUE(SendMonitorRes(1));
  EXPECT_NE(takeStdout().find("failed setting type 4 .\n"), std::string::npos);
  monitor->setFault(emulator::Fault::None);
  EXPECT_TRUE(poll(reply));
}

TEST_P(QuillmarkMonitorTest, MalformedFramesAreCountedAndRefused) {
  const uint8_t bad[7] = {0x51, 0x84, 0x03, 0x08, 0x07, 0x01, 0x00};
  monitor->write(0x37, bad, sizeof bad);
  EXPECT_EQ(monitor->state().malformedFrames, 1u);
  EXPECT_EQ(monitor->state().showMode, 2);
  uint8_t reply[11];
  monitor->read(0x37, reply, 11);
  EXPECT_EQ(reply[0], 0);
}

TEST_P(QuillmarkMonitorTest, RecordsEveryTransactionWithItsTime) {
  platform.now = 2.5;
  SendHeartSignal(true);
  uint8_t reply[11];
  poll(reply);
  const auto records = monitor->transactions();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].op, "write");
  EXPECT_EQ(records[0].tMs, 2500u);
  EXPECT_EQ(records[1].op, "write");
  EXPECT_EQ(records[2].op, "read");
  EXPECT_EQ(records[2].request, (std::vector<uint8_t>{0x51, 0x82, 0x01, 0x08, 0x01, 0x01, 0xB4}));
  EXPECT_EQ(records[2].reply.size(), 11u);
}

// The contrast keys move the threshold of the mode in force by one level and
// report that level the way the program reads it: the threshold the program
// derives from the report maps back to the value the monitor now holds.
TEST_P(QuillmarkMonitorTest, ContrastKeysStepTheLevelAndReportItAsTheProgramReadsIt) {
  struct Case {
    uint8_t showMode, reportType, reg;
  };
  const Case cases[] = {{1, 8, 8}, {2, 9, 9}, {4, 11, 11}, {5, 9, 10}};
  uint8_t reply[11];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.showMode);
    SendModeSelect(c.showMode);
    ShowMode = c.showMode;
    int expected = 5;  // none sent: the middle level
    for (int step : {1, 1, -1, 9, -20}) {
      const int direction = step > 0 ? 1 : -1;
      for (int i = 0; i < std::abs(step); ++i) {
        ASSERT_TRUE(monitor->stepContrast(direction));
        ASSERT_TRUE(poll(reply));
      }
      expected = std::clamp(expected + step, 1, 9);
      EXPECT_EQ(reply[7], c.reportType);
      EXPECT_EQ(reply[9], expected);
      const uint16_t userThreshold = convert_to_threshold(reply[9]);
      EXPECT_EQ(threshold_calculate(userThreshold), monitor->state().thresholds[c.reg]);
    }
  }
  // A level turned on the monitor is drawn with when it is the mode in force's.
  SendModeSelect(2);
  monitor->reportThreshold(9, 7);
  monitor->reportThreshold(11, 2);
  EXPECT_EQ(monitor->state().thresholds[9], 220);
  EXPECT_EQ(monitor->state().thresholds[11],
            emulator::valueOfLevel(emulator::thresholdWindow(model(), 4), 1));

  SendModeSelect(3);
  while (poll(reply) && reply[7] != 1) {
  }
  EXPECT_FALSE(monitor->stepContrast(1));
  ASSERT_TRUE(poll(reply));
  EXPECT_EQ(reply[7], 1);  // no report from an A16 mode
}

TEST(WireText, MessagesInWords) {
  const auto write = [](std::vector<uint8_t> bytes) {
    emulator::WireRecord record;
    record.op = "write";
    record.address = 0x37;
    record.bytes = std::move(bytes);
    return emulator::describe(record);
  };
  const auto reported = [](uint8_t type, uint8_t data, uint8_t requestCode = 0x08) {
    emulator::WireRecord record;
    record.op = "read";
    record.address = 0x37;
    record.request = {0x51, 0x82, 0x01, requestCode, 0x01, 0x01, 0};
    record.reply.assign(11, 0);
    record.reply[7] = type;
    record.reply[9] = data;
    return emulator::describe(record);
  };
  EXPECT_EQ(write(commandFrame(9, 190)), "threshold A2 190");
  EXPECT_EQ(write(commandFrame(10, 175)), "threshold A2 fixed 175");
  EXPECT_EQ(write(commandFrame(8, 4)), "threshold Floyd 4");
  EXPECT_EQ(write(commandFrame(6, 2)), "clear");
  EXPECT_EQ(write(commandFrame(1, 1)), "heartbeat");
  EXPECT_EQ(write(commandFrame(7, 0x14)), "mode A5 fixed");
  EXPECT_EQ(write(commandFrame(4, 2)), "resolution fixed 1100x825");
  EXPECT_EQ(write(commandFrame(2, 1)), "screen save on");
  EXPECT_EQ(write({0x51, 0x82, 0x01, 0x08, 0x01, 0x01, 0xB4}), "");  // a poll's request
  EXPECT_EQ(write({0x51, 0x84}), "malformed message");
  EXPECT_EQ(reported(1, 2), "");
  EXPECT_EQ(reported(7, 2), "reported mode key 2");
  EXPECT_EQ(reported(7, 8), "reported woke");
  EXPECT_EQ(reported(11, 3), "reported contrast A5 level 3");
  EXPECT_EQ(reported(0, 0, 0x04), "command not accepted");

  emulator::RecentMessages recent(3);
  for (const char* text :
       {"mode A2", "threshold A2 190", "heartbeat", "", "heartbeat", "clear", "heartbeat"}) {
    recent.add(text);
  }
  EXPECT_EQ(recent.lines(), (std::vector<std::string>{"heartbeat ×2", "clear", "heartbeat"}));
}

TEST(FaultNames, ParseEveryKind) {
  emulator::Fault fault = emulator::Fault::None;
  EXPECT_TRUE(emulator::parseFault("no-bus", fault));
  EXPECT_EQ(fault, emulator::Fault::NoBus);
  EXPECT_TRUE(emulator::parseFault("none", fault));
  EXPECT_EQ(fault, emulator::Fault::None);
  EXPECT_FALSE(emulator::parseFault("sometimes", fault));
}

INSTANTIATE_FOR_BOTH_MODELS(QuillmarkMonitorTest);

}  // namespace

#include "link/monitor_commands.h"

#include <functional>

#include "tests/support/fixture.h"

namespace {

using testing_platform::ScriptedDevice;
using testing_platform::statusReply;

class MonitorCommandsTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    device.reply = statusReply(1, 1, 2);
    platform.addDisplay(5, {testing_platform::TestBus{true, &device}});
    TLMonitorID = 5;
  }
  ScriptedDevice device;
};

struct CommandCase {
  const char* name;
  std::function<bool()> send;
  std::vector<uint8_t> packet;
  bool statusRead;
  std::vector<double> sleeps;
};

TEST_P(MonitorCommandsTest, EveryCommandPacketWaitAndRead) {
  const std::vector<CommandCase> cases = {
      {"heart on", [] { return SendHeartSignal(true); }, {0x01, 0x01}, false, {}},
      {"heart off", [] { return SendHeartSignal(false); }, {0x01, 0x02}, false, {}},
      {"screen save on", [] { return SendScreenSave(true); }, {0x02, 0x01}, false, {0.6}},
      {"screen save off", [] { return SendScreenSave(false); }, {0x02, 0x00}, false, {0.6}},
      {"turn off", [] { return SendTurnOffMonitor(true); }, {0x03, 0x01}, true, {0.2}},
      {"resolution", [] { return SendMonitorRes(0x13); }, {0x04, 0x03}, true, {0.2}},
      {"threshold", [] { return SendMonitorThreshold(77); }, {0x05, 77}, false, {0.5}},
      {"clear true", [] { return SendClearMonitor(true); }, {0x06, 0x01}, false, {0.5}},
      {"clear false", [] { return SendClearMonitor(false); }, {0x06, 0x02}, false, {0.5}},
      {"mode", [] { return SendModeSelect(0x24); }, {0x07, 0x04}, false, {0.8}},
      {"floyd", [] { return SendMonitorFloydThreshold(5); }, {0x08, 5}, false, {0.5}},
      {"a2", [] { return SendMonitorA2Threshold(200); }, {0x09, 200}, false, {0.5}},
      {"low a2", [] { return SendMonitorLowA2Threshold(190); }, {0x0A, 190}, false, {0.5}},
      {"low a5", [] { return SendMonitorLowA5Threshold(160); }, {0x0B, 160}, false, {0.5}},
  };
  for (const auto& c : cases) {
    platform.requests.clear();
    platform.sleeps.clear();
    EXPECT_TRUE(c.send()) << c.name;
    ASSERT_FALSE(platform.requests.empty()) << c.name;
    EXPECT_EQ(platform.requests[0].sent, commandFrame(c.packet[0], c.packet[1])) << c.name;
    EXPECT_EQ(platform.sleeps, c.sleeps) << c.name;
    const bool readsAfter = !c.sleeps.empty();
    ASSERT_EQ(platform.requests.size(), readsAfter ? 2u : 1u) << c.name;
    if (c.statusRead) {
      // The post-write status request names the command type as its code.
      EXPECT_EQ(platform.requests[1].sent[3], c.packet[0]) << c.name;
      EXPECT_EQ(platform.requests[1].record.replyBytes, 11u) << c.name;
    } else if (readsAfter) {
      EXPECT_TRUE(platform.requests[1].sent.empty()) << c.name;
      EXPECT_EQ(platform.requests[1].record.replyBytes, 11u) << c.name;
    }
  }
}

TEST_P(MonitorCommandsTest, NoMonitorMeansNoTrafficAndOnlyTheModeLine) {
  TLMonitorID = 0;
  EXPECT_FALSE(SendModeSelect(2));
  EXPECT_FALSE(SendClearMonitor(true));
  EXPECT_FALSE(SendHeartSignal(true));
  EXPECT_FALSE(SendMonitorRes(1));
  EXPECT_TRUE(platform.requests.empty());
  EXPECT_TRUE(platform.sleeps.empty());
  const std::string out = takeStdout();
  EXPECT_NE(out.find("_____ 7 2 ____\n"), std::string::npos);
  EXPECT_EQ(out.find("call clean blur"), std::string::npos);
}

TEST_P(MonitorCommandsTest, ClearAndModeLogTheirLines) {
  SendClearMonitor(false);
  SendModeSelect(5);
  const std::string out = takeStdout();
  EXPECT_NE(out.find("call clean blur++++++++++++\n"), std::string::npos);
  EXPECT_NE(out.find("_____ 7 5 ____\n"), std::string::npos);
}

TEST_P(MonitorCommandsTest, PostWriteStatusNotAcceptedStillSucceeds) {
  device.reply = statusReply(0, 1, 2);
  EXPECT_TRUE(SendMonitorRes(2));
  EXPECT_NE(takeStdout().find("failed setting type 4 .\n"), std::string::npos);
}

TEST_P(MonitorCommandsTest, PostWriteStatusReadFailureFails) {
  device.reply = statusReply(1, 1, 2);
  device.reply[10] ^= 0xFF;
  EXPECT_FALSE(SendMonitorRes(1));
  EXPECT_NE(takeStdout().find("failed read status.\n"), std::string::npos);
}

TEST_P(MonitorCommandsTest, FailedWriteSkipsTheStatusReadButWaitAndReadStillRun) {
  device.acknowledges = false;
  EXPECT_FALSE(SendMonitorRes(1));
  EXPECT_EQ(platform.requests.size(), 1u);
  EXPECT_TRUE(platform.sleeps.empty());
  platform.requests.clear();
  device.acknowledges = true;
  device.reply = statusReply(1, 1, 2);
  platform.displayList[0].buses[0].device = nullptr;  // nothing answers the write
  EXPECT_FALSE(SendModeSelect(1));
  EXPECT_EQ(platform.requests.size(), 2u);
  EXPECT_EQ(platform.sleeps, std::vector<double>{0.8});
}

TEST_P(MonitorCommandsTest, FirstBusThatOpensCarriesWritesAndReads) {
  ScriptedDevice other;
  other.reply = statusReply(1, 1, 2);
  platform.addDisplay(
      9, {testing_platform::TestBus{false, &device}, testing_platform::TestBus{true, &other}});
  TLMonitorID = 9;
  EXPECT_TRUE(SendHeartSignal(true));
  uint8_t reply[11];
  const uint8_t data[2] = {1, 1};
  EXPECT_TRUE(TLMonitorReadData(9, data, 2, reply, 11));
  ASSERT_EQ(platform.requests.size(), 2u);
  EXPECT_EQ(platform.requests[0].bus, 1u);
  EXPECT_EQ(platform.requests[1].bus, 1u);
  EXPECT_TRUE(device.writes.empty());
}

TEST_P(MonitorCommandsTest, DisplayWithoutServiceOrBusesGetsNothing) {
  uint8_t output[11];
  std::fill(std::begin(output), std::end(output), 0x5A);
  platform.displayList[0].hasService = false;
  EXPECT_FALSE(TLMonitorReadData(5, nullptr, 0, output, 11));
  platform.displayList[0].hasService = true;
  platform.displayList[0].busCountKnown = false;
  EXPECT_FALSE(TLMonitorWriteData(5, output, 2, false));
  platform.displayList[0].busCountKnown = true;
  platform.displayList[0].buses[0].opens = false;
  EXPECT_FALSE(TLMonitorReadData(5, nullptr, 0, output, 11));
  EXPECT_FALSE(TLMonitorReadData(77, nullptr, 0, output, 11));  // no longer online
  EXPECT_TRUE(platform.requests.empty());
  EXPECT_EQ(output[0], 0x5A);  // left untouched
}

INSTANTIATE_FOR_BOTH_MODELS(MonitorCommandsTest);

}  // namespace

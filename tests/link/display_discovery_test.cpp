#include "link/display_discovery.h"

#include <cstring>

#include "link/monitor_commands.h"
#include "tests/support/fixture.h"

namespace {

using testing_platform::ScriptedDevice;
using testing_platform::TestBus;

// A device that answers EDID reads with a given block.
class EDIDDevice : public ScriptedDevice {
 public:
  explicit EDIDDevice(std::vector<uint8_t> block) { reply = std::move(block); }
};

std::vector<uint8_t> edidNamed(const char* name, size_t length) {
  auto edid = emulator::makeEDID(emulator::Model::Alto);
  std::memset(edid.data() + 95, ' ', 13);
  std::memcpy(edid.data() + 95, name, length);
  uint8_t sum = 0;
  for (size_t i = 0; i < 127; ++i) sum = static_cast<uint8_t>(sum + edid[i]);
  edid[127] = static_cast<uint8_t>(0x100 - sum);
  return edid;
}

class DisplayDiscoveryTest : public ModelTest {
 protected:
  std::vector<uint8_t> ownName() const {
    return tenor() ? edidNamed("Quillmark T N", 13) : edidNamed("TALVEN", 6);
  }
  size_t trafficTo(platform::DisplayID id) const {
    size_t count = 0;
    for (const auto& request : platform.requests) count += request.display == id;
    return count;
  }
};

TEST_P(DisplayDiscoveryTest, EDIDReadRecordAndLines) {
  EDIDDevice device(ownName());
  platform.addDisplay(3, {TestBus{true, &device}});
  platform::BusCause cause;
  auto connection = platform.i2cInterfaceOpen({3, 0}, cause);
  uint8_t edid[128];
  std::memset(edid, 0xCC, sizeof edid);
  EDIDRead(connection.get(), edid);
  const auto& request = platform.requests.back();
  EXPECT_EQ(request.sent, std::vector<uint8_t>{0x00});
  EXPECT_EQ(request.record.sendTransactionType, 1u);
  EXPECT_EQ(request.record.sendAddress, 0xA0u);
  EXPECT_EQ(request.record.sendBytes, 1u);
  EXPECT_EQ(request.record.replyTransactionType, 1u);
  EXPECT_EQ(request.record.replyAddress, 0xA1u);
  EXPECT_EQ(request.record.replyBytes, 128u);
  EXPECT_EQ(request.record.minReplyDelay, 0u);
  EXPECT_EQ(request.record.replySubAddress, 0);
  EXPECT_EQ(std::vector<uint8_t>(edid, edid + 128), device.reply);
  EXPECT_EQ(platform.stderrText, "/* Read result 0x0, 0x80 bytes */\n/* Checksums ok */\n");
}

TEST_P(DisplayDiscoveryTest, EDIDSumFindsTheFirstBadBlock) {
  std::vector<uint8_t> blocks(384, 0);
  EXPECT_EQ(EDIDSum(blocks.data(), blocks.size()), -1);
  blocks[200] = 1;
  EXPECT_EQ(EDIDSum(blocks.data(), blocks.size()), 1);
  blocks[5] = 3;
  EXPECT_EQ(EDIDSum(blocks.data(), blocks.size()), 0);
}

TEST_P(DisplayDiscoveryTest, EDIDDumpFormat) {
  const uint8_t bytes[17] = {0x00, 0xff, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0xab};
  EDIDDump(bytes, sizeof bytes);
  EXPECT_EQ(platform.stderrText,
            "/*    0    1    2    3    4    5    6    7    8    9    A    B    C    D    E    F */"
            "\n    0x00,0xff,0x02,0x03,0x04,0x05,0x06,0x07,0x08,0x09,0x0a,0x0b,0x0c,0x0d,0x0e,0x0f,"
            "\n    0xab,\n");
}

TEST_P(DisplayDiscoveryTest, FirstOfTwoMatchingDisplaysWins) {
  EDIDDevice first(ownName()), second(ownName());
  platform.addDisplay(7, {TestBus{true, &first}});
  platform.addDisplay(4, {TestBus{true, &second}});
  EXPECT_TRUE(DetectMonitor());
  EXPECT_EQ(TLMonitorID.load(), 7u);
  EXPECT_EQ(trafficTo(4), 0u);
  EXPECT_EQ(platform.systemLogLines, std::vector<std::string>{"Find ext display ID(7)"});
  const std::string out = takeStdout();
  EXPECT_NE(out.find("display ID is 7 , numDisplays = 2.\ndisplay ID as 7.\n"), std::string::npos);
  EXPECT_NE(out.find("found talvex monitor.\n"), std::string::npos);
}

TEST_P(DisplayDiscoveryTest, NameComparisonLength) {
  struct Case {
    const char* name;
    size_t length;
    bool altoMatches;
    bool tenorMatches;
  };
  const Case cases[] = {
      {"TALVEN", 6, true, false},        {"TALVEN Alto", 11, true, false},
      {"TALVE\0", 6, false, false},      {"Quillmark T N", 13, false, true},
      {"Quillmark T", 11, false, false}, {"talven", 6, false, false},
  };
  for (const auto& c : cases) {
    platform.displayList.clear();
    EDIDDevice device(edidNamed(c.name, c.length));
    platform.addDisplay(2, {TestBus{true, &device}});
    EXPECT_EQ(ValidationEDID(2), tenor() ? c.tenorMatches : c.altoMatches) << c.name;
  }
}

TEST_P(DisplayDiscoveryTest, BadChecksumIsAcceptedAfterItsLine) {
  auto edid = ownName();
  edid[127] ^= 0x01;
  EDIDDevice device(edid);
  platform.addDisplay(2, {TestBus{true, &device}});
  EXPECT_TRUE(DetectMonitor());
  EXPECT_NE(platform.stderrText.find("/* Block 0 checksum bad */\n"), std::string::npos);
}

TEST_P(DisplayDiscoveryTest, LogsTheNameBytesOfEveryBusTried) {
  EDIDDevice other(edidNamed("OTHERM", 6)), mine(ownName());
  platform.addDisplay(2, {TestBus{true, &other}, TestBus{false, &mine}, TestBus{true, &mine}});
  EXPECT_TRUE(ValidationEDID(2));
  EXPECT_EQ(platform.stderrText.find("/* Bus 0: */\n"), 0u);
  EXPECT_NE(platform.stderrText.find("/* Bus 1: */\n/* Bus 2: */\n"), std::string::npos);
  const std::string out = takeStdout();
  EXPECT_NE(out.find("OTHERM\n"), std::string::npos);
  EXPECT_NE(out.find(tenor() ? "Quillm\n" : "TALVEN\n"), std::string::npos);
}

TEST_P(DisplayDiscoveryTest, FailedDetectionKeepsTheOldMonitor) {
  EDIDDevice mine(ownName());
  platform.addDisplay(6, {TestBus{true, &mine}});
  ASSERT_TRUE(DetectMonitor());
  platform.displayList.clear();
  EDIDDevice other(edidNamed("SOMEONE", 7));
  platform.addDisplay(8, {TestBus{true, &other}});
  EXPECT_FALSE(DetectMonitor());
  EXPECT_EQ(TLMonitorID.load(), 6u);
  platform.onlineListFails = true;
  EXPECT_FALSE(DetectMonitor());
  EXPECT_EQ(TLMonitorID.load(), 6u);
}

TEST_P(DisplayDiscoveryTest, DisplaysWithoutUsableBusesGetNoTraffic) {
  EDIDDevice mine(ownName());
  platform.addDisplay(1, {});
  platform.addDisplay(2, {TestBus{false, &mine}, TestBus{false, &mine}});
  platform.addDisplay(3, {TestBus{true, nullptr}});
  EXPECT_FALSE(DetectMonitor());
  EXPECT_EQ(trafficTo(1) + trafficTo(2), 0u);
  EXPECT_EQ(trafficTo(3), 1u);  // read, failed, zeroed buffer never matches
  EXPECT_NE(platform.stderrText.find("/* Read result 0xffffffff, 0x80 bytes */\n"),
            std::string::npos);
  EXPECT_EQ(TLMonitorID.load(), 0u);
}

TEST_P(DisplayDiscoveryTest, EmulatedMonitorOfThisModelIsFound) {
  attachMonitor(12);
  EXPECT_TRUE(DetectMonitor());
  EXPECT_EQ(TLMonitorID.load(), 12u);
}

INSTANTIATE_FOR_BOTH_MODELS(DisplayDiscoveryTest);

// Whatever order the buses fail in, the cause kept is the one the user can
// best act on, with the first bus that gave it.
TEST(MostTellingCause, RankingIsIndependentOfOrder) {
  using platform::BusCause;
  struct Case {
    std::vector<BusCause> causes;
    BusCause kept;
    const char* bus;
  };
  const Case cases[] = {
      {{}, BusCause::kNone, ""},
      {{BusCause::kNone, BusCause::kNoDevice}, BusCause::kNoDevice, "/dev/i2c-1"},
      {{BusCause::kNoDevice, BusCause::kUnsupported, BusCause::kNoAnswer},
       BusCause::kNoAnswer,
       "/dev/i2c-2"},
      {{BusCause::kNoAnswer, BusCause::kBusy, BusCause::kNoAnswer}, BusCause::kBusy, "/dev/i2c-1"},
      {{BusCause::kNoAccess, BusCause::kBusy, BusCause::kNoAccess},
       BusCause::kNoAccess,
       "/dev/i2c-0"},
      {{BusCause::kBusy, BusCause::kNone, BusCause::kNoAccess}, BusCause::kNoAccess, "/dev/i2c-2"},
  };
  for (const Case& c : cases) {
    Detection problems;
    for (size_t i = 0; i < c.causes.size(); ++i)
      keepMostTelling(problems, c.causes[i], "/dev/i2c-" + std::to_string(i));
    EXPECT_EQ(problems.cause, c.kept) << c.causes.size();
    EXPECT_EQ(problems.bus, c.bus);
    EXPECT_FALSE(problems.found);
  }
}

}  // namespace

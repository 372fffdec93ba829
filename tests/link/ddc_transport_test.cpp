#include "link/ddc_transport.h"

#include "tests/support/fixture.h"

namespace {

using testing_platform::ScriptedDevice;
using testing_platform::statusReply;

class DDCTransportTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    platform.addDisplay(1, {testing_platform::TestBus{true, &device}});
    platform::BusCause cause;
    connection = platform.i2cInterfaceOpen({1, 0}, cause);
  }
  const testing_platform::RecordedRequest& lastRequest() const { return platform.requests.back(); }

  ScriptedDevice device;
  std::unique_ptr<platform::I2CConnection> connection;
};

TEST_P(DDCTransportTest, HeartbeatWriteFrameAndRecord) {
  const uint8_t packet[2] = {0x01, 0x01};
  EXPECT_TRUE(DDCWrite(connection.get(), 0x6E, packet, 2, 0x08));
  const auto& request = lastRequest();
  EXPECT_EQ(request.sent, (std::vector<uint8_t>{0x51, 0x84, 0x03, 0x08, 0x01, 0x01, 0xB0}));
  EXPECT_EQ(request.record.sendTransactionType, 1u);
  EXPECT_EQ(request.record.replyTransactionType, 0u);
  EXPECT_EQ(request.record.sendAddress, 0x6Eu);
  EXPECT_EQ(request.record.replyAddress, 0u);
  EXPECT_EQ(request.record.sendSubAddress, 0);
  EXPECT_EQ(request.record.replySubAddress, 0);
  EXPECT_EQ(request.record.minReplyDelay, 0u);
  EXPECT_EQ(request.record.commFlags, 0u);
  EXPECT_EQ(request.record.sendBytes, 7u);
  EXPECT_EQ(request.record.replyBytes, 0u);
  EXPECT_EQ(request.record.replyBuffer, nullptr);
}

TEST_P(DDCTransportTest, StatusRequestFrameAndRecord) {
  device.reply = statusReply(1, 1, 2);
  const uint8_t data[2] = {0x01, 0x01};
  uint8_t output[11] = {};
  EXPECT_TRUE(DDCRead(connection.get(), data, 2, output, 11, 0x08));
  const auto& request = lastRequest();
  EXPECT_EQ(request.sent, (std::vector<uint8_t>{0x51, 0x82, 0x01, 0x08, 0x01, 0x01, 0xB4}));
  EXPECT_EQ(request.record.sendTransactionType, 1u);
  EXPECT_EQ(request.record.replyTransactionType, 1u);
  EXPECT_EQ(request.record.sendAddress, 0x6Eu);
  EXPECT_EQ(request.record.replyAddress, 0x6Fu);
  EXPECT_EQ(request.record.replySubAddress, 0x51);
  EXPECT_EQ(request.record.minReplyDelay, 60u);
  EXPECT_EQ(request.record.sendBytes, 7u);
  EXPECT_EQ(request.record.replyBytes, 11u);
  EXPECT_EQ(std::vector<uint8_t>(output, output + 11), device.reply);
}

TEST_P(DDCTransportTest, LengthBytesAreFixedWhateverTheDataCount) {
  const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
  for (uint8_t count = 1; count <= 6; ++count) {
    DDCWrite(connection.get(), 0x6E, data, count, 0x08);
    EXPECT_EQ(lastRequest().sent[1], 0x84);
    EXPECT_EQ(lastRequest().sent.size(), count + 5u);
    DDCRead(connection.get(), data, count, nullptr, 0, 0x08);
    EXPECT_EQ(lastRequest().sent[1], 0x82);
    EXPECT_EQ(lastRequest().sent.size(), count + 5u);
  }
}

TEST_P(DDCTransportTest, ReadWithoutRequestDataOnlyReads) {
  device.reply = statusReply(1, 1, 2);
  const uint8_t data[2] = {1, 1};
  for (auto [pointer, count] : {std::pair<const uint8_t*, uint8_t>{nullptr, 2}, {data, 0}}) {
    uint8_t output[11];
    EXPECT_TRUE(DDCRead(connection.get(), pointer, count, output, 11, 0x08));
    const auto& request = lastRequest();
    EXPECT_TRUE(request.sent.empty());
    EXPECT_EQ(request.record.sendTransactionType, 0u);
    EXPECT_EQ(request.record.sendAddress, 0u);
    EXPECT_EQ(request.record.sendBytes, 0u);
    EXPECT_EQ(request.record.replyTransactionType, 1u);
    EXPECT_EQ(request.record.replyAddress, 0x6Fu);
    EXPECT_EQ(request.record.replySubAddress, 0x51);
    EXPECT_EQ(request.record.minReplyDelay, 60u);
    EXPECT_EQ(request.record.replyBytes, 11u);
  }
  EXPECT_TRUE(device.writes.empty());
}

struct ReplyCase {
  const char* name;
  int byteIndex;
  uint8_t value;
  bool fixChecksum;
  bool valid;
};

TEST_P(DDCTransportTest, ReplyRules) {
  const ReplyCase cases[] = {
      {"untouched", -1, 0, false, true},
      {"any byte 0", 0, 0xEE, false, true},
      {"opcode not 0x02", 2, 0x03, true, false},
      {"code not 0x08 even with a right checksum", 4, 0x07, true, false},
      {"bad checksum", 10, 0x00, false, false},
      {"event byte changed without checksum", 7, 0x09, false, false},
  };
  for (const auto& c : cases) {
    auto reply = statusReply(1, 1, 2);
    if (c.byteIndex >= 0) reply[c.byteIndex] = c.value;
    if (c.fixChecksum) {
      uint8_t sum = 0x3E;
      for (int i = 1; i <= 9; ++i) sum ^= reply[i];
      reply[10] = sum;
    }
    device.reply = reply;
    uint8_t output[11] = {};
    EXPECT_EQ(DDCRead(connection.get(), nullptr, 0, output, 11, 0x08), c.valid) << c.name;
    EXPECT_EQ(std::vector<uint8_t>(output, output + 11), reply) << c.name;
  }
}

TEST_P(DDCTransportTest, ReplyCodeMustBe08WhateverCodeWasAsked) {
  device.reply = statusReply(1, 0, 0);
  const uint8_t data[2] = {1, 1};
  uint8_t output[2];
  EXPECT_TRUE(DDCRead(connection.get(), data, 2, output, 2, 0x04));
  EXPECT_EQ(lastRequest().sent[3], 0x04);
}

TEST_P(DDCTransportTest, OutputFilledAlsoWhenTheTransactionFails) {
  device.acknowledges = false;
  device.reply = statusReply(1, 7, 2);
  uint8_t output[11];
  std::fill(std::begin(output), std::end(output), 0xAA);
  EXPECT_FALSE(DDCRead(connection.get(), nullptr, 0, output, 11, 0x08));
  EXPECT_EQ(output[7], 7);  // the bytes that did arrive
  uint8_t cleared[11];
  std::fill(std::begin(cleared), std::end(cleared), 0xAA);
  EXPECT_FALSE(DDCRead(nullptr, nullptr, 0, cleared, 11, 0x08));
  for (uint8_t byte : cleared) EXPECT_EQ(byte, 0);
}

TEST_P(DDCTransportTest, FailuresOfTheRequestAreFalse) {
  const uint8_t packet[2] = {1, 1};
  EXPECT_FALSE(DDCWrite(nullptr, 0x6E, packet, 2, 0x08));
  device.acknowledges = false;
  EXPECT_FALSE(DDCWrite(connection.get(), 0x6E, packet, 2, 0x08));
}

TEST_P(DDCTransportTest, OversizedDataNeverOverrunsTheFrame) {
  const uint8_t data[32] = {};
  const size_t before = platform.requests.size();
  EXPECT_FALSE(DDCWrite(connection.get(), 0x6E, data, 20, 0x08));
  uint8_t output[11];
  EXPECT_FALSE(DDCRead(connection.get(), data, 7, output, 11, 0x08));
  EXPECT_EQ(platform.requests.size(), before);
  EXPECT_TRUE(DDCWrite(connection.get(), 0x6E, data, 19, 0x08));
  EXPECT_EQ(lastRequest().sent.size(), 24u);
}

INSTANTIATE_FOR_BOTH_MODELS(DDCTransportTest);

}  // namespace

#include "platform/buses/linux_display_services.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>

#include "base/model_profile.h"
#include "base/tl_log.h"
#include "emulator/quillmark_monitor.h"
#include "link/ddc_transport.h"
#include "link/display_discovery.h"
#include "platform/buses/bus_pacing.h"
#include "platform/key_codes.h"
#include "tests/support/test_platform.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;
using namespace platform::buses;

struct RecordedMessage {
  uint16_t address;
  uint16_t flags;
  std::vector<uint8_t> bytes;
  uint64_t atMs;  // on the virtual clock
};

// Records every message and answers from a device per path; errors on demand.
class FakeSyscalls : public I2CSyscalls {
 public:
  int open(const char* path, int) override {
    opened.push_back(path);
    if (openErrno != 0) return errno = openErrno, -1;
    if (const auto failing = openErrnoFor.find(path); failing != openErrnoFor.end()) {
      return errno = failing->second, -1;
    }
    const int fd = nextFd++;
    paths[fd] = path;
    return fd;
  }
  int close(int fd) override {
    closed.push_back(fd);
    return 0;
  }
  int flock(int, int operation) override {
    if (operation == (LOCK_EX | LOCK_NB) && lockBusyPolls > 0) {
      --lockBusyPolls;
      return errno = EWOULDBLOCK, -1;
    }
    locks.push_back(operation);
    return 0;
  }
  int rdwr(int fd, i2c_rdwr_ioctl_data* data) override {
    if (rdwrErrno != 0) return errno = rdwrErrno, -1;
    for (uint32_t i = 0; i < data->nmsgs; ++i) {
      i2c_msg& message = data->msgs[i];
      if (message.flags & I2C_M_RD) {
        const bool ok =
            deviceFor(fd) != nullptr &&
            deviceFor(fd)->read(static_cast<uint8_t>(message.addr), message.buf, message.len);
        messages.push_back(
            {message.addr, message.flags, {message.buf, message.buf + message.len}, clock});
        if (!ok) return errno = EREMOTEIO, -1;
      } else {
        messages.push_back(
            {message.addr, message.flags, {message.buf, message.buf + message.len}, clock});
        if (deviceFor(fd) == nullptr ||
            !deviceFor(fd)->write(static_cast<uint8_t>(message.addr), message.buf, message.len)) {
          return errno = EREMOTEIO, -1;
        }
      }
    }
    return static_cast<int>(data->nmsgs);
  }
  void sleepMilliseconds(uint32_t milliseconds) override {
    pauses.push_back(milliseconds);
    clock += milliseconds;
  }
  uint64_t nowMs() override { return clock; }

  I2CDevice* deviceFor(int fd) {
    auto found = devices.find(paths[fd]);
    return found == devices.end() ? nullptr : found->second;
  }

  std::map<std::string, I2CDevice*> devices;
  std::map<std::string, int> openErrnoFor;
  std::map<int, std::string> paths;
  std::vector<std::string> opened;
  std::vector<int> closed, locks;
  std::vector<RecordedMessage> messages;
  std::vector<uint32_t> pauses;
  // Each fake starts its clock well after the last one's, so the pacing
  // record a bus keeps for the process never carries over between tests.
  inline static uint64_t lastStart = 0;
  uint64_t clock = lastStart += 10000000;
  int nextFd = 10;
  int openErrno = 0, rdwrErrno = 0;
  int lockBusyPolls = 0;  // how often the lock is found held before it is free
};

class LinuxBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmark-sysfs-XXXXXX";
    root = mkdtemp(pattern);
    fs::create_directories(root + "/drm");
    fs::create_directories(root + "/dev");
    fs::create_directories(root + "/devices");
  }
  void TearDown() override { fs::remove_all(root); }

  void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  // A connector; ddcBus >= 0 links it to an adapter with an i2c-dev entry.
  fs::path connector(const std::string& name, const std::string& status, int id, int ddcBus,
                     const std::vector<uint8_t>& edid = {}) {
    const fs::path path = fs::path(root) / "drm" / name;
    write(path / "status", status + "\n");
    if (id > 0) write(path / "connector_id", std::to_string(id) + "\n");
    write(path / "edid", std::string(edid.begin(), edid.end()));
    if (ddcBus >= 0) {
      const fs::path adapter = fs::path(root) / "devices" / ("i2c-" + std::to_string(ddcBus));
      fs::create_directories(adapter / "i2c-dev" / ("i2c-" + std::to_string(ddcBus)));
      fs::create_directory_symlink(adapter, path / "ddc");
    }
    return path;
  }
  LinuxDisplayServices displays() {
    return LinuxDisplayServices(root + "/drm", root + "/dev", calls);
  }

  std::string root;
  FakeSyscalls calls;
};

// connector_id is unique per card only: two cards' connectors with the same
// one are two displays, each with an ID of its own that stays while it lives.
TEST_F(LinuxBackendTest, ConnectedConnectorsInNameOrderWithIdsUniqueAcrossCards) {
  connector("card0-HDMI-A-1", "connected", 95, 5);
  connector("card0-DP-1", "connected", 80, 3);
  connector("card0-DP-2", "disconnected", 81, 4);
  connector("card1-HDMI-A-1", "connected", 95, 7);
  connector("card1-eDP-1", "connected", 0, -1);
  write(fs::path(root) / "drm" / "card0" / "dev", "226:0");
  auto services = displays();
  const auto first = services.onlineDisplayList();
  ASSERT_TRUE(first);
  ASSERT_EQ(first->size(), 4u);
  EXPECT_EQ(std::set<DisplayID>(first->begin(), first->end()).size(), 4u);
  for (DisplayID id : *first) EXPECT_LT(id, 0x40000000u);  // never an emulated display's ID
  EXPECT_EQ(services.busName({(*first)[1], 0}), root + "/dev/i2c-5");  // card0-HDMI-A-1
  EXPECT_EQ(services.busName({(*first)[2], 0}), root + "/dev/i2c-7");  // card1-HDMI-A-1
  EXPECT_EQ(services.onlineDisplayList(), first);
}

TEST_F(LinuxBackendTest, BusOrderDdcFirstThenAuxChildren) {
  const fs::path dp = connector("card0-DP-1", "connected", 80, 6);
  fs::create_directories(dp / "i2c-9");
  fs::create_directories(dp / "i2c-6");  // the same bus twice counts once
  auto services = displays();
  const DisplayID id = services.onlineDisplayList()->front();
  EXPECT_EQ(services.i2cInterfaceCount({id}), 2u);
  platform::BusCause cause;
  services.i2cInterfaceOpen({id, 0}, cause);
  services.i2cInterfaceOpen({id, 1}, cause);
  EXPECT_EQ(calls.opened, (std::vector<std::string>{root + "/dev/i2c-6", root + "/dev/i2c-9"}));
  EXPECT_EQ(calls.locks,
            (std::vector<int>{LOCK_EX | LOCK_NB, LOCK_UN, LOCK_EX | LOCK_NB, LOCK_UN}));
}

// A connector without a ddc link: only the buses of display adapters are
// probed at 0x50 (never an SMBus controller's memory EEPROMs), and only
// again when the connectors or their EDIDs change.
TEST_F(LinuxBackendTest, ConnectorWithoutBusesMatchedByEDIDOnDisplayAdaptersOnly) {
  emulator::QuillmarkMonitor monitor(emulator::Model::Alto);
  emulator::QuillmarkMonitor other(emulator::Model::Tenor);
  const fs::path dvi = connector("card0-DVI-D-1", "connected", 90, -1, monitor.edid());
  const auto adapter = [&](int bus, const std::string& pciClass) {
    const fs::path device = fs::path(root) / "devices" / ("pci-" + std::to_string(bus));
    write(device / "class", pciClass + "\n");
    fs::create_directories(device / ("i2c-" + std::to_string(bus)));
    fs::create_directories(fs::path(root) / "i2c-dev" / ("i2c-" + std::to_string(bus)));
    fs::create_directory_symlink(
        device / ("i2c-" + std::to_string(bus)),
        fs::path(root) / "i2c-dev" / ("i2c-" + std::to_string(bus)) / "device");
    write(fs::path(root) / "dev" / ("i2c-" + std::to_string(bus)), "");
  };
  // Connectors live below their card, as in sysfs; these cards link none of
  // their buses (as NVIDIA's driver), so each of their buses may be a display's.
  const auto belowCard = [&](const fs::path& connectorPath, int bus) {
    const fs::path inside = fs::path(root) / "devices" / ("pci-" + std::to_string(bus)) /
                            "drm/card0" / connectorPath.filename();
    fs::create_directories(inside.parent_path());
    fs::rename(connectorPath, inside);
    fs::create_directory_symlink(inside, connectorPath);
  };
  adapter(2, "0x030000");   // a graphics card's bus with another monitor
  adapter(11, "0x038000");  // the monitor's, on a display controller
  belowCard(dvi, 11);
  belowCard(connector("card1-HDMI-A-1", "disconnected", 91, -1), 2);
  adapter(3, "0x0c0500");  // SMBus: memory EEPROMs
  adapter(4, "0x058000");  // a PMIC/SMU bus
  calls.devices[root + "/dev/i2c-2"] = &other;
  calls.devices[root + "/dev/i2c-11"] = &monitor;
  calls.devices[root + "/dev/i2c-3"] = &other;
  auto services = displays();
  const DisplayID id = services.onlineDisplayList()->front();
  EXPECT_EQ(calls.opened, (std::vector<std::string>{root + "/dev/i2c-2", root + "/dev/i2c-11"}));
  ASSERT_EQ(services.i2cInterfaceCount({id}), 1u);
  EXPECT_EQ(services.busName({id, 0}), root + "/dev/i2c-11");

  calls.opened.clear();
  services.onlineDisplayList();
  EXPECT_TRUE(calls.opened.empty()) << "probed again with nothing changed";
  write(dvi / "edid", std::string(other.edid().begin(), other.edid().end()));
  services.onlineDisplayList();
  EXPECT_EQ(calls.opened, (std::vector<std::string>{root + "/dev/i2c-2", root + "/dev/i2c-11"}));
}

TEST_F(LinuxBackendTest, DisappearingConnectorAndBadEDIDFile) {
  const fs::path hdmi = connector("card0-HDMI-A-1", "connected", 77, 5,
                                  std::vector<uint8_t>(100, 1));  // not whole blocks
  auto services = displays();
  const DisplayID id = services.onlineDisplayList()->front();
  EXPECT_TRUE(services.displayIOServicePort(id));
  write(hdmi / "status", "disconnected\n");
  EXPECT_FALSE(services.displayIOServicePort(id));
  fs::remove_all(hdmi);
  EXPECT_EQ(services.onlineDisplayList()->size(), 0u);
  EXPECT_FALSE(services.displayIOServicePort(id));
  platform::BusCause cause;
  EXPECT_FALSE(services.i2cInterfaceOpen({id, 0}, cause));
  EXPECT_FALSE(services.displayBounds(id));  // no X screen here
}

class I2CRequestPathTest : public LinuxBackendTest {
 protected:
  void SetUp() override {
    LinuxBackendTest::SetUp();
    // A bus of this test's own, so no other test's pacing record applies.
    bus = root + "/dev/i2c-4";
    calls.devices[bus] = &monitor;
    connection = I2CDevConnection::open(calls, bus);
    ASSERT_TRUE(connection);
  }
  emulator::QuillmarkMonitor monitor{emulator::Model::Alto};
  std::string bus;
  std::unique_ptr<I2CDevConnection> connection;
};

TEST_F(I2CRequestPathTest, WriteFrameIsOneMessageTo0x37) {
  const uint8_t packet[2] = {1, 1};
  EXPECT_TRUE(DDCWrite(connection.get(), 0x6E, packet, 2, 0x08));
  ASSERT_EQ(calls.messages.size(), 1u);
  EXPECT_EQ(calls.messages[0].address, 0x37);
  EXPECT_EQ(calls.messages[0].flags, 0);
  EXPECT_EQ(calls.messages[0].bytes, (std::vector<uint8_t>{0x51, 0x84, 0x03, 0x08, 1, 1, 0xB0}));
  // The first message on a bus new to this process waits as after another's write.
  EXPECT_EQ(calls.pauses, std::vector<uint32_t>{kPauseAfterWriteMs + 1});
}

TEST_F(I2CRequestPathTest, StatusReadIsWriteThen60msThenRead) {
  const uint8_t data[2] = {1, 1};
  uint8_t reply[11];
  EXPECT_TRUE(DDCRead(connection.get(), data, 2, reply, 11, 0x08));
  ASSERT_EQ(calls.messages.size(), 2u);
  EXPECT_EQ(calls.messages[0].address, 0x37);
  EXPECT_EQ(calls.messages[0].bytes.size(), 7u);
  EXPECT_EQ(calls.messages[1].address, 0x37);
  EXPECT_EQ(calls.messages[1].flags, I2C_M_RD);
  EXPECT_EQ(calls.messages[1].bytes.size(), 11u);
  EXPECT_EQ(calls.pauses, (std::vector<uint32_t>{kPauseAfterWriteMs + 1, 60}));
  calls.pauses.clear();
  EXPECT_TRUE(DDCRead(connection.get(), nullptr, 0, reply, 11, 0x08));  // reply only: no pause
  EXPECT_TRUE(calls.pauses.empty());
}

TEST_F(I2CRequestPathTest, EDIDReadAt0x50) {
  platform::I2CRequest request{};
  uint8_t edid[128] = {};
  request.sendTransactionType = 1;
  request.sendAddress = 0xA0;
  request.sendBuffer = edid;
  request.sendBytes = 1;
  request.replyTransactionType = 1;
  request.replyAddress = 0xA1;
  request.replyBuffer = edid;
  request.replyBytes = 128;
  ASSERT_TRUE(connection->sendRequest(request));
  EXPECT_EQ(request.result, 0);
  EXPECT_EQ(calls.messages[0].address, 0x50);
  EXPECT_EQ(calls.messages[0].bytes, std::vector<uint8_t>{0});
  EXPECT_EQ(calls.messages[1].address, 0x50);
  EXPECT_EQ(calls.messages[1].bytes.size(), 128u);
  EXPECT_EQ(std::vector<uint8_t>(edid, edid + 128), monitor.edid());
}

// Every errno is a failure with its cause; EINVAL is not retried with
// read()/write(), which need the same adapter abilities.
TEST_F(I2CRequestPathTest, ErrorsBecomeFailedResultsWithCauses) {
  const uint8_t packet[2] = {1, 1};
  const std::pair<int, BusCause> cases[] = {{EREMOTEIO, BusCause::kNoAnswer},
                                            {ENXIO, BusCause::kNoAnswer},
                                            {EOPNOTSUPP, BusCause::kUnsupported},
                                            {EINVAL, BusCause::kNoAnswer}};
  BusCause said = BusCause::kNone;
  for (auto [error, cause] : cases) {
    calls.rdwrErrno = error;
    EXPECT_FALSE(DDCWrite(connection.get(), 0x6E, packet, 2, 0x08, &said)) << error;
    EXPECT_EQ(said, cause) << error;
  }
  calls.rdwrErrno = 0;
  monitor.setFault(emulator::Fault::NoAnswer);
  EXPECT_FALSE(DDCWrite(connection.get(), 0x6E, packet, 2, 0x08, &said));
  EXPECT_EQ(said, BusCause::kNoAnswer);
  monitor.setFault(emulator::Fault::None);
  EXPECT_TRUE(DDCWrite(connection.get(), 0x6E, packet, 2, 0x08, &said));
  EXPECT_EQ(said, BusCause::kNone);
}

// The heartbeat write and the status request on the same bus, as a pass
// sends them: 50 ms pass between a write and the next message, even across
// connections, and the reply is read 60 ms after its request. A bus left
// alone long enough is not paused for.
TEST_F(I2CRequestPathTest, MessagesArePacedAsADdcHostMust) {
  const uint8_t heartbeat[2] = {1, 1};
  uint8_t reply[11];
  ASSERT_TRUE(DDCWrite(connection.get(), 0x6E, heartbeat, 2, 0x08));
  calls.pauses.clear();
  connection = I2CDevConnection::open(calls, bus);
  ASSERT_TRUE(DDCRead(connection.get(), heartbeat, 2, reply, 11, 0x08));
  ASSERT_EQ(calls.messages.size(), 3u);
  EXPECT_EQ(calls.messages[1].atMs - calls.messages[0].atMs, kPauseAfterWriteMs + 1);
  EXPECT_EQ(calls.messages[2].atMs - calls.messages[1].atMs, 60u);
  EXPECT_EQ(calls.pauses, (std::vector<uint32_t>{kPauseAfterWriteMs + 1, 60}));
  calls.pauses.clear();
  calls.clock += 500;
  ASSERT_TRUE(DDCWrite(connection.get(), 0x6E, heartbeat, 2, 0x08));
  EXPECT_TRUE(calls.pauses.empty());
}

// Another DDC tool's short exchange is waited out; one that holds the bus
// past a second makes the bus busy.
TEST_F(LinuxBackendTest, BusHeldByAnotherProgramIsWaitedForBounded) {
  BusCause cause = BusCause::kNone;
  calls.lockBusyPolls = 5;
  EXPECT_TRUE(I2CDevConnection::open(calls, "/dev/i2c-1", &cause));
  EXPECT_EQ(cause, BusCause::kNone);
  EXPECT_EQ(calls.pauses, std::vector<uint32_t>(5, kLockPollMs));
  calls.pauses.clear();
  calls.lockBusyPolls = 1000;
  EXPECT_FALSE(I2CDevConnection::open(calls, "/dev/i2c-1", &cause));
  EXPECT_EQ(cause, BusCause::kBusy);
  EXPECT_EQ(std::accumulate(calls.pauses.begin(), calls.pauses.end(), 0u), kLockWaitMs);
  calls.openErrno = EACCES;
  EXPECT_FALSE(I2CDevConnection::open(calls, "/dev/i2c-1", &cause));
  EXPECT_EQ(cause, BusCause::kNoAccess);
  calls.openErrno = ENOENT;
  EXPECT_FALSE(I2CDevConnection::open(calls, "/dev/i2c-1", &cause));
  EXPECT_EQ(cause, BusCause::kNoDevice);
}

// Detection over the real backend: every display and bus tried gets a log
// line with its cause, and the most telling cause is what the panel shows.
TEST_F(LinuxBackendTest, DetectionLogsEachBusWithItsCause) {
  emulator::QuillmarkMonitor tenor(emulator::Model::Tenor);
  connector("card0-DP-1", "connected", 80, 3);
  connector("card0-HDMI-A-1", "connected", 81, 5);
  connector("card1-HDMI-A-1", "connected", 81, 6);
  calls.devices[root + "/dev/i2c-6"] = &tenor;
  testing_platform::TestPlatform platform;
  platform.home = root;
  auto services = displays();
  platform::install({&services, &platform, &platform});
  base::selectProfile(base::altoProfile());
  base::tl_log_reset();
  // /dev/i2c-3 cannot be opened; /dev/i2c-5 opens but nobody answers; i2c-6 has a Tenor.
  calls.openErrnoFor[root + "/dev/i2c-3"] = EACCES;
  const Detection detection = detectMonitor();
  EXPECT_FALSE(detection.found);
  const std::string log = platform.stdoutText;
  const auto ids = *services.onlineDisplayList();
  const auto line = [&](DisplayID id, int bus, const char* text) {
    return "Display " + std::to_string(id) + ", " + root + "/dev/i2c-" + std::to_string(bus) +
           ": " + text + ".\n";
  };
  EXPECT_NE(log.find(line(ids[0], 3, "no access")), std::string::npos) << log;
  EXPECT_NE(log.find(line(ids[1], 5, "no answer (is DDC/CI on in the monitor's menu?)")),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(line(ids[2], 6, "no Quillmark of this model")), std::string::npos) << log;
  EXPECT_NE(log.find("......\n"), std::string::npos) << "an unreadable EDID's name line";
  EXPECT_EQ(detection.cause, BusCause::kNoAccess);
  EXPECT_EQ(detection.bus, root + "/dev/i2c-3");
  base::tl_log_reset();
  platform::install({});
}

}  // namespace

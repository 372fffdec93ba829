// The single-instance lock and the session bus check, on real files and sockets.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/session_bus_probe.h"
#include "app/single_instance.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SessionLifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmark-lifecycle-XXXXXX";
    root = mkdtemp(pattern);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    savedRuntime = runtime != nullptr ? runtime : "";
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    savedBus = bus != nullptr ? bus : "";
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
  }
  void TearDown() override {
    setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", savedBus.c_str(), 1);
    fs::remove_all(root);
  }
  // A listening Unix socket at path; the bus never answers on it.
  int listenAt(const fs::path& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(fd, 4), 0);
    return fd;
  }

  fs::path root;
  std::string savedRuntime, savedBus;
};

// One lock per program and user: a second take fails while the first holds,
// and a link planted at the lock's place is not followed.
TEST_F(SessionLifecycleTest, OneInstanceLockPerProgram) {
  std::string why;
  EXPECT_EQ(takeInstanceLock(base::altoProfile(), why), InstanceLock::kTaken);
  EXPECT_EQ(takeInstanceLock(base::altoProfile(), why), InstanceLock::kHeldByAnother);
  EXPECT_EQ(takeInstanceLock(base::tenorProfile(), why), InstanceLock::kTaken);
  fs::remove(root / "TenorControl.lock");
  fs::create_symlink(root / "elsewhere", root / "TenorControl.lock");
  EXPECT_EQ(takeInstanceLock(base::tenorProfile(), why), InstanceLock::kUnavailable);
  EXPECT_FALSE(fs::exists(root / "elsewhere"));
}

// Without a runtime folder the lock lives in the user's cache, whatever
// another user made or removed under the /tmp name between two starts; with
// the cache refused, the start is told why and /tmp is not tried. Only a
// user without a home of their own locks in /tmp.
TEST_F(SessionLifecycleTest, LockFolderIsOneWhateverTmpHoldsAndSaysWhyWhenRefused) {
  const fs::path inTmp = "/tmp/quillmark-" + std::to_string(geteuid());
  const fs::path aside = root / "tmp-folder-aside";
  if (fs::exists(fs::symlink_status(inTmp))) fs::rename(inTmp, aside);
  const char* home = std::getenv("HOME");
  const std::string savedHome = home != nullptr ? home : "";
  fs::create_directory(root / "home");
  setenv("HOME", (root / "home").c_str(), 1);
  unsetenv("XDG_RUNTIME_DIR");

  const std::function<void()> tmpStates[] = {
      [&] { std::fclose(std::fopen(inTmp.c_str(), "w")); },  // planted by another user
      [&] { fs::remove(inTmp); },                            // removed again
      [&] {                                                  // made by this user's earlier start
        fs::create_directory(inTmp);
        fs::permissions(inTmp, fs::perms::owner_all);
      }};
  {
    std::string why;
    ASSERT_EQ(takeInstanceLock(base::altoProfile(), why), InstanceLock::kTaken) << why;
  }
  EXPECT_TRUE(fs::exists(root / "home/.cache/quillmark/AltoControl.lock"));
  for (const auto& makeTmpState : tmpStates) {
    makeTmpState();
    // The first start's lock is found by the next, whatever /tmp holds now.
    std::string why;
    EXPECT_EQ(takeInstanceLock(base::altoProfile(), why), InstanceLock::kHeldByAnother) << why;
    EXPECT_FALSE(fs::exists(inTmp / "AltoControl.lock"));
  }
  fs::permissions(root / "home/.cache/quillmark", fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  std::string why;
  EXPECT_EQ(takeInstanceLock(base::tenorProfile(), why), InstanceLock::kUnavailable);
  EXPECT_NE(why.find("quillmark: its mode is 0705, not 0700"), std::string::npos) << why;
  EXPECT_EQ(why.find(inTmp.string()), std::string::npos) << why;

  unsetenv("HOME");
  why.clear();
  EXPECT_EQ(takeInstanceLock(base::tenorProfile(), why), InstanceLock::kTaken) << why;
  EXPECT_TRUE(fs::exists(inTmp / "TenorControl.lock"));

  setenv("HOME", savedHome.c_str(), 1);
  fs::remove_all(inTmp);
  if (fs::exists(fs::symlink_status(aside))) fs::rename(aside, inTmp);
}

// A bus that accepts and never answers is wedged; one that answers, an
// address this check does not know, no address and nothing listening are not.
TEST_F(SessionLifecycleTest, SessionBusHandshakeWithADeadline) {
  const fs::path silent = root / "silent";
  const int silentFd = listenAt(silent);
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + silent.string()).c_str(), 1);
  EXPECT_FALSE(sessionBusAnswers(200ms));

  const fs::path answering = root / "answering";
  const int answeringFd = listenAt(answering);
  std::thread bus([answeringFd] {
    const int peer = accept(answeringFd, nullptr, nullptr);
    char request[128];
    [[maybe_unused]] ssize_t got = recv(peer, request, sizeof request, 0);
    [[maybe_unused]] ssize_t sent = send(peer, "OK 0123\r\n", 9, 0);
    close(peer);
  });
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + answering.string() + ",guid=1").c_str(), 1);
  EXPECT_TRUE(sessionBusAnswers(2000ms));
  bus.join();

  for (const char* address : {"", "tcp:host=localhost,port=1", "unix:path=/nonexistent/bus"}) {
    setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
    EXPECT_TRUE(sessionBusAnswers(200ms)) << address;
  }
  close(silentFd);
  close(answeringFd);
}

}  // namespace

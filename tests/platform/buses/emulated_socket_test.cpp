// The emulated displays against real sockets, real emulator servers and
// peers that misbehave: only the user's own private folder and peers are
// trusted, and no peer can hold an exchange past its deadline.

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "emulator/emulator_server.h"
#include "platform/buses/emulated_displays.h"
#include "tests/support/fixture.h"

namespace {

constexpr uid_t kNobody = 65534;

int listenAt(const std::string& path, int backlog = 8) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, backlog) != 0) {
    close(listener);
    return -1;
  }
  return listener;
}

class EmulatedSocketTest : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    folder = home + "/displays";
    monitor = std::make_unique<emulator::QuillmarkMonitor>(model());
  }
  void TearDown() override {
    servers.clear();
    ModelTest::TearDown();
  }
  // A real emulator serving in dir; true when it started.
  bool serve(const std::string& dir, const std::string& name) {
    servers.push_back(std::make_unique<emulator::EmulatorServer>(
        *monitor, emulator::DisplaySettings{1600, 1200, {{1600, 1200}}, true}));
    std::string why;
    return servers.back()->start(dir, why, name);
  }
  size_t online(const std::string& dir) {
    platform::buses::EmulatedDisplays displays(dir);
    return displays.onlineDisplayList().value_or(std::vector<platform::DisplayID>{}).size();
  }
  size_t logLinesWith(const std::string& text) const {
    size_t count = 0;
    for (const auto& line : platform.systemLogLines) count += line.find(text) != std::string::npos;
    return count;
  }

  std::string folder;
  std::unique_ptr<emulator::QuillmarkMonitor> monitor;
  std::vector<std::unique_ptr<emulator::EmulatorServer>> servers;
};

// A folder is trusted only when it is a real folder of this user's with mode
// 0700; anything else is skipped with one log line saying why, however
// often it is scanned.
TEST_P(EmulatedSocketTest, OnlyAPrivateFolderOfThisUserIsUsed) {
  struct Case {
    const char* name;
    std::function<std::string()> prepare;  // returns the folder to scan
    const char* reason;                    // empty: trusted
  };
  const Case cases[] = {
      {"private", [&] { return folder; }, ""},
      {"open mode",
       [&] {
         chmod(folder.c_str(), 0755);
         return folder;
       },
       "its mode is 0755, not 0700"},
      {"symbolic link",
       [&] {
         const std::string link = home + "/link";
         symlink(folder.c_str(), link.c_str());
         return link;
       },
       "symbolic link"},
      {"another user's",
       [&] {
         if (chown(folder.c_str(), kNobody, kNobody) != 0) return std::string();
         return folder;
       },
       "belongs to user 65534"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(folder);
    std::filesystem::remove(home + "/link");
    ASSERT_TRUE(serve(folder, "alto"));
    const std::string scanned = c.prepare();
    if (scanned.empty()) continue;  // changing the owner needs root
    platform.systemLogLines.clear();
    const bool trusted = c.reason[0] == '\0';
    platform::buses::EmulatedDisplays displays(scanned);
    for (int scan = 0; scan < 3; ++scan) {
      EXPECT_EQ(displays.onlineDisplayList()->size(), trusted ? 1u : 0u) << c.name;
    }
    EXPECT_EQ(logLinesWith(c.reason), trusted ? 0u : 1u) << c.name;
    servers.clear();
  }
}

// The emulator refuses the same folders, and says why.
TEST_P(EmulatedSocketTest, EmulatorRefusesAForeignOrLinkedFolder) {
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string link = home + "/link";
  ASSERT_EQ(symlink(folder.c_str(), link.c_str()), 0);
  emulator::EmulatorServer server(*monitor, {});
  std::string why;
  EXPECT_FALSE(server.start(link, why, "alto"));
  EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
  if (geteuid() == 0) {
    ASSERT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
    EXPECT_FALSE(server.start(folder, why, "alto"));
    EXPECT_NE(why.find("belongs to user 65534"), std::string::npos) << why;
  }
}

// Without a runtime folder the emulator serves where the instance lock lives,
// in the user's own cache, whatever another user made in /tmp first; the
// program looks in the same folder.
TEST_P(EmulatedSocketTest, EmulatorFolderIsTheLocksWhateverTmpHolds) {
  const std::string inTmp = "/tmp/quillmark-displays-" + std::to_string(geteuid());
  const bool planted = mkdir(inTmp.c_str(), 0777) == 0;
  if (planted && geteuid() == 0) {
    ASSERT_EQ(chown(inTmp.c_str(), kNobody, kNobody), 0);
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedRuntime = runtime != nullptr ? runtime : "";
  const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  unsetenv("XDG_RUNTIME_DIR");
  setenv("HOME", home.c_str(), 1);
  EXPECT_EQ(platform::buses::socketDirectory(), home + "/.cache/quillmark/displays");
  EXPECT_TRUE(serve(platform::buses::socketDirectory(), "alto"));
  platform::buses::EmulatedDisplays displays;
  EXPECT_EQ(displays.onlineDisplayList().value_or(std::vector<platform::DisplayID>{}).size(), 1u);
  if (planted) rmdir(inTmp.c_str());
  setenv("HOME", savedHome.c_str(), 1);
  if (!savedRuntime.empty()) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
}

// The socket is private from its first instant, whatever the umask.
TEST_P(EmulatedSocketTest, EmulatorSocketIsPrivateWhateverTheUmask) {
  const mode_t previous = umask(0);
  ASSERT_TRUE(serve(folder, "alto"));
  umask(previous);
  struct stat info {};
  ASSERT_EQ(lstat((folder + "/alto.sock").c_str(), &info), 0);
  EXPECT_TRUE(S_ISSOCK(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(online(folder), 1u);
}

// A socket served by another user in the folder is not a display.
TEST_P(EmulatedSocketTest, PeerOfAnotherUserIsNotADisplay) {
  if (geteuid() != 0) GTEST_SKIP() << "a peer of another user needs root to set up";
  ASSERT_TRUE(serve(folder, "mine"));
  const std::string path = folder + "/theirs.sock";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    // Bound by root in the private folder, listening (and so credited) as nobody.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        setgid(kNobody) != 0 || setuid(kNobody) != 0 || listen(listener, 8) != 0) {
      _exit(1);
    }
    [[maybe_unused]] ssize_t written = write(ready[1], "x", 1);
    for (;;) close(accept(listener, nullptr, nullptr));
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_EQ(online(folder), 1u);
  EXPECT_EQ(logLinesWith("theirs.sock: it is served by user 65534, not by you"), 1u);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
}

// A stopped emulator (full queue, never accepts), one that trickles its
// answer a byte at a time and one that hangs up: each fails within its
// deadline and the live emulator beside them is found.
TEST_P(EmulatedSocketTest, StalledTricklingAndVanishingPeersFailInTime) {
  ASSERT_TRUE(serve(folder, "zz-live"));
  const int stalled = listenAt(folder + "/a-stalled.sock", 0);
  std::vector<int> queued;
  for (int i = 0; i < 4; ++i) {
    queued.push_back(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (folder + "/a-stalled.sock").c_str(),
                 sizeof address.sun_path - 1);
    connect(queued.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  const int trickling = listenAt(folder + "/b-trickling.sock");
  const int vanishing = listenAt(folder + "/c-vanishing.sock");
  std::atomic<bool> done{false};
  std::thread peers([&] {
    const std::vector<uint8_t> answer =
        platform::buses::encodeInfo({1, 1600, 1200, {{1600, 1200}, {1100, 825}}});
    while (!done) {
      pollfd waiting[2] = {{trickling, POLLIN, 0}, {vanishing, POLLIN, 0}};
      if (poll(waiting, 2, 50) <= 0) continue;
      if (waiting[1].revents & POLLIN) close(accept(vanishing, nullptr, nullptr));
      if (waiting[0].revents & POLLIN) {
        const int client = accept(trickling, nullptr, nullptr);
        const uint32_t length = static_cast<uint32_t>(answer.size());
        std::vector<uint8_t> framed(reinterpret_cast<const uint8_t*>(&length),
                                    reinterpret_cast<const uint8_t*>(&length) + 4);
        framed.insert(framed.end(), answer.begin(), answer.end());
        for (size_t i = 0; i < framed.size() && !done; ++i) {
          send(client, &framed[i], 1, MSG_NOSIGNAL);
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        close(client);
      }
    }
  });
  EXPECT_EQ(online(folder), 1u);
  done = true;
  peers.join();
  for (int socket : queued) close(socket);
  for (int socket : {stalled, trickling, vanishing}) close(socket);
}

// Idle connections, even a flood of them, do not keep others from the monitor.
TEST_P(EmulatedSocketTest, EmulatorServesClientsSideBySide) {
  ASSERT_TRUE(serve(folder, "alto"));
  std::vector<int> idle;
  for (int i = 0; i < 40; ++i) {
    idle.push_back(platform::buses::connectTo(
        servers.back()->socketPath(), platform::buses::Deadline(std::chrono::milliseconds(500))));
    ASSERT_GE(idle.back(), 0);
  }
  EXPECT_EQ(online(folder), 1u);
  for (int socket : idle) close(socket);
}

// Sockets left by killed emulators are removed by the next emulator, and the
// client's table keeps only the sockets that exist.
TEST_P(EmulatedSocketTest, StaleSocketsGoAndTheTableStaysBounded) {
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  close(listenAt(folder + "/killed.sock"));
  ASSERT_TRUE(std::filesystem::exists(folder + "/killed.sock"));
  platform::buses::EmulatedDisplays displays(folder);
  for (int restart = 0; restart < 20; ++restart) {
    ASSERT_TRUE(serve(folder, "run-" + std::to_string(restart)));
    EXPECT_EQ(displays.onlineDisplayList()->size(), 1u);
    EXPECT_EQ(displays.knownSockets(), 1u);
    servers.clear();
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/killed.sock"));
  displays.onlineDisplayList();
  EXPECT_EQ(displays.knownSockets(), 0u);
}

INSTANTIATE_FOR_BOTH_MODELS(EmulatedSocketTest);

}  // namespace

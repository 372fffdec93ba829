// sway's focus source against a real Unix socket speaking i3-IPC, as sway's
// does: the subscription and the tree asked at start, the focused window of
// the tree and of each focus event reported, and a peer that is no i3-IPC
// dropped.

#include "platform/input/sway_focus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

std::string message(uint32_t type, const std::string& payload) {
  std::string bytes = "i3-ipc";
  const auto length = static_cast<uint32_t>(payload.size());
  bytes.append(reinterpret_cast<const char*>(&length), 4);
  bytes.append(reinterpret_cast<const char*>(&type), 4);
  return bytes + payload;
}

class SwayFocusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillmark-sway-XXXXXX";
    folder = mkdtemp(pattern);
    path = folder + "/ipc.sock";
    listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
  }
  void TearDown() override {
    if (peer >= 0) close(peer);
    close(listener);
    std::filesystem::remove_all(folder);
  }
  void sendToSource(const std::string& bytes) {
    ASSERT_EQ(write(peer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // Qt's events until reports holds count reports, or 5 s.
  void waitFor(size_t count) {
    QElapsedTimer waited;
    waited.start();
    while (reports.size() < count && waited.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
  }
  std::string folder, path;
  int listener = -1, peer = -1;
  std::vector<platform::FocusedWindow> reports;
};

TEST_F(SwayFocusTest, ReportsTheTreesAndEachEventsFocusedWindowAndDropsAPeerOfAnotherProtocol) {
  platform::input::SwayFocus source;
  ASSERT_TRUE(
      source.start(path, [this](const platform::FocusedWindow& w) { reports.push_back(w); }));
  peer = accept(listener, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  const std::string asked = message(2, R"(["window"])") + message(4, "");
  std::string got(asked.size(), '\0');
  ASSERT_EQ(recv(peer, got.data(), got.size(), MSG_WAITALL), static_cast<ssize_t>(got.size()));
  EXPECT_EQ(got, asked);

  sendToSource(message(2, R"({"success":true})"));
  sendToSource(message(4, R"({"nodes":[{"nodes":[{"focused":false,"pid":7,"app_id":"a"},
      {"focused":true,"pid":8,"app_id":null,"window_properties":{"class":"XTerm"}}]}]})"));
  // An event cut in two arrives whole.
  const std::string event = message(
      0x80000003, R"({"change":"focus","container":{"pid":9,"app_id":"org.example.Reader"}})");
  sendToSource(event.substr(0, 10));
  sendToSource(event.substr(10));
  sendToSource(message(0x80000003, R"({"change":"title","container":{"app_id":"ignored"}})"));
  waitFor(2);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], (platform::FocusedWindow{"", "XTerm", 8}));
  EXPECT_EQ(reports[1], (platform::FocusedWindow{"org.example.Reader", "", 9}));

  sendToSource("HTTP/1.1 200 OK\r\n\r\n");
  char byte = 0;
  QElapsedTimer waited;
  waited.start();
  ssize_t end = 1;
  while (end != 0 && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    end = recv(peer, &byte, 1, MSG_DONTWAIT);
  }
  EXPECT_EQ(end, 0) << "the connection to a peer of another protocol stays";
}

}  // namespace

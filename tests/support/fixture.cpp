#include "tests/support/fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/tl_log.h"
#include "core/application_modes.h"
#include "core/link_state.h"
#include "core/parameters.h"
#include "core/refresh_timer.h"
#include "core/runtime_flags.h"
#include "core/screen_resolution.h"
#include "core/session_capabilities.h"

void ModelTest::SetUp() {
  base::selectProfile(*GetParam());
  resetParameters();
  resetRuntimeFlags();
  resetLinkState();
  resetSessionCapabilities();
  resetApplicationModes();
  RefreshTimer.reset();
  currentRes.set(0, 0);
  mainDefaultRes.set(0, 0);
  base::tl_log_reset();
  char pattern[] = "/tmp/quillmark-test-XXXXXX";
  home = mkdtemp(pattern);
  platform.home = home;
}

void ModelTest::TearDown() {
  base::tl_log_reset();
  std::error_code ignored;
  std::filesystem::permissions(home, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(home, ignored);
}

emulator::QuillmarkMonitor& ModelTest::attachMonitor(platform::DisplayID id,
                                                     platform::DisplaySize size) {
  auto* clock = &platform.now;
  monitors.push_back(std::make_unique<emulator::QuillmarkMonitor>(
      model(), [clock] { return static_cast<uint64_t>(clock->load() * 1000); }));
  auto& display = platform.addDisplay(id, {testing_platform::TestBus{true, monitors.back().get()}});
  display.bounds = size;
  return *monitors.back();
}

std::vector<std::vector<uint8_t>> ModelTest::framesSent() const {
  std::vector<std::vector<uint8_t>> frames;
  for (const auto& request : platform.requests) {
    if (request.record.sendAddress == 0x6E) frames.push_back(request.sent);
  }
  return frames;
}

std::vector<std::pair<uint8_t, uint8_t>> ModelTest::commandsSent(size_t fromRequest) const {
  std::vector<std::pair<uint8_t, uint8_t>> commands;
  for (size_t i = fromRequest; i < platform.requests.size(); ++i) {
    const auto& sent = platform.requests[i].sent;
    if (sent.size() == 7 && sent[1] == 0x84) commands.emplace_back(sent[4], sent[5]);
  }
  return commands;
}

std::string ModelTest::takeStdout() {
  std::string text = platform.stdoutText.substr(stdoutTaken_);
  stdoutTaken_ = platform.stdoutText.size();
  return text;
}

std::string ModelTest::readFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void ModelTest::writeFile(const std::string& path, const std::string& content) const {
  std::ofstream(path, std::ios::binary) << content;
}

std::string modelName(const ::testing::TestParamInfo<const base::ModelProfile*>& info) {
  return info.param->modelName;
}

std::vector<uint8_t> commandFrame(uint8_t type, uint8_t value) {
  std::vector<uint8_t> frame = {0x51, 0x84, 0x03, 0x08, type, value};
  uint8_t sum = 0x6E;
  for (uint8_t byte : frame) sum ^= byte;
  frame.push_back(sum);
  return frame;
}

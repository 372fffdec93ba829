#pragma once
// The base of most tests: a fresh test platform with a temporary home
// directory, every process-wide value at its start value, and the model
// profile given as the test parameter, so each test runs under both models.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/model_profile.h"
#include "emulator/quillmark_monitor.h"
#include "tests/support/test_platform.h"

class ModelTest : public ::testing::TestWithParam<const base::ModelProfile*> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool tenor() const { return GetParam() == &base::tenorProfile(); }
  emulator::Model model() const { return tenor() ? emulator::Model::Tenor : emulator::Model::Alto; }

  // A monitor of this test's model on a display of its own (bus 0), with
  // time stamps from the virtual clock.
  emulator::QuillmarkMonitor& attachMonitor(platform::DisplayID id = 1,
                                            platform::DisplaySize size = {1600, 1200});

  // The frames written to the DDC/CI address (write phases), in order.
  std::vector<std::vector<uint8_t>> framesSent() const;
  // The command packets (type, value) written since the request with the given index.
  std::vector<std::pair<uint8_t, uint8_t>> commandsSent(size_t fromRequest = 0) const;
  // Console text printed since the last call.
  std::string takeStdout();
  std::string readFile(const std::string& path) const;
  void writeFile(const std::string& path, const std::string& content) const;

  testing_platform::TestPlatform platform;
  std::string home;
  std::vector<std::unique_ptr<emulator::QuillmarkMonitor>> monitors;

 private:
  size_t stdoutTaken_ = 0;
};

std::string modelName(const ::testing::TestParamInfo<const base::ModelProfile*>& info);

#define INSTANTIATE_FOR_BOTH_MODELS(Suite) \
  INSTANTIATE_TEST_SUITE_P(                \
      Models, Suite, ::testing::Values(&base::altoProfile(), &base::tenorProfile()), modelName)

// A command packet as a write frame: 51 84 03 08 type value checksum.
std::vector<uint8_t> commandFrame(uint8_t type, uint8_t value);

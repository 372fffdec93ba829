// The private data file load: any file loads without harm, and what it loaded
// saves and loads back to the same values.

#include <fstream>

#include "core/app_delegate.h"
#include "core/parameter_store.h"
#include "core/parameters.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_platform.h"

namespace {

std::vector<int64_t> snapshot() {
  return {FreshAutoEnable,
          FreshHandSoftEnable,
          FreshHandHardEnable,
          AutoFreshTime,
          ScreenSaveTime,
          AutoRefreshTimerTurnOnFlag,
          ShowMode,
          WorkMode,
          ResCommMode,
          Threshold,
          Language,
          ContrastHotkeyModifierFlags,
          ContrastHotkeyKeyCode,
          RefreshHotkeyModifierFlags,
          RefreshHotkeyKeyCode,
          ContrastHotkeyDownModifierFlags,
          ContrastHotkeyDownKeyCode};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzPlatform();
  const std::string path = privateDataFilePath();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  static AppDelegate delegate;
  resetParameters();
  delegate.restoreParameters();
  FUZZ_CHECK(file == nullptr);
  const auto loaded = snapshot();
  delegate.saveParameters();
  resetParameters();
  delegate.restoreParameters();
  FUZZ_CHECK(snapshot() == loaded);
  return 0;
}

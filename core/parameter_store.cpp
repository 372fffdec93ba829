#include "core/parameter_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "core/app_delegate.h"
#include "core/parameters.h"
#include "link/tl_log.h"
#include "platform/platform.h"

std::FILE* file = nullptr;

namespace {

constexpr size_t kLineBufferSize = 128;

struct ParameterSlot {
  const char* logFormat;
  std::function<int32_t()> get;
  // Stores the value cut to the Parameter's width and returns the stored value.
  std::function<int32_t(int32_t)> set;
};

template <typename T>
ParameterSlot slot(const char* logFormat, std::atomic<T>& parameter) {
  return {logFormat, [&parameter] { return static_cast<int32_t>(parameter.load()); },
          [&parameter](int32_t value) {
            parameter.store(static_cast<T>(value));
            return static_cast<int32_t>(parameter.load());
          }};
}

const std::vector<ParameterSlot>& parameterSlots() {
  static const std::vector<ParameterSlot> slots = {
      slot("FreshAutoEnable (%d)\n", FreshAutoEnable),
      slot("FreshHandSoftEnable (%d)\n", FreshHandSoftEnable),
      slot("FreshHandHardEnable (%d)\n", FreshHandHardEnable),
      slot("AutoFreshTime (%d)\n", AutoFreshTime),
      slot("ScreenSaveTime (%d)\n", ScreenSaveTime),
      slot("AutoRefreshTimerTurnOnFlag (%d)\n", AutoRefreshTimerTurnOnFlag),
      slot("ShowMode (%d)\n", ShowMode),
      slot("WorkMode (%d)\n", WorkMode),
      slot("ResCommMode (%d)\n", ResCommMode),
      slot("Threshold (%d)\n", Threshold),
      slot("Language (%d)\n", Language),
      slot("ContrastHotkeyModifierFlags (%d)\n", ContrastHotkeyModifierFlags),
      slot("ContrastHotkeyKeyCode (%d)\n", ContrastHotkeyKeyCode),
      slot("RefreshHotkeyModifierFlags (%d)\n", RefreshHotkeyModifierFlags),
      slot("RefreshHotkeyKeyCode (%d)\n", RefreshHotkeyKeyCode),
      slot("ContrastHotkeyDownModifierFlags (%d)\n", ContrastHotkeyDownModifierFlags),
      slot("ContrastHotkeyDownKeyCode (%d)\n", ContrastHotkeyDownKeyCode),
  };
  return slots;
}

std::function<bool()>& saveInterruption() {
  static std::function<bool()> interruption;
  return interruption;
}

// Leading blanks, an optional sign, then digits; no digits gives 0. Numbers
// beyond the signed 32-bit range are held at its nearest end.
int32_t parseDecimalPrefix(const char* text) {
  errno = 0;
  const long long value = std::strtoll(text, nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

std::string logPathLines() {
  const std::string home = platform::app().homeDirectory();
  tl_log("local user path is %s.\n", home.c_str());
  const std::string path = home + "/.QuillMark";
  tl_log("local user private data file is %s.\n", path.c_str());
  return path;
}

void closeFile() {
  std::fclose(file);
  file = nullptr;
}

}  // namespace

std::string privateDataFilePath() {
  return platform::app().homeDirectory() + "/.QuillMark";
}

void setSaveInterruptionForTesting(std::function<bool()> interruption) {
  saveInterruption() = std::move(interruption);
}

void AppDelegate::restoreParameters() {
  const std::string path = logPathLines();
  file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return;
  bool first = true;
  for (const ParameterSlot& parameter : parameterSlots()) {
    char line[kLineBufferSize] = {};
    if (std::fgets(line, sizeof line, file) == nullptr) {
      closeFile();
      tl_log(first ? "configure is null.\n" : "configure file is end.\n");
      return;
    }
    first = false;
    tl_log(parameter.logFormat, parameter.set(parseDecimalPrefix(line)));
  }
  closeFile();
}

// The new content goes to a private temporary file beside the old one, reaches
// the disk, and only then replaces the old file: a crash or a full disk at any
// moment leaves either the old or the new file, never a cut one.
void AppDelegate::saveParameters() {
  const std::string path = logPathLines();
  std::string temporary = path + ".XXXXXX";
  const int descriptor = mkstemp(temporary.data());  // created with mode 0600
  if (descriptor < 0) return;
  file = fdopen(descriptor, "w");
  if (file == nullptr) {
    close(descriptor);
    unlink(temporary.c_str());
    return;
  }
  bool written = true;
  for (const ParameterSlot& parameter : parameterSlots()) {
    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, "%d\n", parameter.get());
    written = written && std::fputs(line, file) >= 0;
  }
  written = written && std::fflush(file) == 0 && fsync(descriptor) == 0;
  closeFile();
  if (written && saveInterruption() && saveInterruption()()) return;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}

bool AppDelegate::globalSaveParameters() {
  saveParameters();
  return true;
}

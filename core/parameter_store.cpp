#include "core/parameter_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/file_replacement.h"
#include "base/regular_file.h"
#include "base/tl_log.h"
#include "core/application_modes.h"
#include "core/parameters.h"
#include "core/ui_posts.h"
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

// A rule's mode is not the user's: the file keeps the user's own choice.
template <typename T>
ParameterSlot chosenSlot(const char* logFormat, std::atomic<T>& parameter, T (*chosen)()) {
  ParameterSlot kept = slot(logFormat, parameter);
  kept.get = [chosen] { return static_cast<int32_t>(chosen()); };
  return kept;
}

const std::vector<ParameterSlot>& parameterSlots() {
  static const std::vector<ParameterSlot> slots = {
      slot("FreshAutoEnable (%d)\n", FreshAutoEnable),
      slot("FreshHandSoftEnable (%d)\n", FreshHandSoftEnable),
      slot("FreshHandHardEnable (%d)\n", FreshHandHardEnable),
      slot("AutoFreshTime (%d)\n", AutoFreshTime),
      slot("ScreenSaveTime (%d)\n", ScreenSaveTime),
      slot("AutoRefreshTimerTurnOnFlag (%d)\n", AutoRefreshTimerTurnOnFlag),
      chosenSlot(
          "ShowMode (%d)\n", ShowMode, +[] { return applicationModes().chosenShowMode(); }),
      slot("WorkMode (%d)\n", WorkMode),
      slot("ResCommMode (%d)\n", ResCommMode),
      chosenSlot(
          "Threshold (%d)\n", Threshold, +[] { return applicationModes().chosenThreshold(); }),
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
  base::tl_log("local user path is %s.\n", home.c_str());
  const std::string path = home + "/.QuillMark";
  base::tl_log("local user private data file is %s.\n", path.c_str());
  return path;
}

void closeFile() {
  std::fclose(file);
  file = nullptr;
}

std::string notRegularText(const std::string& path) {
  return path + " is not a regular file; it is left alone and the defaults are used.\n";
}

void reportNotRegular(const std::string& path) {
  platform::app().standardError(notRegularText(path));
}

// An existing file keeps its mode; a new one is the user's alone (it says
// how the user works, and the home may be readable by others).
mode_t modeForSave(const struct stat* existing) {
  if (existing != nullptr) return existing->st_mode & 07777;
  return 0600;
}

bool writeParameters(int descriptor) {
  std::string content;
  for (const ParameterSlot& parameter : parameterSlots()) {
    content += std::to_string(parameter.get()) + "\n";
  }
  return base::writeWhole(descriptor, content) &&
         ftruncate(descriptor, static_cast<off_t>(content.size())) == 0 && fsync(descriptor) == 0;
}

// A save that left the file as it was says why, in the log and on stderr,
// and returns it.
std::string saveFailed(const std::string& target, const std::string& cause) {
  base::tl_log("Cannot save %s: %s.\n", target.c_str(), cause.c_str());
  platform::app().standardError("Cannot save " + target + ": " + cause + ".\n");
  return cause;
}

std::string errnoText() {
  return std::strerror(errno);
}

// Where no temporary file can be made beside the target (a read-only home
// folder with a writable file in it), or where the file has other names
// (hard links) that a replacement would cut off, the file is rewritten in place.
std::string saveInPlace(const base::FilePlace& place, mode_t mode) {
  const base::OpenedFile opened = base::openRegularFileIn(place, O_WRONLY | O_CREAT, mode);
  if (opened.outcome == base::OpenOutcome::kNotRegular) reportNotRegular(place.path);
  if (opened.descriptor < 0) {
    return saveFailed(place.path, opened.outcome == base::OpenOutcome::kFailed
                                      ? errnoText()
                                      : "not a regular file");
  }
  const std::string problem =
      writeParameters(opened.descriptor) ? std::string() : saveFailed(place.path, errnoText());
  close(opened.descriptor);
  return problem;
}

}  // namespace

std::string privateDataFilePath() {
  return platform::app().homeDirectory() + "/.QuillMark";
}

void setSaveInterruptionForTesting(std::function<bool()> interruption) {
  saveInterruption() = std::move(interruption);
}

namespace {

// Sets the Parameters from the file's lines in their order, telling each
// value set (told is called with nullptr where the lines end first). False
// when there is no file to read; notRegular, where given, then says why.
bool readParameters(const std::string& path,
                    const std::function<void(const ParameterSlot*, int32_t)>& told,
                    std::string* notRegular = nullptr) {
  const base::OpenedFile opened = base::openRegularFile(path, O_RDONLY);
  if (opened.outcome == base::OpenOutcome::kNotRegular) {
    if (notRegular != nullptr) {
      *notRegular = notRegularText(path);
    } else {
      reportNotRegular(path);
    }
  }
  if (opened.descriptor < 0) return false;
  file = fdopen(opened.descriptor, "r");
  if (file == nullptr) {
    close(opened.descriptor);
    return false;
  }
  for (const ParameterSlot& parameter : parameterSlots()) {
    char line[kLineBufferSize] = {};
    if (std::fgets(line, sizeof line, file) == nullptr) {
      closeFile();
      told(nullptr, 0);
      return true;
    }
    told(&parameter, parameter.set(parseDecimalPrefix(line)));
  }
  closeFile();
  return true;
}

}  // namespace

void restoreParameterFile() {
  bool first = true;
  readParameters(logPathLines(), [&first](const ParameterSlot* parameter, int32_t value) {
    if (parameter == nullptr) {
      base::tl_log(first ? "configure is null.\n" : "configure file is end.\n");
      return;
    }
    first = false;
    base::tl_log(parameter->logFormat, value);
  });
}

std::string loadParametersQuietly(const std::string& home) {
  std::string notRegular;
  readParameters(
      home + "/.QuillMark", [](const ParameterSlot*, int32_t) {}, &notRegular);
  return notRegular;
}

// The new content goes to a temporary file beside the old one, reaches the
// disk, and only then replaces the old file: a crash or a full disk at any
// moment leaves either the old or the new file, never a cut one.
std::string writeParameterFile() {
  const std::string path = logPathLines();
  // Found once: the folder is held open and every step below works in it,
  // so that a link or folder swapped meanwhile changes nothing.
  const base::FilePlace place = base::findFile(path, base::FileUse::kWrite);
  if (!place.foreign.empty() && place.notRegular) {
    reportNotRegular(place.path);
    return saveFailed(place.path, "not a regular file");
  }
  if (!place.foreign.empty()) {
    return saveFailed(path, place.foreign + " belongs to another user");
  }
  if (place.folder < 0) {
    return saveFailed(path, errnoText());
  }
  struct stat existing {};
  const bool exists =
      fstatat(place.folder, place.name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    reportNotRegular(place.path);
    return saveFailed(place.path, "not a regular file");
  }
  // A file its owner made read-only stays as it is, root's saves included.
  if (exists && (faccessat(place.folder, place.name.c_str(), W_OK, 0) != 0 ||
                 (existing.st_mode & 0222) == 0)) {
    return saveFailed(place.path, "the file is write-protected");
  }
  const mode_t mode = modeForSave(exists ? &existing : nullptr);
  if (exists && existing.st_nlink > 1) {
    return saveInPlace(place, mode);
  }
  std::string temporary;
  const int descriptor = base::openTemporaryBeside(place, temporary);
  if (descriptor < 0) {
    return saveInPlace(place, mode);
  }
  const bool written = fchmod(descriptor, mode) == 0 && writeParameters(descriptor);
  const std::string cause = written ? std::string() : errnoText();
  close(descriptor);
  if (written && saveInterruption() && saveInterruption()()) return {};
  if (!written ||
      renameat(place.folder, temporary.c_str(), place.folder, place.name.c_str()) != 0) {
    const std::string problem = saveFailed(place.path, written ? errnoText() : cause);
    unlinkat(place.folder, temporary.c_str(), 0);
    return problem;
  }
  return {};
}

std::string saveParameterFile() {
  const std::string problem = writeParameterFile();
  postSaveOutcome(problem);
  return problem;
}

#include "base/tl_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "base/model_profile.h"
#include "base/regular_file.h"

namespace base {

namespace {

// One message holds at most 255 characters; longer ones are cut.
constexpr size_t kMessageBufferSize = 256;

std::mutex gLogMutex;
std::FILE* tl_log_file = nullptr;
bool gClosedByTermination = false;
// Something other than a regular file sits at the log's path: log to standard output only.
bool gFileRefused = false;
LogPlace gPlace;

std::string formatLine(const char* format, const std::string& value) {
  const int length = std::snprintf(nullptr, 0, format, value.c_str());
  std::string line(static_cast<size_t>(length > 0 ? length : 0), '\0');
  std::snprintf(line.data(), line.size() + 1, format, value.c_str());
  return line;
}

// Caller holds gLogMutex.
bool openLogFile() {
  const std::string home = gPlace.home();
  gPlace.output(formatLine("local user path is %s.\n", home));
  const std::string path = home + "/tl.log";
  gPlace.output(formatLine("local user log file is %s.\n", path));
  const base::OpenedFile opened = base::openRegularFile(path, O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (opened.outcome == base::OpenOutcome::kForeign) {
    gPlace.error(
        formatLine("%s belongs to another user; the log goes to standard output only.\n", path));
    gFileRefused = true;
    return true;
  }
  if (opened.outcome == base::OpenOutcome::kNotRegular) {
    gPlace.error(
        formatLine("%s is not a regular file; the log goes to standard output only.\n", path));
    gFileRefused = true;
    return true;
  }
  // Emptied as it is opened, then appended to: another process that empties
  // it meanwhile (the other model's start does) leaves no hole of zeros.
  if (opened.descriptor >= 0) {
    fcntl(opened.descriptor, F_SETFL, fcntl(opened.descriptor, F_GETFL) | O_APPEND);
    tl_log_file = fdopen(opened.descriptor, "a");
  }
  if (tl_log_file == nullptr && opened.descriptor >= 0) close(opened.descriptor);
  return tl_log_file != nullptr;
}

}  // namespace

void tl_log_place(LogPlace place) {
  std::lock_guard<std::mutex> lock(gLogMutex);
  gPlace = std::move(place);
}

void tl_log(const char* format, ...) {
  char message[kMessageBufferSize];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);

  std::lock_guard<std::mutex> lock(gLogMutex);
  if (tl_log_file == nullptr && !gClosedByTermination && !gFileRefused && !openLogFile()) return;
  if (tl_log_file != nullptr && profile().logWritesFile) {
    std::fputs(message, tl_log_file);
    std::fflush(tl_log_file);
  }
  gPlace.output(message);
}

bool tl_log_is_open() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  return tl_log_file != nullptr;
}

void tl_log_close() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  if (tl_log_file != nullptr) std::fclose(tl_log_file);
  tl_log_file = nullptr;
  gClosedByTermination = true;
}

void tl_log_reset() {
  std::lock_guard<std::mutex> lock(gLogMutex);
  if (tl_log_file != nullptr) std::fclose(tl_log_file);
  tl_log_file = nullptr;
  gClosedByTermination = false;
  gFileRefused = false;
}

}  // namespace base

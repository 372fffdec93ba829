#pragma once
// Opening the program's own files (the private data file, the log) so that
// a FIFO, a device or a folder found at their path can never block or be
// written through: only a regular file is opened.

#include <sys/types.h>

#include <string>

namespace platform {

enum class OpenOutcome { kOpened, kMissing, kNotRegular, kFailed };

struct OpenedFile {
  int descriptor = -1;
  OpenOutcome outcome = OpenOutcome::kFailed;
};

// Opens path with flags (O_TRUNC is applied only once the file is known to be
// regular) and, when created, the given mode.
OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode = 0666);

}  // namespace platform

#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode) {
  const bool truncate = (flags & O_TRUNC) != 0;
  // Non-blocking, so that opening a FIFO returns at once instead of waiting for its peer.
  const int descriptor = open(path.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC, mode);
  struct stat status {};
  if (descriptor < 0) {
    const int openError = errno;
    const bool exists = stat(path.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) return {-1, OpenOutcome::kNotRegular};
    return {-1, openError == ENOENT && !exists ? OpenOutcome::kMissing : OpenOutcome::kFailed};
  }
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return {-1, OpenOutcome::kNotRegular};
  }
  if (fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0 ||
      (truncate && ftruncate(descriptor, 0) != 0)) {
    close(descriptor);
    return {-1, OpenOutcome::kFailed};
  }
  return {descriptor, OpenOutcome::kOpened};
}

}  // namespace platform

#include "base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace platform {

std::optional<std::string> linkTarget(const std::string& path) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlink(path.c_str(), target.data(), target.size());
  if (length <= 0 || static_cast<size_t>(length) >= target.size()) return std::nullopt;
  target.resize(static_cast<size_t>(length));
  if (target.front() == '/') return target;
  return path.substr(0, path.rfind('/') + 1) + target;
}

std::string foreignPart(const std::string& path) {
  const uid_t user = geteuid();
  std::string current = path;
  for (int depth = 0; depth < 40; ++depth) {
    const std::string folder = current.substr(0, current.rfind('/') + 1);
    struct stat status {};
    if (stat(folder.empty() ? "." : folder.c_str(), &status) == 0 && status.st_uid != user) {
      return "the folder " + folder;
    }
    if (lstat(current.c_str(), &status) != 0) return {};
    if (status.st_uid != user) return (S_ISLNK(status.st_mode) ? "the link " : "") + current;
    if (!S_ISLNK(status.st_mode)) return {};
    const std::optional<std::string> target = linkTarget(current);
    if (!target) return {};
    current = *target;
  }
  return "the links at " + path;
}

OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode) {
  if ((flags & (O_WRONLY | O_RDWR)) != 0 && !foreignPart(path).empty()) {
    return {-1, OpenOutcome::kForeign};
  }
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

#include "base/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace base {

namespace {

// A place the user may replace or remove a file at: theirs, and holding a
// regular file or nothing (root owns /dev: a link there is no file to replace).
bool ownPlace(const FilePlace& place, std::string& why) {
  if (!place.foreign.empty()) {
    why = place.notRegular ? place.path + " is not a regular file"
                           : place.foreign + " belongs to another user";
    return false;
  }
  if (place.folder < 0) {
    why = place.path + ": " + std::strerror(errno);
    return false;
  }
  struct stat found {};
  if (fstatat(place.folder, place.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 &&
      !S_ISREG(found.st_mode)) {
    why = place.path + " is not a regular file";
    return false;
  }
  return true;
}

}  // namespace

bool writeWhole(int descriptor, const std::string& content) {
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t step = write(descriptor, content.data() + written, content.size() - written);
    if (step < 0 && errno == EINTR) continue;
    if (step <= 0) return false;
    written += static_cast<size_t>(step);
  }
  return true;
}

int openTemporaryBeside(const FilePlace& place, std::string& temporary) {
  static std::atomic<unsigned> made{0};
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%d.%u", static_cast<int>(getpid()), made++);
    temporary = place.name + suffix;
    const int descriptor = openat(place.folder, temporary.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;
}

bool replaceOwnFile(const std::string& path, const std::string& content, mode_t mode,
                    std::string& why) {
  const FilePlace place = findFile(path, FileUse::kWrite);
  if (!ownPlace(place, why)) return false;
  std::string temporary;
  const int descriptor = openTemporaryBeside(place, temporary);
  if (descriptor < 0) {
    why = place.path + ": " + std::strerror(errno);
    return false;
  }
  const bool written =
      fchmod(descriptor, mode) == 0 && writeWhole(descriptor, content) && fsync(descriptor) == 0;
  const int cause = errno;
  close(descriptor);
  if (written && renameat(place.folder, temporary.c_str(), place.folder, place.name.c_str()) == 0) {
    return true;
  }
  why = place.path + ": " + std::strerror(written ? errno : cause);
  unlinkat(place.folder, temporary.c_str(), 0);
  return false;
}

bool removeOwnFile(const std::string& path, std::string& why) {
  const FilePlace place = findFile(path, FileUse::kWrite);
  if (place.folder < 0 && place.foreign.empty() && errno == ENOENT) return true;
  if (!ownPlace(place, why)) return false;
  if (unlinkat(place.folder, place.name.c_str(), 0) == 0 || errno == ENOENT) return true;
  why = place.path + ": " + std::strerror(errno);
  return false;
}

}  // namespace base

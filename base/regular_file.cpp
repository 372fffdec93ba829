#include "base/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace base {

std::optional<std::string> linkTarget(const std::string& path) {
  std::string target(PATH_MAX, '\0');
  const ssize_t length = readlink(path.c_str(), target.data(), target.size());
  if (length <= 0 || static_cast<size_t>(length) >= target.size()) return std::nullopt;
  target.resize(static_cast<size_t>(length));
  if (target.front() == '/') return target;
  return path.substr(0, path.rfind('/') + 1) + target;
}

namespace {

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

FilePlace::~FilePlace() {
  if (folder >= 0) close(folder);
}

FilePlace::FilePlace(FilePlace&& other) noexcept
    : folder(other.folder),
      name(std::move(other.name)),
      path(std::move(other.path)),
      foreign(std::move(other.foreign)) {
  other.folder = -1;
}

FilePlace findFile(const std::string& path, FileUse use) {
  const uid_t user = geteuid();
  FilePlace place;
  place.path = path;
  std::string folderPath = folderOf(path);
  place.name = nameOf(path);
  place.folder = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int depth = 0; depth < 40 && place.folder >= 0; ++depth) {
    struct stat folder {};
    struct stat entry {};
    if (fstat(place.folder, &folder) != 0) break;
    if (use == FileUse::kWrite && folder.st_uid != user) {
      place.foreign = "the folder " + folderPath;
      struct stat target {};
      place.notRegular =
          depth > 0 &&
          fstatat(place.folder, place.name.c_str(), &target, AT_SYMLINK_NOFOLLOW) == 0 &&
          !S_ISREG(target.st_mode) && !S_ISLNK(target.st_mode);
      return place;
    }
    if (fstatat(place.folder, place.name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
      return place;  // missing: to be made here
    }
    if (use == FileUse::kWrite && entry.st_uid != user) {
      place.foreign = (S_ISLNK(entry.st_mode) ? "the link " : "") + place.path;
      return place;
    }
    // In a folder that others may write, anyone could have made or swapped
    // what is there (sshd's rule): a file of another user's is not read, and
    // only this user's links are followed, and none there.
    const bool othersWrite = (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    if (!S_ISLNK(entry.st_mode)) {
      if (othersWrite && entry.st_uid != user) place.foreign = place.path;
      return place;
    }
    if (entry.st_uid != user || othersWrite) {
      place.foreign = "the link " + place.path;
      return place;
    }
    std::string target(PATH_MAX, '\0');
    const ssize_t length =
        readlinkat(place.folder, place.name.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<size_t>(length) >= target.size()) break;
    target.resize(static_cast<size_t>(length));
    const std::string targetFolder = folderOf(target);
    const int next = openat(target.front() == '/' ? AT_FDCWD : place.folder, targetFolder.c_str(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(place.folder);
    place.folder = next;
    folderPath = target.front() == '/' ? targetFolder : folderPath + targetFolder;
    place.name = nameOf(target);
    place.path = folderPath + place.name;
  }
  if (place.folder >= 0) place.foreign = "the links at " + path;
  return place;
}

std::string foreignPart(const std::string& path) {
  return findFile(path, FileUse::kWrite).foreign;
}

OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode) {
  const bool writing = (flags & (O_WRONLY | O_RDWR)) != 0;
  const FilePlace place = findFile(path, writing ? FileUse::kWrite : FileUse::kRead);
  if (!place.foreign.empty()) {
    return {-1, place.notRegular ? OpenOutcome::kNotRegular : OpenOutcome::kForeign};
  }
  if (place.folder < 0) {
    return {-1, errno == ENOENT ? OpenOutcome::kMissing : OpenOutcome::kFailed};
  }
  return openRegularFileIn(place, flags, mode);
}

OpenOutcome readRegularFile(const std::string& path, size_t limit, std::string& text) {
  const OpenedFile opened = openRegularFile(path, O_RDONLY);
  if (opened.outcome != OpenOutcome::kOpened) return opened.outcome;
  text.assign(limit, '\0');
  size_t got = 0;
  ssize_t step = 0;
  while (got < limit && (step = read(opened.descriptor, text.data() + got, limit - got)) != 0) {
    if (step < 0 && errno == EINTR) continue;
    if (step < 0) break;
    got += static_cast<size_t>(step);
  }
  close(opened.descriptor);
  text.resize(got);
  return step < 0 ? OpenOutcome::kFailed : OpenOutcome::kOpened;
}

OpenedFile openRegularFileIn(const FilePlace& place, int flags, mode_t mode) {
  const bool truncate = (flags & O_TRUNC) != 0;
  // A device is not even opened: opening some acts (a watchdog, a tape).
  struct stat found {};
  if (fstatat(place.folder, place.name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0 &&
      (S_ISCHR(found.st_mode) || S_ISBLK(found.st_mode))) {
    return {-1, OpenOutcome::kNotRegular};
  }
  // Non-blocking, so that opening a FIFO returns at once instead of waiting
  // for its peer; no link is followed, so that one planted since the place
  // was found is not either.
  const int descriptor = openat(place.folder, place.name.c_str(),
                                (flags & ~O_TRUNC) | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW, mode);
  struct stat status {};
  if (descriptor < 0) {
    const int openError = errno;
    const bool exists =
        fstatat(place.folder, place.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISLNK(status.st_mode)) return {-1, OpenOutcome::kForeign};
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

}  // namespace base

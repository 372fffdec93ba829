#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/private_folder.h"

namespace {

std::string lockFileName(const base::ModelProfile& model) {
  return std::string(model.programName) + ".lock";
}

// The folder the lock lives in, open: the runtime folder, else a folder in
// the user's own cache, and one in /tmp only for a user without a home of
// their own. One place for a given environment, whatever another user made
// or removed in /tmp: falling back from a folder someone else can take would
// let two starts lock in two places. Each must be a real folder of this
// user's with mode 0700, checked on the opened folder; the cache's and
// /tmp's are made when missing. -1, with each refusal in why, when it will
// not do.
int lockFolder(std::string& why) {
  const std::string path = base::runtimeFolder("");
  std::string refusal;
  const int folder = base::openRuntimeFolder(path, false, refusal);
  if (folder < 0) why = path + ": " + refusal;
  return folder;
}

}  // namespace

InstanceLock takeInstanceLock(const base::ModelProfile& model, std::string& why) {
  const int folder = lockFolder(why);
  if (folder < 0) return InstanceLock::kUnavailable;
  const std::string name = lockFileName(model);
  // Never closed: the lock ends with the process, however it ends.
  const int descriptor =
      openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  close(folder);
  if (descriptor < 0) {
    why = std::string("cannot open its lock file: ") + std::strerror(errno);
    return InstanceLock::kUnavailable;
  }
  if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) return InstanceLock::kTaken;
  close(descriptor);
  return InstanceLock::kHeldByAnother;
}

bool instanceLockHeld(const base::ModelProfile& model) {
  std::string why;
  const int folder = lockFolder(why);
  if (folder < 0) return false;
  const std::string name = lockFileName(model);
  const int descriptor = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  close(folder);
  if (descriptor < 0) return false;
  const bool held = flock(descriptor, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(descriptor);  // gives back the shared lock, if it was had
  return held;
}

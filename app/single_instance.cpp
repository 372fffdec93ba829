#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/buses/socket_protocol.h"

namespace {

// The folder the lock may live in, open: a real folder of this user's with
// mode 0700, checked on the opened folder as the emulated displays' is; -1
// when there is none.
int lockFolder() {
  std::string why;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/') {
    const int folder = emulated::openPrivateDirectory(runtime, why);
    if (folder >= 0) return folder;
  }
  const std::string fallback = "/tmp/quillmark-" + std::to_string(geteuid());
  mkdir(fallback.c_str(), 0700);
  return emulated::openPrivateDirectory(fallback, why);
}

}  // namespace

InstanceLock takeInstanceLock(const ModelProfile& model) {
  const int folder = lockFolder();
  if (folder < 0) return InstanceLock::kUnavailable;
  const std::string name = std::string(model.programName) + ".lock";
  // Never closed: the lock ends with the process, however it ends.
  const int descriptor =
      openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  close(folder);
  if (descriptor < 0) return InstanceLock::kUnavailable;
  if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) return InstanceLock::kTaken;
  close(descriptor);
  return InstanceLock::kHeldByAnother;
}

bool instanceLockHeld(const ModelProfile& model) {
  const int folder = lockFolder();
  if (folder < 0) return false;
  const std::string name = std::string(model.programName) + ".lock";
  const int descriptor = openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  close(folder);
  if (descriptor < 0) return false;
  const bool held = flock(descriptor, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(descriptor);  // gives back the shared lock, if it was had
  return held;
}

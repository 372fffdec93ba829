#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// A folder the lock may live in: a real folder of this user's that nobody else can write to.
bool privateFolder(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

std::string lockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/' && privateFolder(runtime)) {
    return runtime;
  }
  const std::string fallback = "/tmp/quillmark-" + std::to_string(geteuid());
  mkdir(fallback.c_str(), 0700);
  return privateFolder(fallback) ? fallback : std::string();
}

}  // namespace

InstanceLock takeInstanceLock(const ModelProfile& model) {
  const std::string folder = lockFolder();
  if (folder.empty()) return InstanceLock::kUnavailable;
  const std::string path = folder + "/" + model.programName + ".lock";
  // Never closed: the lock ends with the process, however it ends.
  const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (descriptor < 0) return InstanceLock::kUnavailable;
  if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) return InstanceLock::kTaken;
  close(descriptor);
  return InstanceLock::kHeldByAnother;
}

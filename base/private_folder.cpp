#include "base/private_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace base {
namespace {

std::string octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode);
  return text;
}

}  // namespace

bool isPrivateDirectory(int directory, std::string& why) {
  struct stat info {};
  if (fstat(directory, &info) != 0) {
    why = std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    why = "it is not a folder";
    return false;
  }
  if (info.st_uid != geteuid()) {
    why = "it belongs to user " + std::to_string(info.st_uid) + ", not to you";
    return false;
  }
  if ((info.st_mode & 07777) != 0700) {
    why = "its mode is " + octal(info.st_mode & 07777) + ", not 0700";
    return false;
  }
  return true;
}

int openFolder(const std::string& path, std::string& why) {
  const int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0) {
    why = errno == ELOOP || errno == ENOTDIR ? "it is a symbolic link or not a folder"
                                             : std::strerror(errno);
  }
  return folder;
}

int openPrivateDirectory(const std::string& path, std::string& why) {
  const int directory = openFolder(path, why);
  if (directory < 0) return -1;
  if (!isPrivateDirectory(directory, why)) {
    close(directory);
    return -1;
  }
  return directory;
}

bool isOwnFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

bool makeOwnFolder(const std::string& folder, std::string& why) {
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0) return true;
  const size_t slash = folder.find_last_of('/');
  const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
  if (!isOwnFolder(parent)) {
    why = parent + " is not yours: " + folder.substr(slash + 1) + " is not made there";
    return false;
  }
  if (mkdir(folder.c_str(), 0700) != 0) {
    why = folder + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool makeOwnFolders(const std::string& folder, std::string& why) {
  for (size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    if (!makeOwnFolder(folder.substr(0, slash), why)) return false;
  }
  return makeOwnFolder(folder, why);
}

std::string runtimeFolder(const std::string& name) {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/') {
    return name.empty() ? std::string(runtime) : std::string(runtime) + "/quillmark-" + name;
  }
  if (const char* home = std::getenv("HOME");
      home != nullptr && home[0] == '/' && isOwnFolder(home)) {
    const std::string cache = std::string(home) + "/.cache/quillmark";
    return name.empty() ? cache : cache + "/" + name;
  }
  return "/tmp/quillmark-" + (name.empty() ? "" : name + "-") + std::to_string(geteuid());
}

bool makeRuntimeFolder(const std::string& folder, std::string& why) {
  if (folder.substr(0, folder.find_last_of('/')) != "/tmp") return makeOwnFolders(folder, why);
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    why = folder + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

int openRuntimeFolder(const std::string& folder, bool tightenOwn, std::string& why) {
  if (!makeRuntimeFolder(folder, why)) return -1;
  const int opened = openFolder(folder, why);
  if (opened < 0) return -1;
  struct stat info {};
  if (tightenOwn && fstat(opened, &info) == 0 && info.st_uid == geteuid()) fchmod(opened, 0700);
  if (isPrivateDirectory(opened, why)) return opened;
  close(opened);
  return -1;
}

}  // namespace base

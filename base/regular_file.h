#pragma once
// Opening the program's own files (the private data file, the log) so that
// a FIFO, a device or a folder found at their path can never block or be
// written through: only a regular file is opened.

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform {

enum class OpenOutcome { kOpened, kMissing, kNotRegular, kForeign, kFailed };

struct OpenedFile {
  int descriptor = -1;
  OpenOutcome outcome = OpenOutcome::kFailed;
};

// What at path belongs to another user: its folder, a link on the way to the
// file, or the file itself; empty when all of it is this program's user's.
// A link is followed only when its owner is ours, the rule the kernel applies
// in shared folders, so that nobody can point the program's writes elsewhere.
std::string foreignPart(const std::string& path);

// What the symbolic link at path names, a relative target taken from the
// link's folder; nullopt when path is no link or cannot be read.
std::optional<std::string> linkTarget(const std::string& path);

// Opens path with flags (O_TRUNC is applied only once the file is known to be
// regular) and, when created, the given mode. For writing, a path with a
// foreign part is refused (kForeign) before anything is opened.
OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode = 0666);

}  // namespace platform

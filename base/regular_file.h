#pragma once
// Opening the program's own files (the private data file, the log) so that
// a FIFO, a device or a folder found at their path can never block or be
// written through: only a regular file is opened.

#include <sys/types.h>

#include <optional>
#include <string>

namespace base {

enum class OpenOutcome { kOpened, kMissing, kNotRegular, kForeign, kFailed };

struct OpenedFile {
  int descriptor = -1;
  OpenOutcome outcome = OpenOutcome::kFailed;
};

enum class FileUse { kRead, kWrite };

// Where one of the program's own files is: its folder, open, and its name in
// that folder, each link on the way followed as it was checked, so that what
// is used is what was checked. A link is followed only when its owner is this
// program's user (the rule the kernel applies in shared folders), and none in
// a folder that others may write. For writing, the folders and the file must
// be this user's too. foreign names the part refused; folder is -1 when the
// folder cannot be opened (errno says why).
struct FilePlace {
  FilePlace() = default;
  FilePlace(FilePlace&& other) noexcept;
  FilePlace& operator=(FilePlace&&) = delete;
  ~FilePlace();

  int folder = -1;
  std::string name;
  std::string path;     // the file's path as followed, for messages
  std::string foreign;  // "the folder X/", "the link X", "X", "the links at X"
  // Refused for writing because the user's own links lead to what is no
  // regular file (a device, a FIFO) in a folder not theirs: said as such.
  bool notRegular = false;
};
FilePlace findFile(const std::string& path, FileUse use);

// What at path belongs to another user (findFile's foreign, for writing);
// empty when all of it is this program's user's.
std::string foreignPart(const std::string& path);

// What the symbolic link at path names, a relative target taken from the
// link's folder; nullopt when path is no link or cannot be read.
std::optional<std::string> linkTarget(const std::string& path);

// Opens path with flags (O_TRUNC is applied only once the file is known to be
// regular) and, when created, the given mode. A path with a foreign part is
// refused (kForeign) before anything is opened.
OpenedFile openRegularFile(const std::string& path, int flags, mode_t mode = 0666);
// Reads at most limit bytes of the regular file at path into text, opened as
// openRegularFile does; kFailed also when the reading fails.
OpenOutcome readRegularFile(const std::string& path, size_t limit, std::string& text);

// The same in a place already found: no link is followed there.
OpenedFile openRegularFileIn(const FilePlace& place, int flags, mode_t mode = 0666);

}  // namespace base

#pragma once
// Writing one of the program's own small files as a whole, in a place found
// once (base::findFile): the folder is held open, a temporary file is made
// beside the target exclusively and without following links, and only then
// renamed over it, so that a link or folder swapped meanwhile changes
// nothing and a crash leaves the old file or the new one, never a cut one.

#include <sys/types.h>

#include <string>

#include "base/regular_file.h"

namespace base {

// Writes all of content at the descriptor's position, a short write or an
// interruption taken up again; false when the file system refuses.
bool writeWhole(int descriptor, const std::string& content);

// A new file beside place's target, its name in temporary; made
// exclusively, so that nothing already there is ever used. -1 (errno says
// why) when none can be made there.
int openTemporaryBeside(const FilePlace& place, std::string& temporary);

// Replaces the file at path with content, made with mode. A path with a part
// of another user's is refused. False with the reason.
bool replaceOwnFile(const std::string& path, const std::string& content, mode_t mode,
                    std::string& why);

// Removes the file at path through its held folder; true when it is gone
// (or was never there). A part of another user's is left alone.
bool removeOwnFile(const std::string& path, std::string& why);

}  // namespace base

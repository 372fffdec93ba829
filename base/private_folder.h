#pragma once
// Folders the program may trust with its sockets and locks: checked on the
// opened folder, never by name, so that a link or a swap after the check
// cannot stand in for them. Shared by the emulated displays, the emulator
// and the instance lock.

#include <string>

namespace base {

// The folder at path, opened without following a symbolic link; -1 with the reason.
int openFolder(const std::string& path, std::string& why);
// A real folder (not a symbolic link), owned by this user, with mode 0700.
// Returns the open folder or -1 with the reason.
int openPrivateDirectory(const std::string& path, std::string& why);
// The same checks on a folder already open.
bool isPrivateDirectory(int directory, std::string& why);
// Whether path is a folder of this user's (a link to one counts), whatever its
// mode: one where the program may make a folder of its own.
bool isOwnFolder(const std::string& path);
// Makes the folder (0700) where it is missing, only inside a folder of this
// user's: run as root with a user's HOME, the program makes nothing in that
// home. False with the reason.
bool makeOwnFolder(const std::string& folder, std::string& why);
// The same for each missing folder on the way to folder, outermost first.
bool makeOwnFolders(const std::string& folder, std::string& why);

// Where the program keeps what lives only while it runs (its instance lock,
// the emulator's sockets), never depending on what another user made in
// /tmp: the runtime folder, else the user's own cache folder, and /tmp only
// for a user without a home of their own. name "" is the program's own
// ($XDG_RUNTIME_DIR, ~/.cache/quillmark, /tmp/quillmark-<uid>), another name
// a folder beside it (.../quillmark-displays, ~/.cache/quillmark/displays,
// /tmp/quillmark-displays-<uid>). The same environment gives the same folder.
std::string runtimeFolder(const std::string& name);
// Makes what is missing of such a folder (0700): folders inside the user's
// own, or the one in /tmp. False with the reason.
bool makeRuntimeFolder(const std::string& folder, std::string& why);
// Makes what is missing of such a folder and opens it, checked on what was
// opened to be private (openPrivateDirectory); with tightenOwn, one of this
// user's with a looser mode is first made 0700. -1 with the reason.
int openRuntimeFolder(const std::string& folder, bool tightenOwn, std::string& why);

}  // namespace base

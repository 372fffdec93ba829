#pragma once
// One instance per user, with or without a session bus: a lock on a file in
// the user's runtime folder (XDG_RUNTIME_DIR, else a 0700 folder of the
// user's in /tmp, else one in the user's cache), held for the life of the
// process and taken before anything touches the monitor, ~/tl.log or
// ~/.QuillMark.

#include "base/model_profile.h"

enum class InstanceLock { kTaken, kHeldByAnother, kUnavailable };

#include <string>

// kUnavailable says in why which folders were refused and why.
InstanceLock takeInstanceLock(const base::ModelProfile& model, std::string& why);

// True while an instance holds the lock: it runs, reachable over D-Bus or not.
bool instanceLockHeld(const base::ModelProfile& model);

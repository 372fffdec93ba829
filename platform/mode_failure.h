#pragma once
// Why the last change of a display mode did not happen, in the words of
// whoever refused it (Mutter's error, a display tool's exit), for the status
// line, D-Bus and the command line. Set by the display-mode owners, read by
// the core; any thread.

#include <string>

namespace platform {

void noteModeFailure(const std::string& reason);
std::string lastModeFailure();

}  // namespace platform

#pragma once
// The diagnostic log of the monitor link and the core: "<home>/tl.log" and a
// copy on standard output. The file is emptied by the first message of a run.

#include <functional>
#include <string>
#include <string_view>

namespace base {

// Where the log lives and what it writes besides its file: the home folder
// its file goes in, standard output and standard error. Given once by
// whoever sets the process up, before the first message.
struct LogPlace {
  std::function<std::string()> home;
  std::function<void(std::string_view)> output;
  std::function<void(std::string_view)> error;
};
void tl_log_place(LogPlace place);

void tl_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True while the log file is open.
bool tl_log_is_open();

// Termination: closes the log file. Later messages go to standard output only
// and never reopen (and so empty) the file.
void tl_log_close();

// Forgets the open file and the closed state, as at process start (tests).
void tl_log_reset();

}  // namespace base

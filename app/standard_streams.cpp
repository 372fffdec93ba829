#include "app/standard_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

bool gOutputClosed = false;

}  // namespace

void keepStandardStreamsSafe() {
  signal(SIGPIPE, SIG_IGN);
  for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
    if (fcntl(stream, F_GETFD) != -1) continue;
    if (stream == STDOUT_FILENO) gOutputClosed = true;
    // The lowest free number: the closed stream's own.
    const int opened = open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != stream && opened >= 0) close(opened);
  }
}

bool standardOutputWasClosed() {
  return gOutputClosed;
}

#include "platform/session/x11_display.h"

#include <X11/Xlib.h>

#include <mutex>

namespace platform::session {
namespace {

// The request that failed returns its failure to the caller, which checks it.
int requestErrorIsNotFatal(Display*, XErrorEvent*) {
  return 0;
}

}  // namespace

Display* openX11Display() {
  static std::once_flag installed;
  std::call_once(installed, [] { XSetErrorHandler(requestErrorIsNotFatal); });
  return XOpenDisplay(nullptr);
}

}  // namespace platform::session

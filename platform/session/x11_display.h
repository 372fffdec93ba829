#pragma once
// The one way this program opens a connection to the X server. Xlib's default
// error handler ends the process, and a window can go away between the event
// that named it and the request that reads it (a dialog closed by the very key
// being looked at): such an error belongs to one request, never to the program.

struct _XDisplay;

namespace platform::session {

// XOpenDisplay(nullptr) with request errors made non-fatal for the whole
// process; nullptr where no X server answers.
_XDisplay* openX11Display();

}  // namespace platform::session

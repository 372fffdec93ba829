#pragma once
// Qt ends a program that finds no usable platform plugin (no display, or a
// Wayland desktop without Qt's Wayland plugin and without XWayland) with an
// abort and the advice to reinstall it. While a GraphicalSessionGuard lives,
// that end is one line saying what is missing instead, and exit status 1.

namespace platform::qt {

class GraphicalSessionGuard {
 public:
  // withoutDisplay: what the program offers where there is no display at
  // all, said after what is missing.
  GraphicalSessionGuard(const char* programName, const char* withoutDisplay);
  ~GraphicalSessionGuard();
  GraphicalSessionGuard(const GraphicalSessionGuard&) = delete;
  GraphicalSessionGuard& operator=(const GraphicalSessionGuard&) = delete;
};

}  // namespace platform::qt

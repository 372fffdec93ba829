#pragma once
// The window that has the focus, as the desktop names its application: what
// a focus source reports and what an application's rule is matched against.

#include <cstdint>
#include <string>

namespace platform {

struct FocusedWindow {
  std::string appId;        // Wayland app id or desktop file id, without ".desktop"
  std::string windowClass;  // X11 WM_CLASS (its class part), where there is one
  int64_t pid = 0;          // 0: not known

  bool operator==(const FocusedWindow&) const = default;
};

}  // namespace platform

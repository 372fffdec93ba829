#include "platform/session/x11_display.h"

// gtest before Xlib, whose None macro its names would meet.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// clang-format on

namespace {

// Run under an X server of its own (tests/support/with-xvfb): a window gone
// before its property is read (a dialog closed by the key being looked at)
// must fail that one request, not end the program as Xlib's default would.
TEST(X11Display, RequestOnAWindowThatIsGoneFailsAlone) {
  Display* display = platform::session::openX11Display();
  ASSERT_NE(display, nullptr) << "no X server at DISPLAY";
  const Window root = DefaultRootWindow(display);
  const Window gone = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(display, gone);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display, gone, XA_WM_NAME, 0, 16, False, AnyPropertyType, &type, &format,
                     &count, &remaining, &data);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(type, static_cast<Atom>(None));
  // The connection goes on serving: a round trip after the error answers.
  XWindowAttributes attributes{};
  EXPECT_NE(XGetWindowAttributes(display, root, &attributes), 0);
  EXPECT_GT(attributes.width, 0);
  XCloseDisplay(display);
}

}  // namespace

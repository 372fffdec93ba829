#include "platform/input/x11_active_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

#include "platform/session/x11_display.h"

namespace platform::input {
namespace {

// The longest name read from a window: app ids and classes are short.
constexpr long kLongestNameWords = 64;

struct PropertyData {
  unsigned char* bytes = nullptr;
  unsigned long count = 0;
  int format = 0;
  ~PropertyData() {
    if (bytes != nullptr) XFree(bytes);
  }
};

bool readProperty(Display* display, Window window, const char* name, PropertyData& data) {
  const Atom atom = XInternAtom(display, name, True);
  if (atom == 0) return false;
  Atom type = 0;
  unsigned long after = 0;
  return XGetWindowProperty(display, window, atom, 0, kLongestNameWords, False, AnyPropertyType,
                            &type, &data.format, &data.count, &after, &data.bytes) == Success &&
         data.bytes != nullptr && data.count > 0;
}

std::string textProperty(Display* display, Window window, const char* name) {
  PropertyData data;
  if (!readProperty(display, window, name, data) || data.format != 8) return {};
  return std::string(reinterpret_cast<const char*>(data.bytes), data.count).c_str();
}

// A 32-bit property arrives as longs, whatever the machine's word.
unsigned long cardinalProperty(Display* display, Window window, const char* name) {
  PropertyData data;
  if (!readProperty(display, window, name, data) || data.format != 32) return 0;
  return *reinterpret_cast<unsigned long*>(data.bytes);
}

std::string withoutDesktopSuffix(std::string id) {
  const std::string suffix = ".desktop";
  if (id.size() > suffix.size() &&
      id.compare(id.size() - suffix.size(), suffix.size(), suffix) == 0)
    id.resize(id.size() - suffix.size());
  return id;
}

}  // namespace

X11ActiveWindow::~X11ActiveWindow() {
  readable_.reset();
  if (display_ != nullptr) XCloseDisplay(display_);
}

bool X11ActiveWindow::start(FocusReport report) {
  display_ = session::openX11Display();
  if (display_ == nullptr) return false;
  activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  const Window root = DefaultRootWindow(display_);
  // A window manager that names the active window lists it in _NET_SUPPORTED
  // (longer than a name: read whole here).
  const Atom supportedAtom = XInternAtom(display_, "_NET_SUPPORTED", True);
  bool named = false;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* atoms = nullptr;
  if (supportedAtom != 0 &&
      XGetWindowProperty(display_, root, supportedAtom, 0, 4096, False, XA_ATOM, &type, &format,
                         &count, &after, &atoms) == Success &&
      atoms != nullptr) {
    const auto* list = reinterpret_cast<const unsigned long*>(atoms);
    for (unsigned long i = 0; i < count && !named; ++i) named = list[i] == activeAtom_;
    XFree(atoms);
  }
  if (!named) {
    XCloseDisplay(display_);
    display_ = nullptr;
    return false;
  }
  report_ = std::move(report);
  XSelectInput(display_, root, PropertyChangeMask);
  readable_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
  QObject::connect(readable_.get(), &QSocketNotifier::activated, [this] { readEvents(); });
  reportActiveWindow();
  return true;
}

void X11ActiveWindow::readEvents() {
  bool moved = false;
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    moved |= event.type == PropertyNotify && event.xproperty.atom == activeAtom_;
  }
  if (moved) reportActiveWindow();
}

void X11ActiveWindow::reportActiveWindow() {
  const auto active = static_cast<Window>(
      cardinalProperty(display_, DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW"));
  if (active == 0) return;
  FocusedWindow window;
  window.appId = textProperty(display_, active, "_GTK_APPLICATION_ID");
  if (window.appId.empty()) {
    window.appId = withoutDesktopSuffix(textProperty(display_, active, "_KDE_NET_WM_DESKTOP_FILE"));
  }
  XClassHint hint{};
  if (XGetClassHint(display_, active, &hint) != 0) {
    if (hint.res_class != nullptr) window.windowClass = hint.res_class;
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
  }
  window.pid = static_cast<int64_t>(cardinalProperty(display_, active, "_NET_WM_PID"));
  report_(window);
}

}  // namespace platform::input

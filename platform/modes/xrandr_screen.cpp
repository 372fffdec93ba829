#include "platform/modes/xrandr_screen.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "platform/session/x11_display.h"

namespace platform::modes {
namespace {

Display* threadConnection() {
  thread_local std::unique_ptr<Display, int (*)(Display*)> connection(nullptr, XCloseDisplay);
  thread_local bool tried = false;
  if (!tried) {
    tried = true;
    connection.reset(session::openX11Display());
  }
  return connection.get();
}

struct Resources {
  Display* display = nullptr;
  std::unique_ptr<XRRScreenResources, void (*)(XRRScreenResources*)> screen{nullptr,
                                                                            XRRFreeScreenResources};
  std::unique_ptr<XRROutputInfo, void (*)(XRROutputInfo*)> output{nullptr, XRRFreeOutputInfo};
  RROutput outputId = 0;
};

bool outputHasEDID(Display* display, RROutput output, const std::vector<uint8_t>& edid) {
  const Atom property = XInternAtom(display, "EDID", True);
  if (property == 0 || edid.empty()) return false;
  unsigned char* data = nullptr;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  if (XRRGetOutputProperty(display, output, property, 0, 256, False, False, AnyPropertyType, &type,
                           &format, &count, &remaining, &data) != Success) {
    return false;
  }
  const bool same = data != nullptr && format == 8 && count >= 128 &&
                    std::memcmp(data, edid.data(), std::min<size_t>(128, edid.size())) == 0;
  if (data != nullptr) XFree(data);
  return same;
}

// The connected output showing this EDID; never the re-probing resource query.
std::optional<Resources> findOutput(const std::vector<uint8_t>& edid) {
  Resources found;
  found.display = threadConnection();
  if (found.display == nullptr) return std::nullopt;
  found.screen.reset(XRRGetScreenResourcesCurrent(found.display, DefaultRootWindow(found.display)));
  if (!found.screen) return std::nullopt;
  for (int i = 0; i < found.screen->noutput; ++i) {
    const RROutput output = found.screen->outputs[i];
    std::unique_ptr<XRROutputInfo, void (*)(XRROutputInfo*)> info(
        XRRGetOutputInfo(found.display, found.screen.get(), output), XRRFreeOutputInfo);
    if (info && info->connection == RR_Connected && outputHasEDID(found.display, output, edid)) {
      found.output = std::move(info);
      found.outputId = output;
      return found;
    }
  }
  return std::nullopt;
}

const XRRModeInfo* modeInfo(const XRRScreenResources& screen, RRMode id) {
  for (int i = 0; i < screen.nmode; ++i) {
    if (screen.modes[i].id == id) return &screen.modes[i];
  }
  return nullptr;
}

// The monitor's output measured as it shows on the screen, rotation counted.
DisplaySize shownSize(const XRRCrtcInfo& crtc) {
  const bool quarterTurn = (crtc.rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0;
  return quarterTurn ? DisplaySize{double(crtc.height), double(crtc.width)}
                     : DisplaySize{double(crtc.width), double(crtc.height)};
}

}  // namespace

DisplaySize screenSizeFor(const std::vector<CrtcArea>& crtcs) {
  DisplaySize size;
  for (const CrtcArea& crtc : crtcs) {
    const uint32_t shownWidth = crtc.quarterTurn ? crtc.height : crtc.width;
    const uint32_t shownHeight = crtc.quarterTurn ? crtc.width : crtc.height;
    size.width = std::max(size.width, double(crtc.x) + shownWidth);
    size.height = std::max(size.height, double(crtc.y) + shownHeight);
  }
  return size;
}

std::optional<DisplaySize> XRandRScreen::bounds(const MonitorName& monitor) {
  auto found = findOutput(monitor.edid);
  if (!found || found->output->crtc == 0) return std::nullopt;
  std::unique_ptr<XRRCrtcInfo, void (*)(XRRCrtcInfo*)> crtc(
      XRRGetCrtcInfo(found->display, found->screen.get(), found->output->crtc), XRRFreeCrtcInfo);
  if (!crtc) return std::nullopt;
  return shownSize(*crtc);
}

std::optional<std::vector<DisplayMode>> XRandRScreen::modes(const MonitorName& monitor) {
  auto found = findOutput(monitor.edid);
  if (!found) return std::nullopt;
  std::vector<DisplayMode> list;
  for (int i = 0; i < found->output->nmode; ++i) {
    if (const XRRModeInfo* mode = modeInfo(*found->screen, found->output->modes[i])) {
      list.push_back({mode->width, mode->height, mode->id});
    }
  }
  return list;
}

bool XRandRScreen::apply(const MonitorName& monitor, uint64_t width, uint64_t height,
                         std::string& refusal) {
  auto found = findOutput(monitor.edid);
  if (!found || found->output->crtc == 0) return false;
  Display* display = found->display;
  std::unique_ptr<XRRCrtcInfo, void (*)(XRRCrtcInfo*)> crtc(
      XRRGetCrtcInfo(display, found->screen.get(), found->output->crtc), XRRFreeCrtcInfo);
  if (!crtc) return false;
  RRMode mode = 0;
  for (int i = 0; i < found->output->nmode && mode == 0; ++i) {
    const XRRModeInfo* info = modeInfo(*found->screen, found->output->modes[i]);
    if (info != nullptr && info->width == width && info->height == height) mode = info->id;
  }
  if (mode == 0) return false;
  // The screen becomes the bounding box of the enabled outputs with the
  // monitor's new mode: grown before the change, shrunk after it.
  std::vector<CrtcArea> areas;
  for (int i = 0; i < found->screen->ncrtc; ++i) {
    const RRCrtc id = found->screen->crtcs[i];
    std::unique_ptr<XRRCrtcInfo, void (*)(XRRCrtcInfo*)> other(
        XRRGetCrtcInfo(display, found->screen.get(), id), XRRFreeCrtcInfo);
    if (!other || other->mode == 0) continue;
    const bool ours = id == found->output->crtc;
    const XRRModeInfo* shown = modeInfo(*found->screen, ours ? mode : other->mode);
    if (shown == nullptr) continue;
    areas.push_back({other->x, other->y, shown->width, shown->height,
                     (other->rotation & (RR_Rotate_90 | RR_Rotate_270)) != 0});
  }
  const DisplaySize wanted = screenSizeFor(areas);
  const Window root = DefaultRootWindow(display);
  const int screen = DefaultScreen(display);
  const auto resize = [&](int width, int height) {
    if (width == DisplayWidth(display, screen) && height == DisplayHeight(display, screen)) return;
    const double millimetresPerPixel =
        static_cast<double>(DisplayWidthMM(display, screen)) / DisplayWidth(display, screen);
    XRRSetScreenSize(display, root, width, height, static_cast<int>(width * millimetresPerPixel),
                     static_cast<int>(height * millimetresPerPixel));
  };
  const int wantedWidth = static_cast<int>(wanted.width);
  const int wantedHeight = static_cast<int>(wanted.height);
  // Both the old and the new layout fit while the mode changes.
  resize(std::max(wantedWidth, DisplayWidth(display, screen)),
         std::max(wantedHeight, DisplayHeight(display, screen)));
  const Status status =
      XRRSetCrtcConfig(display, found->screen.get(), found->output->crtc, CurrentTime, crtc->x,
                       crtc->y, mode, crtc->rotation, &found->outputId, 1);
  if (status == RRSetConfigSuccess) resize(wantedWidth, wantedHeight);
  XSync(display, False);
  if (status != RRSetConfigSuccess) {
    refusal = "the X server refused the mode (RandR status " + std::to_string(status) + ")";
  }
  return status == RRSetConfigSuccess;
}

}  // namespace platform::modes

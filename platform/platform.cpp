#include "platform/platform.h"

#include <atomic>
#include <cstdlib>
#include <string_view>

#include "base/tl_log.h"

namespace platform {
namespace {

std::atomic<DisplayServices*> gDisplays{nullptr};
std::atomic<AppFramework*> gApp{nullptr};
std::atomic<KeyboardServices*> gKeyboard{nullptr};

template <typename T>
T& require(const std::atomic<T*>& service) {
  T* current = service.load(std::memory_order_acquire);
  if (current == nullptr) std::abort();  // a program that never installed its platform
  return *current;
}

}  // namespace

void install(const Services& services) {
  gDisplays.store(services.displays, std::memory_order_release);
  gApp.store(services.app, std::memory_order_release);
  gKeyboard.store(services.keyboard, std::memory_order_release);
  // The log writes where the installed framework says, whichever it is then.
  base::tl_log_place({[] { return app().homeDirectory(); },
                      [](std::string_view text) { app().standardOutput(text); },
                      [](std::string_view text) { app().standardError(text); }});
}

DisplayServices& displays() {
  return require(gDisplays);
}
AppFramework& app() {
  return require(gApp);
}
KeyboardServices& keyboard() {
  return require(gKeyboard);
}

}  // namespace platform

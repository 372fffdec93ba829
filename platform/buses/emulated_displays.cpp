#include "platform/buses/emulated_displays.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/private_folder.h"
#include "platform/applying_configuration.h"
#include "platform/buses/emulated_bus.h"
#include "platform/platform.h"

namespace platform::buses {
namespace {

constexpr auto kWorkerBudget = std::chrono::milliseconds(2000);
// What the main thread asks of a display must not freeze the window.
constexpr auto kMainThreadBudget = std::chrono::milliseconds(250);
// Reasons already logged; a folder or peer that stays wrong is named once.
constexpr size_t kMaxRememberedReasons = 64;

}  // namespace

EmulatedDisplays::EmulatedDisplays(std::string directory)
    : directory_(std::move(directory)), mainThread_(std::this_thread::get_id()) {}

std::chrono::milliseconds EmulatedDisplays::budget() const {
  return std::this_thread::get_id() == mainThread_ ? kMainThreadBudget : kWorkerBudget;
}

void EmulatedDisplays::reportOnce(const std::string& what, const std::string& why) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reported_.size() >= kMaxRememberedReasons) reported_.clear();
    if (!reported_.insert(what + ": " + why).second) return;
  }
  platform::app().systemLog("Skipping " + what + ": " + why + ".\n");
}

int EmulatedDisplays::connect(const std::string& path, const Deadline& deadline) {
  std::string why;
  const int socket = connectTo(path, deadline, &why);
  if (socket < 0 && !why.empty()) reportOnce("the emulated display " + path, why);
  return socket;
}

std::optional<std::string> EmulatedDisplays::socketPath(platform::DisplayID display) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [name, id] : ids_) {
    if (id == display) return directory_ + "/" + name;
  }
  return std::nullopt;
}

std::optional<DisplayInfo> EmulatedDisplays::info(platform::DisplayID display) {
  const auto path = socketPath(display);
  if (!path) return std::nullopt;
  const Deadline deadline(budget());
  Socket socket(connect(*path, deadline));
  if (!socket.valid()) return std::nullopt;
  std::vector<uint8_t> answer;
  if (!exchange(socket.get(), MessageWriter().u8(kInfo).data(), answer, deadline)) {
    return std::nullopt;
  }
  return decodeInfo(answer);
}

std::vector<std::string> EmulatedDisplays::socketNames() {
  std::string why;
  const int folder = base::openPrivateDirectory(directory_, why);
  if (folder < 0) {
    // No folder is no emulator; anything else is worth a word.
    if (access(directory_.c_str(), F_OK) == 0)
      reportOnce("the emulated-display folder " + directory_, why);
    return {};
  }
  std::vector<std::string> names;
  if (DIR* directory = fdopendir(folder)) {
    while (const dirent* entry = readdir(directory)) {
      const std::string name = entry->d_name;
      if (isDisplaySocketName(name)) names.push_back(name);
    }
    closedir(directory);
  } else {
    close(folder);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::vector<platform::DisplayID>> EmulatedDisplays::onlineDisplayList() {
  const std::vector<std::string> names = socketNames();
  std::vector<platform::DisplayID> candidates;
  {
    // A name keeps its ID while its socket exists; names gone are forgotten,
    // so emulators restarted all session long do not grow the table.
    std::lock_guard<std::mutex> lock(mutex_);
    std::map<std::string, platform::DisplayID> kept;
    for (const auto& name : names) {
      const auto known = ids_.find(name);
      const platform::DisplayID id = known != ids_.end()
                                         ? known->second
                                         : kEmulatedDisplayBit | (nextId_++ & ~kEmulatedDisplayBit);
      kept.emplace(name, id);
      candidates.push_back(id);
    }
    ids_ = std::move(kept);
  }
  std::vector<platform::DisplayID> online;
  for (const platform::DisplayID id : candidates) {
    // A socket left behind by an emulator that died is not a display.
    if (online.size() < platform::kMaxOnlineDisplays && info(id)) online.push_back(id);
  }
  return online;
}

size_t EmulatedDisplays::knownSockets() {
  std::lock_guard<std::mutex> lock(mutex_);
  return ids_.size();
}

std::optional<platform::FramebufferService> EmulatedDisplays::displayIOServicePort(
    platform::DisplayID display) {
  if (!socketPath(display)) return std::nullopt;
  return platform::FramebufferService{display};
}

bool EmulatedDisplays::registryEntryPath(const platform::FramebufferService& service) {
  return socketPath(service.display).has_value();
}

std::optional<uint32_t> EmulatedDisplays::i2cInterfaceCount(
    const platform::FramebufferService& service) {
  const auto described = info(service.display);
  if (!described) return std::nullopt;
  return described->busCount;
}

std::optional<platform::I2CInterface> EmulatedDisplays::copyI2CInterfaceForBus(
    const platform::FramebufferService& service, uint32_t bus) {
  if (!socketPath(service.display)) return std::nullopt;
  return platform::I2CInterface{service.display, bus};
}

std::unique_ptr<platform::I2CConnection> EmulatedDisplays::i2cInterfaceOpen(
    const platform::I2CInterface& interface, platform::BusCause& cause) {
  cause = platform::BusCause::kNone;
  const auto path = socketPath(interface.display);
  if (!path || interface.bus != 0) return nullptr;
  const int socket = connect(*path, Deadline(budget()));
  if (socket < 0) return nullptr;
  return openEmulatedBus(socket, *path, budget());
}

std::optional<platform::DisplaySize> EmulatedDisplays::displayBounds(platform::DisplayID display) {
  const auto described = info(display);
  if (!described) return std::nullopt;
  return platform::DisplaySize{static_cast<double>(described->width),
                               static_cast<double>(described->height)};
}

std::optional<std::vector<platform::DisplayMode>> EmulatedDisplays::copyAllDisplayModes(
    platform::DisplayID display) {
  const auto described = info(display);
  if (!described) return std::nullopt;
  std::vector<platform::DisplayMode> modes;
  for (const auto& mode : described->modes) modes.push_back({mode.width, mode.height, 0});
  return modes;
}

std::unique_ptr<platform::DisplayConfiguration> EmulatedDisplays::beginDisplayConfiguration() {
  return std::make_unique<platform::ApplyingConfiguration>(
      [this](platform::DisplayID display, const platform::DisplayMode& mode, std::string&) {
        return applyMode(display, mode.width, mode.height);
      });
}

bool EmulatedDisplays::applyMode(platform::DisplayID display, uint64_t width, uint64_t height) {
  const auto path = socketPath(display);
  if (!path || width > UINT32_MAX || height > UINT32_MAX) return false;
  const Deadline deadline(budget());
  Socket socket(connect(*path, deadline));
  if (!socket.valid()) return false;
  MessageWriter request;
  request.u8(kSetMode).u32(static_cast<uint32_t>(width)).u32(static_cast<uint32_t>(height));
  std::vector<uint8_t> answer;
  return exchange(socket.get(), request.data(), answer, deadline) &&
         decodeAcknowledgement(answer).value_or(false);
}

}  // namespace platform::buses

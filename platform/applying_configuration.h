#pragma once
// A display configuration that keeps the modes asked for and applies each of
// them, through the backend's own means, when it is completed.

#include <functional>
#include <string>
#include <vector>

#include "platform/display_services.h"

namespace platform {

class ApplyingConfiguration : public DisplayConfiguration {
 public:
  using Apply =
      std::function<bool(DisplayID display, const DisplayMode& mode, std::string& refusal)>;
  explicit ApplyingConfiguration(Apply apply) : apply_(std::move(apply)) {}

  void configureDisplayWithDisplayMode(DisplayID display, const DisplayMode& mode) override {
    pending_.emplace_back(display, mode);
  }
  bool complete() override {
    bool applied = true;
    for (const auto& [display, mode] : pending_)
      applied = apply_(display, mode, refusal_) && applied;
    return applied;
  }
  void cancel() override { pending_.clear(); }

 private:
  Apply apply_;
  std::vector<std::pair<DisplayID, DisplayMode>> pending_;
};

}  // namespace platform

#include "core/feedback.h"

namespace {

std::function<void(const std::string&)>& feedback() {
  static std::function<void(const std::string&)> tell;
  return tell;
}

}  // namespace

void setFeedback(std::function<void(const std::string&)> tell) {
  feedback() = std::move(tell);
}

void giveFeedback(const std::string& text) {
  if (feedback()) feedback()(text);
}

#pragma once
// The feedback as desktop notifications, when the user turned them on
// (--feedback on; kept in the rules file): each replaces the one before
// instead of stacking, is transient and makes no sound. Only a notification
// server of the user's (or root's) is told.

#include <QDBusConnection>
#include <string>

class FeedbackNotifications {
 public:
  explicit FeedbackNotifications(const char* programName) : programName_(programName) {}
  void setOn(bool on) { on_ = on; }
  void tell(const std::string& text);

 private:
  const char* programName_;
  bool on_ = false;
  uint lastId_ = 0;
};

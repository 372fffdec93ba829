#pragma once
// What the user may be told of a change made for them while they look
// elsewhere: a hotkey's new threshold, the mode an application's rule chose.
// Whether and how is up to the program (a desktop notification, off by
// default: on an e-ink panel every pop-up costs a redraw). Main thread.

#include <functional>
#include <string>

void setFeedback(std::function<void(const std::string&)> tell);
void giveFeedback(const std::string& text);

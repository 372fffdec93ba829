#include "ui/warning_alert.h"

#include "platform/platform.h"

void pop_out_warning_window() {
  platform::app().runModalAlert(
      {"Warning!!!", "Cannot detect Talvex Display exist", {"Ok", "", ""}, 1});
}

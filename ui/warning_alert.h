#pragma once

// The modal warning that the monitor is not found.
void pop_out_warning_window();

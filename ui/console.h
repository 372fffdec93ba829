#pragma once
// The user interface: the main panel, the settings dialog, the current-settings
// view, the help, language and About dialogs, and the warning alert. Qt
// Widgets built in code; depends on the shortcut recorder, the core, the link
// and the platform layer. Every operation runs on the main thread.

// One trace line on standard output (not the log file).
void consoleLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

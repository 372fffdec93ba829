#pragma once
// The program's own path written into text that something else parses: a
// path may hold any byte but '\0' and '/'-separated names, so each consumer
// gets it quoted by that consumer's rules, and a path with shell characters
// can never run anything.

#include <QString>
#include <string>

// One word for a POSIX shell, and for GLib's g_shell_parse_argv (GNOME's
// custom shortcuts; sway's exec, which hands its line to sh -c): as it is
// when it holds only characters no shell treats specially, else in single
// quotes.
std::string shellWord(const std::string& word);

// One argument of a desktop entry's Exec key: as it is when plain, else in
// double quotes with ", `, $ and \ escaped, then the key's own escaping of
// backslashes applied.
QString desktopExecWord(const QString& word);

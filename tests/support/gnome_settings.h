#pragma once
// GNOME's custom keyboard shortcuts as a test reads and sets them through
// GSettings (kept apart from Qt's headers, whose keywords GLib's clash with).

#include <string>
#include <vector>

bool gnomeShortcutSchemaInstalled();
std::vector<std::string> gnomeCustomList();
void setGnomeCustomList(const std::vector<std::string>& paths);
std::string gnomeCustomEntry(const std::string& path, const char* key);
// One list of accelerators in one of GNOME's keybinding schemas.
void setGnomeKeyList(const char* schema, const char* key, const std::vector<std::string>& values);
void setGnomeCustomEntry(const std::string& path, const char* key, const std::string& value);

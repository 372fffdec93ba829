#include "platform/input/gnome_custom_shortcuts.h"

#include <gio/gio.h>

#include <algorithm>
#include <memory>

#include "platform/input/desktop_key_names.h"

namespace platform::input {
namespace {

constexpr const char* kMediaKeys = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kCustomEntry =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr const char* kListKey = "custom-keybindings";
constexpr const char* kPathBase =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

struct SettingsUnref {
  void operator()(GSettings* settings) const { g_object_unref(settings); }
};
using Settings = std::unique_ptr<GSettings, SettingsUnref>;

std::vector<std::string> stringList(GSettings* settings, const char* key) {
  std::vector<std::string> list;
  gchar** values = g_settings_get_strv(settings, key);
  for (gchar** value = values; value != nullptr && *value != nullptr; ++value) {
    list.emplace_back(*value);
  }
  g_strfreev(values);
  return list;
}

bool setStringList(GSettings* settings, const char* key, const std::vector<std::string>& list) {
  std::vector<const gchar*> values;
  for (const std::string& value : list) values.push_back(value.c_str());
  values.push_back(nullptr);
  return g_settings_set_strv(settings, key, values.data()) != FALSE;
}

void resetEntry(GSettings* entry) {
  for (const char* key : {"name", "command", "binding"}) g_settings_reset(entry, key);
}

std::string entryPath(const std::string& owner, const DesktopShortcut& shortcut) {
  return gnomeCustomEntryPrefix(owner) + shortcut.id + "/";
}

}  // namespace

std::string gnomeCustomEntryPrefix(const std::string& owner) {
  return kPathBase + owner + "-";
}

bool gnomeCustomShortcutsAvailable() {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return false;
  for (const char* id : {kMediaKeys, kCustomEntry}) {
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (schema == nullptr) return false;
    g_settings_schema_unref(schema);
  }
  return true;
}

bool setGnomeCustomShortcuts(const std::string& owner,
                             const std::vector<DesktopShortcut>& shortcuts, bool on,
                             std::string& why) {
  if (!gnomeCustomShortcutsAvailable()) {
    why = "GNOME's keyboard shortcut settings are not installed here (schema " +
          std::string(kMediaKeys) + ", package gnome-settings-daemon-common)";
    return false;
  }
  std::vector<std::string> bindings;
  for (const DesktopShortcut& shortcut : shortcuts) {
    const bool wanted = on && shortcut.enabled;
    bindings.push_back(wanted ? gnomeAccelerator(shortcut.keyCode, shortcut.modifierFlags) : "");
    if (wanted && bindings.back().empty()) {
      why = "the hotkey for " + shortcut.name + " cannot be written as a GNOME shortcut";
      return false;
    }
  }
  Settings list(g_settings_new(kMediaKeys));
  std::vector<Settings> entries;
  std::vector<std::string> paths;
  for (const DesktopShortcut& shortcut : shortcuts) {
    paths.push_back(entryPath(owner, shortcut));
    entries.emplace_back(g_settings_new_with_path(kCustomEntry, paths.back().c_str()));
  }
  bool writable = g_settings_is_writable(list.get(), kListKey) != FALSE;
  for (const Settings& entry : entries) {
    for (const char* key : {"name", "command", "binding"}) {
      writable = writable && g_settings_is_writable(entry.get(), key) != FALSE;
    }
  }
  if (!writable) {
    why = "GNOME's keyboard shortcuts cannot be changed here (their settings are read-only)";
    return false;
  }
  // The user's own entries keep their order; the program's are found by path.
  const std::vector<std::string> before = stringList(list.get(), kListKey);
  std::vector<std::string> kept = before;
  kept.erase(std::remove_if(kept.begin(), kept.end(),
                            [&](const std::string& path) {
                              return std::find(paths.begin(), paths.end(), path) != paths.end();
                            }),
             kept.end());
  for (size_t i = 0; i < shortcuts.size(); ++i) {
    if (bindings[i].empty()) continue;
    kept.push_back(paths[i]);
    GSettings* entry = entries[i].get();
    g_settings_set_string(entry, "name", shortcuts[i].name.c_str());
    g_settings_set_string(entry, "command", shortcuts[i].command.c_str());
    g_settings_set_string(entry, "binding", bindings[i].c_str());
  }
  if (!setStringList(list.get(), kListKey, kept)) {
    // Entries the old list names stay; they may only be a binding behind.
    for (size_t i = 0; i < shortcuts.size(); ++i) {
      if (std::find(before.begin(), before.end(), paths[i]) == before.end()) {
        resetEntry(entries[i].get());
      }
    }
    g_settings_sync();
    why = "GNOME's list of custom shortcuts could not be written";
    return false;
  }
  for (size_t i = 0; i < shortcuts.size(); ++i) {
    if (bindings[i].empty()) resetEntry(entries[i].get());
  }
  g_settings_sync();
  // dconf may refuse to commit after taking the write: only what reads back holds.
  if (stringList(list.get(), kListKey) != kept) {
    why = "GNOME's settings did not keep the list of custom shortcuts (dconf did not commit it)";
    return false;
  }
  return true;
}

bool gnomeCustomShortcutsHeld(const std::string& owner,
                              const std::vector<DesktopShortcut>& shortcuts) {
  if (!gnomeCustomShortcutsAvailable()) return false;
  Settings list(g_settings_new(kMediaKeys));
  const std::vector<std::string> listed = stringList(list.get(), kListKey);
  // An entry at the program's path counts only when it runs the program:
  // anyone may write an entry there.
  return std::any_of(shortcuts.begin(), shortcuts.end(), [&](const DesktopShortcut& shortcut) {
    const std::string path = entryPath(owner, shortcut);
    if (std::find(listed.begin(), listed.end(), path) == listed.end()) return false;
    const Settings entry(g_settings_new_with_path(kCustomEntry, path.c_str()));
    gchar* command = g_settings_get_string(entry.get(), "command");
    const bool ours = command != nullptr && shortcut.command == command;
    g_free(command);
    return ours;
  });
}

}  // namespace platform::input

#include "tests/support/gnome_settings.h"

#include <gio/gio.h>

namespace {

constexpr const char* kList = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kEntry = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";

}  // namespace

bool gnomeShortcutSchemaInstalled() {
  GSettingsSchema* schema =
      g_settings_schema_source_lookup(g_settings_schema_source_get_default(), kEntry, TRUE);
  if (schema == nullptr) return false;
  g_settings_schema_unref(schema);
  return true;
}

std::vector<std::string> gnomeCustomList() {
  GSettings* keys = g_settings_new(kList);
  gchar** values = g_settings_get_strv(keys, "custom-keybindings");
  std::vector<std::string> list;
  for (gchar** value = values; *value != nullptr; ++value) list.emplace_back(*value);
  g_strfreev(values);
  g_object_unref(keys);
  return list;
}

void setGnomeCustomList(const std::vector<std::string>& paths) {
  std::vector<const gchar*> values;
  for (const std::string& path : paths) values.push_back(path.c_str());
  values.push_back(nullptr);
  GSettings* keys = g_settings_new(kList);
  g_settings_set_strv(keys, "custom-keybindings", values.data());
  g_object_unref(keys);
}

std::string gnomeCustomEntry(const std::string& path, const char* key) {
  GSettings* entry = g_settings_new_with_path(kEntry, path.c_str());
  gchar* value = g_settings_get_string(entry, key);
  std::string text = value;
  g_free(value);
  g_object_unref(entry);
  return text;
}

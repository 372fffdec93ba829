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

void setGnomeKeyList(const char* schema, const char* key, const std::vector<std::string>& values) {
  std::vector<const gchar*> list;
  for (const std::string& value : values) list.push_back(value.c_str());
  list.push_back(nullptr);
  GSettings* keys = g_settings_new(schema);
  g_settings_set_strv(keys, key, list.data());
  g_object_unref(keys);
}

void setGnomeCustomList(const std::vector<std::string>& paths) {
  setGnomeKeyList(kList, "custom-keybindings", paths);
}

void setGnomeCustomEntry(const std::string& path, const char* key, const std::string& value) {
  GSettings* entry = g_settings_new_with_path(kEntry, path.c_str());
  g_settings_set_string(entry, key, value.c_str());
  g_object_unref(entry);
}

std::string gnomeCustomEntry(const std::string& path, const char* key) {
  GSettings* entry = g_settings_new_with_path(kEntry, path.c_str());
  gchar* value = g_settings_get_string(entry, key);
  std::string text = value;
  g_free(value);
  g_object_unref(entry);
  return text;
}

#include "platform/input/gnome_shortcuts_in_use.h"

#include <gio/gio.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cctype>

#include "platform/input/gnome_custom_shortcuts.h"
#include "platform/input/key_table.h"

namespace platform::input {
namespace {

constexpr const char* kSchemas[] = {
    "org.gnome.desktop.wm.keybindings",
    "org.gnome.shell.keybindings",
    "org.gnome.mutter.keybindings",
    "org.gnome.mutter.wayland.keybindings",
    "org.gnome.settings-daemon.plugins.media-keys",
};
constexpr const char* kCustomList = "org.gnome.settings-daemon.plugins.media-keys";
constexpr const char* kCustomEntry =
    "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
// Far more than GNOME has (some 200 keys); a hostile dconf cannot make the
// validator's list grow without end.
constexpr size_t kMostShortcuts = 4096;

// Toolbox bits: cmdKey, shiftKey, optionKey, controlKey.
uint32_t modifierBit(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "super" || lower == "mod4" || lower == "meta") return 0x0100;
  if (lower == "shift") return 0x0200;
  if (lower == "alt" || lower == "mod1") return 0x0800;
  if (lower == "control" || lower == "ctrl" || lower == "primary" || lower == "ctl") return 0x1000;
  return 0;
}

GSettingsSchema* findSchema(const char* id) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  return source == nullptr ? nullptr : g_settings_schema_source_lookup(source, id, TRUE);
}

void addAccelerator(const char* accelerator, std::vector<SystemHotKey>& list) {
  if (list.size() >= kMostShortcuts) return;
  if (const auto key = hotKeyOfGnomeAccelerator(accelerator)) list.push_back(*key);
}

// Every key of the schema that holds accelerators: a list ("as", most of
// them) or one ("s", older media keys).
void addSchemaShortcuts(GSettingsSchema* schema, const char* path,
                        std::vector<SystemHotKey>& list) {
  GSettings* settings = g_settings_new_full(schema, nullptr, path);
  gchar** keys = g_settings_schema_list_keys(schema);
  for (gchar** key = keys; *key != nullptr; ++key) {
    GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema, *key);
    const GVariantType* type = g_settings_schema_key_get_value_type(schemaKey);
    const std::string_view name(*key);
    // A custom entry's name and command are no accelerators; the list of
    // custom entries holds paths.
    const bool isList =
        g_variant_type_equal(type, G_VARIANT_TYPE_STRING_ARRAY) && name != "custom-keybindings";
    const bool isOne =
        g_variant_type_equal(type, G_VARIANT_TYPE_STRING) && (path == nullptr || name == "binding");
    if (isList) {
      gchar** values = g_settings_get_strv(settings, *key);
      for (gchar** value = values; *value != nullptr; ++value) addAccelerator(*value, list);
      g_strfreev(values);
    } else if (isOne) {
      gchar* value = g_settings_get_string(settings, *key);
      addAccelerator(value, list);
      g_free(value);
    }
    g_settings_schema_key_unref(schemaKey);
  }
  g_strfreev(keys);
  g_object_unref(settings);
}

void addCustomShortcuts(const std::string& owner, std::vector<SystemHotKey>& list) {
  GSettingsSchema* listSchema = findSchema(kCustomList);
  GSettingsSchema* entrySchema = findSchema(kCustomEntry);
  if (listSchema != nullptr && entrySchema != nullptr) {
    GSettings* settings = g_settings_new_full(listSchema, nullptr, nullptr);
    gchar** paths = g_settings_get_strv(settings, "custom-keybindings");
    const std::string own = gnomeCustomEntryPrefix(owner);
    for (gchar** path = paths; *path != nullptr; ++path) {
      const std::string_view entry(*path);
      // Only well-formed paths: GSettings refuses others with a critical.
      if (entry.rfind(own, 0) == 0 || entry.size() < 2 || entry.front() != '/' ||
          entry.back() != '/' || entry.find("//") != std::string_view::npos)
        continue;
      addSchemaShortcuts(entrySchema, *path, list);
    }
    g_strfreev(paths);
    g_object_unref(settings);
  }
  if (listSchema != nullptr) g_settings_schema_unref(listSchema);
  if (entrySchema != nullptr) g_settings_schema_unref(entrySchema);
}

}  // namespace

std::optional<SystemHotKey> hotKeyOfGnomeAccelerator(std::string_view accelerator) {
  uint32_t modifiers = 0;
  while (!accelerator.empty() && accelerator.front() == '<') {
    const size_t end = accelerator.find('>');
    if (end == std::string_view::npos) return std::nullopt;
    const uint32_t bit = modifierBit(accelerator.substr(1, end - 1));
    if (bit == 0) return std::nullopt;
    modifiers |= bit;
    accelerator.remove_prefix(end + 1);
  }
  if (accelerator.empty() || accelerator.size() > 64) return std::nullopt;
  const std::string name(accelerator);
  xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
  if (keysym == XKB_KEY_NoSymbol) {
    keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
  }
  const auto key = keyForKeysym(xkb_keysym_to_lower(keysym));
  if (keysym == XKB_KEY_NoSymbol || !key) return std::nullopt;
  return SystemHotKey{key->keyCode, modifiers, true};
}

std::vector<SystemHotKey> gnomeShortcutsInUse(const std::string& owner) {
  std::vector<SystemHotKey> list;
  for (const char* id : kSchemas) {
    if (GSettingsSchema* schema = findSchema(id)) {
      addSchemaShortcuts(schema, nullptr, list);
      g_settings_schema_unref(schema);
    }
  }
  addCustomShortcuts(owner, list);
  return list;
}

}  // namespace platform::input

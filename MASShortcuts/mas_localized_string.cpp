#include "MASShortcuts/mas_localized_string.h"

#include <QLocale>
#include <atomic>
#include <map>
#include <mutex>
#include <string>

const char* const MASLocalizationTableName = "Localizable";
const char* const MASPlaceholderLocalizationString = "XXX";

namespace {

struct Translation {
  const char* chinese;
};

// The "Localizable" table: the English text is the key and its own English
// translation; the Chinese column is the other language shipped.
const std::map<std::string, Translation>& localizableTable() {
  static const std::map<std::string, Translation> table = {
      {"Space", {"空格"}},
      {"keyboard shortcut", {"键盘快捷键"}},
      {"Shortcut set", {"快捷键已设置"}},
      {"Shortcut cleared", {"快捷键已清除"}},
      {"To record a new shortcut, click this button, and then type the new shortcut, or press "
       "delete to clear an existing shortcut.",
       {"要记录新的快捷键，请点按此按钮，然后键入新的快捷键，或按删除键清除现有的快捷键。"}},
      {"This combination cannot be used because it is already used by a system-wide keyboard "
       "shortcut.\nIf you really want to use this key combination, most shortcuts can be changed "
       "in the Keyboard & Mouse panel in System Preferences.",
       {"此组合键已被系统范围的键盘快捷键使用，因此无法使用。\n如果确实要使用此组合键，"
        "大多数快捷键可以在系统设置的键盘面板中更改。"}},
  };
  return table;
}

std::once_flag gLocaleChosen;
std::atomic<bool> gChinese{false};

}  // namespace

void MASSetLocalizationChinese(bool chinese) {
  std::call_once(gLocaleChosen, [] {});
  gChinese = chinese;
}

QString MASLocalizedString(const char* key, const char*) {
  std::call_once(gLocaleChosen,
                 [] { gChinese = QLocale::system().language() == QLocale::Chinese; });
  const auto& table = localizableTable();
  const auto found = table.find(key);
  if (found == table.end()) return MASPlaceholderLocalizationString;
  return gChinese ? QString::fromUtf8(found->second.chinese) : QString::fromUtf8(key);
}

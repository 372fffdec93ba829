#include "MASShortcuts/mas_recorder_texts.h"

#include <atomic>
#include <map>
#include <string>

namespace {

const std::map<std::string, const char*>& chineseTexts() {
  static const std::map<std::string, const char*> texts = {
      {"Record Shortcut", "输入快捷键"},
      {"Type Shortcut", "输入快捷键"},
      {"Cancel", "取消"},
      {"Type New Shortcut", "键入新快捷键"},
      {"Use Old Shortcut", "使用旧快捷键"},
      {"Click to record new shortcut", "单击记录快捷键"},
      {"Delete shortcut", "删除快捷键"},
      {"The key combination %1 cannot be used", "组合键%1不能被使用"},
      {"This shortcut cannot be used because it is already used by the menu item \u2018%1\u2019.",
       "键入快捷键已经被 \u2018%1\u2019 菜单所使用."},
  };
  return texts;
}

std::atomic<bool> gChinese{false};

}  // namespace

void MASSetRecorderTextsChinese(bool chinese) {
  gChinese = chinese;
}

const char* chineseRecorderText(const char* english) {
  const auto found = chineseTexts().find(english);
  return found != chineseTexts().end() ? found->second : nullptr;
}

QString MASRecorderText(const char* english) {
  const char* chinese = gChinese ? chineseRecorderText(english) : nullptr;
  return QString::fromUtf8(chinese != nullptr ? chinese : english);
}

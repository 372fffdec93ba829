#include "MASShortcuts/mas_recorder_texts.h"

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
  };
  return texts;
}

}  // namespace

const char* chineseRecorderText(const char* english) {
  const auto found = chineseTexts().find(english);
  return found != chineseTexts().end() ? found->second : nullptr;
}

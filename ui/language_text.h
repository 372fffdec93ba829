#pragma once
// Texts the program adds around the panel (menus, tray), in the language the
// main panel shows: Chinese for Language 1, English for any other value.

#include <QString>

#include "core/parameters.h"

inline QString languageText(const char* english, const char* chinese) {
  return Language.load() == kLanguageChinese ? QString::fromUtf8(chinese) : QString(english);
}

#pragma once
// Translations of the shortcut subsystem's texts, from the string table
// "Localizable" shipped in the program, for the user's locale.

#include <QString>

extern const char* const MASLocalizationTableName;
extern const char* const MASPlaceholderLocalizationString;

QString MASLocalizedString(const char* key, const char* comment);

// Chooses the table's language: true for Chinese, false for English (tests).
void MASSetLocalizationChinese(bool chinese);

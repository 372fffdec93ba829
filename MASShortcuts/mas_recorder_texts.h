#pragma once
// The recorder's own texts and the validator's explanations, in English or
// Chinese. Whoever shows a recorder chooses the language; English until then.

#include <QString>

void MASSetRecorderTextsChinese(bool chinese);

// english in the language chosen; english itself where the table has no
// translation.
QString MASRecorderText(const char* english);
// The Chinese of english whatever the language chosen (a recorder is sized
// for both); nullptr for a text the table does not have.
const char* chineseRecorderText(const char* english);

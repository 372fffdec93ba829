#pragma once
// The recorder's own texts in Chinese, keyed by their English.

// nullptr for a text the table does not have.
const char* chineseRecorderText(const char* english);

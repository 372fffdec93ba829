#pragma once
// The private data file "<home>/.QuillMark": the 17 Parameters as "%d\n" lines.

#include <cstdio>
#include <functional>
#include <string>

// Open only while a load or a save runs.
extern std::FILE* file;

std::string privateDataFilePath();

// Sets the Parameters from the file in home, as a launch does but without a
// word in the log (whose first line would empty it): for the command line's
// own uses, before the platform is there. Returns what the caller should
// tell the user ("... is not a regular file; ..."), or "".
std::string loadParametersQuietly(const std::string& home);

// Sets the Parameters from the file, each value told in the log.
void restoreParameterFile();
// Writes the Parameters to the file; returns why the file was left as it
// was (said in the log and on stderr too), empty after a save that worked.
std::string writeParameterFile();
// The same, noted for the status line until a save works again.
std::string saveParameterFile();

// Called after the new content is safely on disk and before it replaces the old
// file; returning true abandons the save there, as a crash at that moment would
// (tests).
void setSaveInterruptionForTesting(std::function<bool()> interruption);

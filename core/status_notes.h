#pragma once
// What the status line says beside the monitor's state: why the last save
// left the private data file as it was, and how the last resolution mode
// asked for went. Each is taken from the outcome the save or the switch
// returned, whichever surface asked, so that the panel says it too.

#include <string>

struct StatusNotes {
  std::string saveProblem;        // empty after a save that worked
  std::string resolutionFailure;  // why the last resolution mode was not taken
  // The last resolution mode was recorded in a session that does not let the
  // program change the monitor's display mode: nothing changed on screen.
  bool resolutionChangeRefused = false;
  bool operator==(const StatusNotes&) const = default;
};

StatusNotes statusNotes();
void noteSaveOutcome(const std::string& problem);
void noteResolutionOutcome(const std::string& failure, bool changeRefused);
// No notes, as at start (tests).
void resetStatusNotes();

#include "core/status_notes.h"

#include <mutex>

namespace {

std::mutex gMutex;
StatusNotes gNotes;

}  // namespace

StatusNotes statusNotes() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gNotes;
}

void noteSaveOutcome(const std::string& problem) {
  std::lock_guard<std::mutex> lock(gMutex);
  gNotes.saveProblem = problem;
}

void noteResolutionOutcome(const std::string& failure, bool changeRefused) {
  std::lock_guard<std::mutex> lock(gMutex);
  gNotes.resolutionFailure = failure;
  gNotes.resolutionChangeRefused = changeRefused;
}

void resetStatusNotes() {
  std::lock_guard<std::mutex> lock(gMutex);
  gNotes = {};
}

#pragma once
// What the core asks of the user interface. The UI implements these; the core
// reaches them only on the main thread, through VCInstance and SVC.

#include <string>

class MainPanel {
 public:
  virtual ~MainPanel() = default;
  virtual void UIButtonTextAutoChange() = 0;
  virtual void ChangeResModeRadio() = 0;
  virtual void ChangeModeButton() = 0;
  // What the status line says beside the link, from the outcome that the save
  // or the resolution switch returned, whichever surface asked: why the last
  // save left the private data file as it was (empty once one worked); why
  // the last resolution mode asked for was not taken, or that the session
  // kept the display mode to itself.
  virtual void showSaveOutcome(const std::string& problem) = 0;
  virtual void showResolutionOutcome(const std::string& failure, bool changeRefused) = 0;
};

class ThresholdView {
 public:
  virtual ~ThresholdView() = default;
  virtual void updateThreshold() = 0;
};

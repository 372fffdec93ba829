#pragma once
// What the core asks of the user interface. The UI implements these; the core
// reaches them only on the main thread, through VCInstance and SVC.

class MainPanel {
 public:
  virtual ~MainPanel() = default;
  virtual void UIButtonTextAutoChange() = 0;
  virtual void ChangeResModeRadio() = 0;
  virtual void ChangeModeButton() = 0;
};

class ThresholdView {
 public:
  virtual ~ThresholdView() = default;
  virtual void updateThreshold() = 0;
};

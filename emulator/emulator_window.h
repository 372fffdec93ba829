#pragma once
// The emulator's window: the monitor's panel as each mode would draw the
// picture, the monitor's own keys, and its last messages in words.

#include <QWidget>
#include <optional>

#include "emulator/eink_panel.h"
#include "emulator/emulator_server.h"
#include "emulator/wire_text.h"

class QLabel;
class QPushButton;

namespace emulator {

class PreviewWidget;

class EmulatorWindow : public QWidget {
 public:
  // An empty picture stands for the test picture made in code.
  EmulatorWindow(QuillmarkMonitor& monitor, EmulatorServer& server, const QImage& picture);

  // From any thread: a message went over the wire, or the monitor or its
  // cable changed some other way.
  void noteMessage(const WireRecord& record);
  void noteChange();

 protected:
  // A picture file dropped on the window is drawn in its place.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void sync();
  void runCommand(const std::string& command);

  QuillmarkMonitor& monitor_;
  EmulatorServer& server_;
  PreviewWidget* preview_;
  QLabel* status_;
  QLabel* note_;
  QLabel* wire_;
  QPushButton* modeKeys_[3];
  QPushButton* contrastDown_;
  QPushButton* contrastUp_;
  QPushButton* unplug_;
  RecentMessages messages_{6};
  std::optional<PanelInput> shown_;  // what the panel was last given
};

}  // namespace emulator

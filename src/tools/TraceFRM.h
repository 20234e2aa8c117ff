#pragma once
// The protocol trace window: every frame sent and every line received while "Record" is
// ticked, with its time and direction, control characters made visible. The text can be
// searched, selected and copied; Save As writes the whole trace kept.
#include <QString>

#include "tools/trace_buffer.h"
#include "ui/ToolWindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tarvo {
class TextFinder;
}  // namespace tarvo

namespace tarvo::tools {

class TraceFRM : public ToolWindow {
  Q_OBJECT

 public:
  // A shown line is cut after this many characters (Save As keeps them all).
  static constexpr std::size_t kShownChars = 2000;

  // Shows what `buffer` holds; later lines come through lineAdded().
  TraceFRM(const TraceBuffer& buffer, bool recording, QWidget* owner = nullptr);

  // A line was added to the buffer: it is shown with the next turn of the event loop.
  void lineAdded(const TraceEntry& entry);
  // The buffer was emptied.
  void cleared();
  // Puts the lines waiting into the text now.
  void flush();
  // Looks for the find field's text after the caret, from the top when not found below
  // (Enter in the field, F3; Shift+F3 looks back). False when it is nowhere.
  bool findNext();
  void setInfo(const QString& text);

 signals:
  void recordingChanged(bool on);
  void clearRequested();
  void saveRequested();

 private:
  void describe();

  QCheckBox* RecordCB;
  QPushButton* ClearPB;
  QPushButton* SaveAsPB;
  QLineEdit* FindTB;
  QPushButton* FindNextPB;
  QPlainTextEdit* TraceTB;
  QLabel* TraceInfoLBL;
  TextFinder* finder_ = nullptr;
  const TraceBuffer& buffer_;
  QString pending_;
  bool flushPending_ = false;
  bool empty_ = true;
};

}  // namespace tarvo::tools

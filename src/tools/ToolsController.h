#pragma once
// The tools beside the configuration work: the change journal window, the protocol trace
// and its window, and exporting the block tree to CSV. None of them sends anything.
#include <QObject>
#include <QString>
#include <cstdint>
#include <string_view>

#include "tools/trace_buffer.h"
#include "ui/ToolWindow.h"

namespace tarvo {
class Prompter;
namespace link {
class Connection;
}
namespace records {
class JournalFile;
}
namespace browser {
class Form1;
class TreeController;
}  // namespace browser
namespace tools {

class JournalFRM;
class TraceFRM;

class ToolsController : public QObject {
  Q_OBJECT

 public:
  // The windows are windows of their own kept above the main window. The trace follows
  // `connection`; the journal window reads the folder `journal` writes to.
  ToolsController(browser::Form1& form, browser::TreeController& tree, link::Connection& connection,
                  const records::JournalFile& journal, Prompter& prompter);
  ~ToolsController() override;

  // "View" -> "Change Journal" and "Protocol Trace": open the window, or bring it up.
  void openJournal();
  void openTrace();
  // "Export Blocks to CSV...": the tree's compounds and blocks to a file the user picks.
  void exportBlocks();

  // The trace keeps lines only while recording; it starts off.
  void setRecording(bool on);
  const TraceBuffer& trace() const { return trace_; }
  void clearTrace();
  // Save As: the whole trace kept, one line each, to a file the user picks.
  void saveTrace();

  JournalFRM* journalWindow() const;
  TraceFRM* traceWindow() const;

 private:
  void record(TraceDirection direction, std::string_view text);
  std::int64_t localNowMs();
  browser::Form1& form_;
  browser::TreeController& tree_;
  const records::JournalFile& journalFile_;
  Prompter& prompter_;
  OwnedWindow<JournalFRM> journal_;
  OwnedWindow<TraceFRM> traceWindow_;
  TraceBuffer trace_;
  bool recording_ = false;
  // The offset of local time from UTC, looked up again now and then rather than per line.
  std::int64_t offsetMs_ = 0;
  std::int64_t offsetCheckedAt_ = -1;
};

}  // namespace tools
}  // namespace tarvo

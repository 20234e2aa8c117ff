#pragma once
// The tools beside the configuration work: the change journal window, the protocol trace
// and its window, and exporting the block tree to CSV. None of them sends anything.
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/journal.h"
#include "records/journal_changes.h"
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

  // "Revert..." in the journal window: `chosen` changes (indexes into the window's changes)
  // set back to their old values, once the user agrees and the live values allow it.
  void revert(const std::vector<std::size_t>& chosen);
  // The live values asked for with liveValuesWanted(); lost when the connection went.
  void liveValuesRead(const records::LiveValues& live);
  void liveValuesLost();
  // Whether a revert waits for live values.
  bool revertWaiting() const { return revert_.has_value(); }

 signals:
  // The live parameters of these blocks are needed to check a revert.
  void liveValuesWanted(const std::vector<std::string>& blocks);
  // The revert checked: the sets to send (none when it is given up), each with its note for
  // the journal. The blocks read must be let go whether or not anything is sent.
  void revertChecked(const std::vector<records::RevertSet>& sets);

 private:
  void record(TraceDirection direction, std::string_view text);
  void endRevert();
  std::int64_t localNowMs();
  browser::Form1& form_;
  browser::TreeController& tree_;
  const records::JournalFile& journalFile_;
  Prompter& prompter_;
  OwnedWindow<JournalFRM> journal_;
  OwnedWindow<TraceFRM> traceWindow_;
  TraceBuffer trace_;
  bool recording_ = false;
  // A revert the user agreed to, waiting for the live values.
  struct PendingRevert {
    std::vector<records::JournalEvent> events;
    std::vector<records::JournalChange> changes;
    std::vector<std::size_t> chosen;  // those the journal alone did not refuse
    std::string cp;
  };
  std::optional<PendingRevert> revert_;
  // The offset of local time from UTC, looked up again now and then rather than per line.
  std::int64_t offsetMs_ = 0;
  std::int64_t offsetCheckedAt_ = -1;
};

}  // namespace tools
}  // namespace tarvo

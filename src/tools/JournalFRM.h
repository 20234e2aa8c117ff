#pragma once
// The change journal window: the changes of the journal files, one row each with its
// answer, newest first, with a block and a CP filter. It reads the files when it opens and
// on Refresh, within a bound said in the window, and skips lines that are not events,
// saying how many. Changes chosen in it can be reverted (the controller's business).
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <vector>

#include "records/journal.h"
#include "records/journal_changes.h"
#include "tools/journal_view.h"
#include "ui/ToolWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tarvo::tools {

class JournalModel;

class JournalFRM : public ToolWindow {
  Q_OBJECT

 public:
  // `folder` is asked for at each reading, so a journal moved meanwhile is followed.
  JournalFRM(std::function<QString()> folder, QWidget* owner = nullptr);
  ~JournalFRM() override;

  // Reads the journal files again.
  void reload();
  // Events read, the changes they pair into, and changes the filters leave (the rows
  // shown).
  int eventCount() const;
  int changeCount() const;
  int shownCount() const;
  const std::vector<records::JournalEvent>& events() const;
  // Newest first; each names its events in events().
  const std::vector<records::JournalChange>& changes() const;
  // The changes of the rows chosen, as indexes into changes().
  std::vector<std::size_t> chosenChanges() const;
  // Chooses the rows shown at these places (0 the top).
  void choose(const std::vector<int>& rows);
  // While a revert waits for the server, no other is started.
  void setRevertBusy(bool busy);

 signals:
  // "Revert...": the chosen changes, as indexes into changes().
  void revertRequested(const std::vector<std::size_t>& chosen);

 private:
  void refilter();
  void paintRevert();
  void describe();

  QLineEdit* BlockFilterTB;
  QLineEdit* CpFilterTB;
  QPushButton* RefreshPB;
  QPushButton* RevertPB;
  QTableView* JournalGrid;
  QLabel* JournalInfoLBL;
  std::function<QString()> folder_;
  JournalModel* model_;
  QString readFolder_;
  QStringList unreadable_;
  std::size_t malformed_ = 0;
  bool capped_ = false;
  bool revertBusy_ = false;
};

}  // namespace tarvo::tools

#pragma once
// The change journal window: the events of the journal files, newest first, with a block
// and a CP filter. It reads the files when it opens and on Refresh, within a bound said in
// the window, and skips lines that are not events, saying how many.
#include <QString>
#include <QStringList>
#include <functional>

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
  // Events read, and events the filters leave (the rows shown).
  int eventCount() const;
  int shownCount() const;

 private:
  void refilter();
  void describe();

  QLineEdit* BlockFilterTB;
  QLineEdit* CpFilterTB;
  QPushButton* RefreshPB;
  QTableView* JournalGrid;
  QLabel* JournalInfoLBL;
  std::function<QString()> folder_;
  JournalModel* model_;
  QString readFolder_;
  QStringList unreadable_;
  std::size_t malformed_ = 0;
  bool capped_ = false;
};

}  // namespace tarvo::tools

#pragma once
// The parameter editor window of one block: the grid of parameters, the value entry and
// the step, OK and Cancel buttons. It paints a ParamGrid and hands the user's clicks,
// typing and step buttons to it; OK, Cancel and closing are the controller's business,
// reached through the signals below.
#include <QString>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "params/param_grid.h"
#include "ui/ToolWindow.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace tarvo::params {

class ParmEditFRM : public ToolWindow {
  Q_OBJECT

 public:
  // `cbUse` is the block this window edits; every command it causes names that block.
  explicit ParmEditFRM(const QString& cbUse, QWidget* owner = nullptr);
  ~ParmEditFRM() override;

  // The block being edited, fixed when the window is created.
  const QString CBUse;

  const ParamGrid& grid() const { return grid_; }
  // Row numbers below are the grid's own: 0 the header, 1..n parameters, n + 1 blank.
  int EditRow() const { return grid_.editRow(); }
  bool ChgFlag() const { return grid_.changeFlag(); }

  // Filling the grid while the parameter list arrives.
  void startList();
  void addParameterLine(std::string_view line);
  void listDone();

  // What the user does in the window; each repaints it.
  void clickRow(int row);
  void chooseEditRow();
  void commitEntry();
  void pressEnter();
  void addStep();     // "Add Step"
  void deleteStep();  // "Del Step"
  // No row is being edited any more; what is in the entry stays uncommitted.
  void dropEditRow();

  // Shows beside each parameter the value `fileName` holds for this block, marks those
  // whose listed value differs and says what was found.
  void showFileComparison(const QString& fileName,
                          const std::vector<std::pair<std::string, std::string>>& values);
  // "Take File Values": the file's values become the new values of the differing rows.
  void takeFileValues();

  // The grid row shown at a table row, and back (the header is the table's own header).
  static int tableRowOf(int gridRow) { return gridRow - 1; }
  static int gridRowOf(int tableRow) { return tableRow + 1; }

 signals:
  void okRequested();
  void cancelRequested();
  // "Export to CSV..." on the grid's context menu.
  void exportRequested();
  // "Compare with File...".
  void compareRequested();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public slots:
  // Escape: the same as Cancel.
  void reject() override;

 private:
  void buildControls();
  void paint();
  void paintGrid();
  void paintAddedRow();
  void paintRow(int tableRow);
  void paintCurrentRow();
  void paintEntry();
  void focusEntryIfShown();
  void chooseFromGrid(int row, bool focusEntry);
  bool rowFullyVisible(int gridRow) const;
  void paintComparison();

  QTableWidget* MSHFlexGrid1;
  QGroupBox* EditFRM;
  QComboBox* ValEntryCB;
  QPushButton* DownPB;  // "Add Step"
  QPushButton* UpPB;    // "Del Step"
  QPushButton* OKPB;
  QPushButton* CancelPB;
  QPushButton* CompareFilePB;
  QPushButton* TakeFilePB;
  QLabel* CompareLBL;
  ParamGrid grid_;
  QString comparedFile_;
  FileComparison comparison_;
  bool painting_ = false;
  bool mouseInGrid_ = false;
};

}  // namespace tarvo::params

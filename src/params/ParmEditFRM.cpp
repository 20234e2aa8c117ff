#include "params/ParmEditFRM.h"

#include <QAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "link/Wire.h"
#include "ui/ui_helpers.h"

namespace tarvo::params {
namespace {

const QColor kChangedText(255, 0, 0);
// A parameter that differs from the compared file: a pale amber, under either text colour.
const QColor kDiffersBackground(255, 232, 160);
// The file's values stand in a fourth column, shown once a file is compared.
constexpr int kFileColumn = kGridColumns;
constexpr int kFileColumnTwips = 2500;
constexpr Qt::Alignment kCellAlignment = Qt::AlignLeft | Qt::AlignVCenter;

bool isEnterKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(caption);
  return button;
}

}  // namespace

ParmEditFRM::ParmEditFRM(const QString& cbUse, QWidget* owner)
    : ToolWindow("ParmEditFRM", QStringLiteral("Edit Parameters ") + cbUse, owner), CBUse(cbUse) {
  buildControls();
  paint();
}

void ParmEditFRM::buildControls() {
  auto* layout = new QVBoxLayout(this);

  MSHFlexGrid1 = new QTableWidget(0, kGridColumns + 1, this);
  MSHFlexGrid1->setObjectName(QStringLiteral("MSHFlexGrid1"));
  MSHFlexGrid1->setAccessibleName(QStringLiteral("Parameter grid"));
  MSHFlexGrid1->setFont(listFont());
  MSHFlexGrid1->horizontalHeader()->setFont(listFont());
  MSHFlexGrid1->horizontalHeader()->setDefaultAlignment(kCellAlignment);
  MSHFlexGrid1->horizontalHeader()->setHighlightSections(false);
  MSHFlexGrid1->verticalHeader()->hide();
  // Compact rows, so a long parameter list shows as much of itself as it can.
  MSHFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  const int rowHeight = QFontMetrics(listFont()).height() + 6;
  MSHFlexGrid1->verticalHeader()->setMinimumSectionSize(rowHeight);
  MSHFlexGrid1->verticalHeader()->setDefaultSectionSize(rowHeight);
  MSHFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The red marks and the edited row's background are the only highlights the grid shows.
  MSHFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
  MSHFlexGrid1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  MSHFlexGrid1->setTabKeyNavigation(false);
  MSHFlexGrid1->setWordWrap(false);
  int gridWidth = 0;
  // A column is never narrower than its heading: "Parameter" is wider than the first
  // column's 1000 twips in most fonts.
  const QFontMetrics headerMetrics(MSHFlexGrid1->horizontalHeader()->font());
  const GridRow& header = grid_.row(0);
  const std::string* headings[kGridColumns] = {&header.name, &header.original, &header.newValue};
  for (int c = 0; c < kGridColumns; ++c) {
    const int width = std::max(twipsToPx(kColumnWidthsTwips[c]),
                               headerMetrics.horizontalAdvance(link::fromWire(*headings[c])) + 12);
    MSHFlexGrid1->setColumnWidth(c, width);
    gridWidth += width;
  }
  MSHFlexGrid1->setMinimumWidth(gridWidth + 2 * MSHFlexGrid1->frameWidth() + 20);
  MSHFlexGrid1->setColumnWidth(kFileColumn, twipsToPx(kFileColumnTwips));
  MSHFlexGrid1->setColumnHidden(kFileColumn, true);
  MSHFlexGrid1->viewport()->installEventFilter(this);
  MSHFlexGrid1->installEventFilter(this);
  // Exporting is on the grid's own menu, so the window keeps its controls as they are.
  auto* exportCsv = new QAction(QStringLiteral("Export to CSV..."), MSHFlexGrid1);
  exportCsv->setObjectName(QStringLiteral("ExportCsvMP"));
  MSHFlexGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
  MSHFlexGrid1->addAction(exportCsv);
  connect(exportCsv, &QAction::triggered, this, &ParmEditFRM::exportRequested);
  layout->addWidget(MSHFlexGrid1, 1);

  auto* compare = new QHBoxLayout;
  CompareFilePB = makeButton(this, "CompareFilePB", QStringLiteral("Compare with File..."));
  TakeFilePB = makeButton(this, "TakeFilePB", QStringLiteral("Take File Values"));
  TakeFilePB->setEnabled(false);
  CompareLBL = new QLabel(this);
  CompareLBL->setObjectName(QStringLiteral("CompareLBL"));
  CompareLBL->setWordWrap(true);
  CompareLBL->setTextInteractionFlags(Qt::TextSelectableByMouse);
  compare->addWidget(CompareFilePB);
  compare->addWidget(TakeFilePB);
  compare->addWidget(CompareLBL, 1);
  layout->addLayout(compare);

  auto* bottom = new QHBoxLayout;
  EditFRM = new QGroupBox(QStringLiteral("Parameter:"), this);
  EditFRM->setObjectName(QStringLiteral("EditFRM"));
  EditFRM->setAccessibleName(EditFRM->title());
  auto* entryBox = new QVBoxLayout(EditFRM);
  ValEntryCB = new QComboBox(EditFRM);
  ValEntryCB->setObjectName(QStringLiteral("ValEntryCB"));
  ValEntryCB->setAccessibleName(QStringLiteral("New value"));
  ValEntryCB->setEditable(true);
  // Enter commits into the grid; the combo box must not add what was typed to its list.
  ValEntryCB->setInsertPolicy(QComboBox::NoInsert);
  ValEntryCB->setFont(listFont());
  ValEntryCB->setMinimumWidth(twipsToPx(3500));
  ValEntryCB->installEventFilter(this);
  if (ValEntryCB->lineEdit()) {
    ValEntryCB->lineEdit()->installEventFilter(this);
    // Its own field is what a screen reader announces while the user types.
    ValEntryCB->lineEdit()->setAccessibleName(ValEntryCB->accessibleName());
  }
  entryBox->addWidget(ValEntryCB);
  bottom->addWidget(EditFRM, 1);

  auto* steps = new QVBoxLayout;
  DownPB = makeButton(this, "DownPB", QStringLiteral("Add Step"));
  UpPB = makeButton(this, "UpPB", QStringLiteral("Del Step"));
  steps->addWidget(DownPB);
  steps->addWidget(UpPB);
  steps->addStretch(1);
  bottom->addLayout(steps);

  auto* finish = new QVBoxLayout;
  OKPB = makeButton(this, "OKPB", QStringLiteral("OK"));
  OKPB->setDefault(true);
  CancelPB = makeButton(this, "CancelPB", QStringLiteral("Cancel"));
  finish->addWidget(OKPB);
  finish->addWidget(CancelPB);
  finish->addStretch(1);
  bottom->addLayout(finish);
  layout->addLayout(bottom);

  setTabOrder(MSHFlexGrid1, ValEntryCB);
  setTabOrder(ValEntryCB, DownPB);
  setTabOrder(DownPB, UpPB);
  setTabOrder(UpPB, OKPB);
  setTabOrder(OKPB, CancelPB);
  setTabOrder(CancelPB, CompareFilePB);
  setTabOrder(CompareFilePB, TakeFilePB);

  connect(ValEntryCB, &QComboBox::editTextChanged, this, [this](const QString& text) {
    if (!painting_) grid_.entryEdited(link::toWire(text));
  });
  connect(ValEntryCB, &QComboBox::activated, this, [this](int index) {
    if (!painting_) grid_.entryEdited(link::toWire(ValEntryCB->itemText(index)));
  });
  connect(MSHFlexGrid1, &QTableWidget::cellClicked, this,
          [this](int row, int) { chooseFromGrid(gridRowOf(row), true); });
  // Moving through the grid with the keyboard chooses rows as clicks do, so the row being
  // edited is always the grid's current row (the step buttons work on the current row).
  connect(MSHFlexGrid1, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previousRow, int) {
            if (painting_ || mouseInGrid_ || row < 0 || row == previousRow) return;
            chooseFromGrid(gridRowOf(row), false);
          });
  connect(MSHFlexGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int) { chooseFromGrid(0, true); });
  connect(DownPB, &QPushButton::clicked, this, &ParmEditFRM::addStep);
  connect(UpPB, &QPushButton::clicked, this, &ParmEditFRM::deleteStep);
  connect(OKPB, &QPushButton::clicked, this, &ParmEditFRM::okRequested);
  connect(CancelPB, &QPushButton::clicked, this, &ParmEditFRM::cancelRequested);
  connect(CompareFilePB, &QPushButton::clicked, this, &ParmEditFRM::compareRequested);
  connect(TakeFilePB, &QPushButton::clicked, this, &ParmEditFRM::takeFileValues);

  resize(MSHFlexGrid1->minimumWidth() + 40, 440);
}

// ---- list building --------------------------------------------------------------------

void ParmEditFRM::startList() {
  grid_.startList();
  paint();
}

void ParmEditFRM::addParameterLine(std::string_view line) {
  // While the list arrives the window is hidden; it is painted once the list is done.
  if (grid_.addParameterLine(line) && isVisible()) paintAddedRow();
}

void ParmEditFRM::listDone() {
  grid_.listDone();
  paintGrid();
}

// ---- user actions ---------------------------------------------------------------------

void ParmEditFRM::clickRow(int row) {
  chooseFromGrid(row, true);
}

void ParmEditFRM::chooseFromGrid(int row, bool focusEntry) {
  grid_.clickRow(row);
  paint();
  if (focusEntry) focusEntryIfShown();
}

void ParmEditFRM::chooseEditRow() {
  grid_.chooseEditRow();
  paint();
  focusEntryIfShown();
}

void ParmEditFRM::commitEntry() {
  grid_.commitEntry();
  paint();
}

void ParmEditFRM::pressEnter() {
  // Choosing the next row must not race a submission or cancellation.
  OKPB->setEnabled(false);
  CancelPB->setEnabled(false);
  const EnterMove move = grid_.pressEnter();
  // Judged on the grid as the user still sees it, before painting moves its current cell.
  const bool wasVisible = rowFullyVisible(move.row);
  paint();
  if (!wasVisible) {
    const QModelIndex top = MSHFlexGrid1->model()->index(tableRowOf(move.scrollTop), 0);
    if (top.isValid()) MSHFlexGrid1->scrollTo(top, QAbstractItemView::PositionAtTop);
  }
  OKPB->setEnabled(true);
  CancelPB->setEnabled(true);
  focusEntryIfShown();
}

void ParmEditFRM::addStep() {
  grid_.addStep();
  paint();
  focusEntryIfShown();
}

void ParmEditFRM::deleteStep() {
  grid_.deleteStep();
  paint();
  focusEntryIfShown();
}

void ParmEditFRM::dropEditRow() {
  grid_.dropEditRow();
}

void ParmEditFRM::showFileComparison(
    const QString& fileName, const std::vector<std::pair<std::string, std::string>>& values) {
  comparedFile_ = fileName;
  comparison_ = grid_.compareWithFile(values);
  if (MSHFlexGrid1->isColumnHidden(kFileColumn)) {
    // The file's column makes the grid wider: the window grows with it, as far as the
    // screen has room.
    QSize wanted = size() + QSize(twipsToPx(kFileColumnTwips), 0);
    if (screen()) wanted = wanted.boundedTo(screen()->availableGeometry().size());
    resize(wanted.expandedTo(size()));
  }
  paint();
  paintComparison();
  // The first difference is brought into sight.
  for (int r = 1; r <= grid_.parameterCount(); ++r) {
    if (!grid_.row(r).differs) continue;
    MSHFlexGrid1->scrollTo(MSHFlexGrid1->model()->index(tableRowOf(r), 0));
    break;
  }
}

void ParmEditFRM::takeFileValues() {
  const std::size_t taken = grid_.takeFileValues();
  paint();
  paintComparison();
  if (taken > 0)
    CompareLBL->setText(CompareLBL->text() +
                        QStringLiteral(" %1 %2 taken as new values: OK sends them.")
                            .arg(taken)
                            .arg(taken == 1 ? QStringLiteral("value") : QStringLiteral("values")));
  focusEntryIfShown();
}

void ParmEditFRM::focusEntryIfShown() {
  if (!EditFRM->isVisibleTo(this)) return;
  ValEntryCB->setFocus(Qt::OtherFocusReason);
  // Typing replaces the value shown rather than appending to it.
  if (ValEntryCB->lineEdit()) ValEntryCB->lineEdit()->selectAll();
}

bool ParmEditFRM::rowFullyVisible(int gridRow) const {
  const QModelIndex index = MSHFlexGrid1->model()->index(tableRowOf(gridRow), 0);
  if (!index.isValid()) return true;
  return MSHFlexGrid1->viewport()->rect().contains(MSHFlexGrid1->visualRect(index));
}

// ---- painting -------------------------------------------------------------------------

void ParmEditFRM::paint() {
  paintGrid();
  paintEntry();
}

void ParmEditFRM::paintGrid() {
  painting_ = true;
  const QSignalBlocker blocker(MSHFlexGrid1);
  const GridRow& header = grid_.row(0);
  MSHFlexGrid1->setHorizontalHeaderLabels(
      {link::fromWire(header.name), link::fromWire(header.original),
       link::fromWire(header.newValue), QStringLiteral("File Value")});
  const int tableRows = grid_.rowCount() - 1;
  MSHFlexGrid1->setRowCount(tableRows);
  for (int t = 0; t < tableRows; ++t) paintRow(t);
  paintCurrentRow();
  painting_ = false;
}

void ParmEditFRM::paintComparison() {
  MSHFlexGrid1->setColumnHidden(kFileColumn, !grid_.compared());
  if (!grid_.compared()) return;
  auto plural = [](std::size_t n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
  };
  QString text = QStringLiteral("Compared with %1: ").arg(comparedFile_);
  text += comparison_.differing == 0
              ? QStringLiteral("the %1 the file and the block share are the same.")
                    .arg(plural(comparison_.compared, "parameter", "parameters"))
              : QStringLiteral("%1 of %2 differ (marked; the file's value beside).")
                    .arg(comparison_.differing)
                    .arg(plural(comparison_.compared, "parameter", "parameters"));
  if (!comparison_.notInBlock.empty()) {
    QStringList names;
    for (const std::string& name : comparison_.notInBlock) names << link::fromWire(name);
    text += QStringLiteral(" Not in this block: %1.").arg(names.join(QStringLiteral(", ")));
  }
  const std::vector<std::string> untakeable = grid_.untakeableDifferences();
  if (!untakeable.empty()) {
    QStringList names;
    for (const std::string& name : untakeable) names << link::fromWire(name);
    text += QStringLiteral(" Not editable here: %1.").arg(names.join(QStringLiteral(", ")));
  }
  CompareLBL->setText(text);
  TakeFilePB->setEnabled(grid_.takeableCount() > 0);
}

void ParmEditFRM::paintAddedRow() {
  // A parameter that arrives once the window shows goes in before the blank last row; only
  // that row is painted, so a long list still arriving costs time in step with its length.
  painting_ = true;
  const QSignalBlocker blocker(MSHFlexGrid1);
  const int added = tableRowOf(grid_.rowCount() - 2);
  MSHFlexGrid1->insertRow(added);
  paintRow(added);
  paintCurrentRow();
  painting_ = false;
}

void ParmEditFRM::paintRow(int t) {
  const GridRow& row = grid_.row(gridRowOf(t));
  const std::string* texts[kGridColumns] = {&row.name, &row.original, &row.newValue};
  for (int c = 0; c < kGridColumns; ++c) {
    QTableWidgetItem* item = MSHFlexGrid1->item(t, c);
    if (!item) {
      item = new QTableWidgetItem;
      item->setFlags(Qt::ItemIsEnabled);
      item->setTextAlignment(kCellAlignment);
      MSHFlexGrid1->setItem(t, c, item);
    }
    const QString text = link::fromWire(*texts[c]);
    if (item->text() != text) item->setText(text);
    item->setForeground(row.changed ? QBrush(kChangedText) : QBrush());
    if (c > 0)
      item->setBackground(row.editing ? palette().brush(QPalette::Button) : QBrush());
    else
      item->setBackground(row.differs ? QBrush(kDiffersBackground) : QBrush());
  }
  QTableWidgetItem* file = MSHFlexGrid1->item(t, kFileColumn);
  if (!file) {
    file = new QTableWidgetItem;
    file->setFlags(Qt::ItemIsEnabled);
    file->setTextAlignment(kCellAlignment);
    MSHFlexGrid1->setItem(t, kFileColumn, file);
  }
  // Only a differing value is shown: the column then reads as the list of differences.
  const QString fileText =
      row.differs && row.fileValue ? link::fromWire(*row.fileValue) : QString();
  if (file->text() != fileText) file->setText(fileText);
  file->setBackground(row.differs ? QBrush(kDiffersBackground) : QBrush());
  file->setToolTip(row.differs ? (fileText.isEmpty() ? QStringLiteral("The file's value is empty")
                                                     : QStringLiteral("The file's value"))
                               : QString());
}

void ParmEditFRM::paintCurrentRow() {
  const int current = tableRowOf(grid_.currentRow());
  if (current >= 0 && current < MSHFlexGrid1->rowCount() && current != MSHFlexGrid1->currentRow())
    MSHFlexGrid1->setCurrentCell(current, std::max(0, MSHFlexGrid1->currentColumn()));
}

void ParmEditFRM::paintEntry() {
  painting_ = true;
  const QSignalBlocker blocker(ValEntryCB);
  const ValueEntry& entry = grid_.entry();
  EditFRM->setTitle(link::fromWire(entry.caption));
  EditFRM->setAccessibleName(EditFRM->title());
  ValEntryCB->clear();
  for (const std::string& item : entry.items) ValEntryCB->addItem(link::fromWire(item));
  ValEntryCB->setEditText(link::fromWire(entry.text));
  EditFRM->setVisible(entry.visible);
  DownPB->setEnabled(entry.stepButtonsEnabled);
  UpPB->setEnabled(entry.stepButtonsEnabled);
  painting_ = false;
}

// ---- events ---------------------------------------------------------------------------

bool ParmEditFRM::event(QEvent* e) {
  const bool handled = ToolWindow::event(e);
  // Coming back to the window picks up where the grid stands (the first activation
  // chooses row 2).
  if (e->type() == QEvent::WindowActivate && !unloaded()) chooseEditRow();
  return handled;
}

ParmEditFRM::~ParmEditFRM() {
  // The children outlive this part of the window while QWidget destroys them: their last
  // signals and events must not reach handlers of an object that is already gone.
  for (QObject* child :
       {static_cast<QObject*>(MSHFlexGrid1), static_cast<QObject*>(MSHFlexGrid1->viewport()),
        static_cast<QObject*>(ValEntryCB), static_cast<QObject*>(ValEntryCB->lineEdit())}) {
    if (!child) continue;
    child->removeEventFilter(this);
    child->disconnect(this);
  }
}

bool ParmEditFRM::eventFilter(QObject* watched, QEvent* e) {
  if (watched == MSHFlexGrid1->viewport()) {
    if (e->type() == QEvent::MouseButtonPress) {
      mouseInGrid_ = true;
    } else if (e->type() == QEvent::MouseButtonRelease) {
      mouseInGrid_ = false;
      // A press dragged off its cell clicks nothing; put the grid's current row back.
      if (MSHFlexGrid1->currentRow() != tableRowOf(grid_.currentRow())) paintGrid();
    }
    return false;
  }
  if (e->type() != QEvent::KeyPress) return ToolWindow::eventFilter(watched, e);
  const auto* key = static_cast<QKeyEvent*>(e);
  if (watched == MSHFlexGrid1) {
    if (isEnterKey(key) || key->key() == Qt::Key_Space) {
      chooseFromGrid(gridRowOf(MSHFlexGrid1->currentRow()), true);
      return true;
    }
    return false;
  }
  if (watched == ValEntryCB || watched == ValEntryCB->lineEdit()) {
    grid_.entryUsed();
    if (isEnterKey(key)) {
      pressEnter();
      return true;  // not the dialog's default button
    }
  }
  return ToolWindow::eventFilter(watched, e);
}

void ParmEditFRM::reject() {
  emit cancelRequested();
}

void ParmEditFRM::closeEvent(QCloseEvent* e) {
  // What is in the entry and not committed goes with the window.
  if (!unloaded()) grid_.dropEditRow();
  ToolWindow::closeEvent(e);
}

}  // namespace tarvo::params

#include "sequence/SeqEditFRM.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include "ui/NumberedTextEdit.h"
#include "ui/TextFinder.h"
#include "ui/ui_helpers.h"

namespace tarvo::sequence {
namespace {

// The window keeps its arrangement as the modes show and hide controls: nothing moves
// into the place of a hidden one.
void keepPlaceWhenHidden(QWidget* control) {
  QSizePolicy policy = control->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  control->setSizePolicy(policy);
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(caption);
  button->setMinimumWidth(twipsToPx(1095));
  keepPlaceWhenHidden(button);
  return button;
}

void apply(QWidget* control, const ControlState& state) {
  control->setVisible(state.shown);
  control->setEnabled(state.enabled);
}

}  // namespace

SeqEditFRM::SeqEditFRM(const QString& name, const QString& type, QWidget* owner)
    : ToolWindow("SeqEditFRM", QStringLiteral("Sequence Block Edit"), owner),
      blockName(name),
      blockType(type) {
  setSizeGripEnabled(false);
  buildControls();
  Label1->setText(blockName + QLatin1Char(' ') + blockType);
  Label1->setAccessibleName(Label1->text());
  resize(twipsToPx(9630), twipsToPx(6960));
  paint();
}

SeqEditFRM::~SeqEditFRM() = default;

void SeqEditFRM::buildControls() {
  auto* layout = new QVBoxLayout(this);

  // The progress bar stands upright over the right edge of the text box.
  auto* textArea = new QGridLayout;
  SourceTB = new NumberedTextEdit(this);
  SourceTB->setObjectName(QStringLiteral("SourceTB"));
  SourceTB->setAccessibleName(QStringLiteral("Sequence source and listing"));
  SourceTB->setFont(sourceFont());
  SourceTB->setLineWrapMode(QPlainTextEdit::NoWrap);
  SourceTB->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SourceTB->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Undo across a whole fetched source or listing would hold a copy of it for nothing.
  SourceTB->setUndoRedoEnabled(false);
  SourceTB->setMinimumSize(twipsToPx(4800), twipsToPx(3000));
  keepPlaceWhenHidden(SourceTB);
  textArea->addWidget(SourceTB, 0, 0);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setAccessibleName(QStringLiteral("Upload progress"));
  ProgressBar1->setOrientation(Qt::Vertical);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setFixedWidth(twipsToPx(255));
  ProgressBar1->setMinimumHeight(twipsToPx(1000));
  textArea->addWidget(ProgressBar1, 0, 0, Qt::AlignRight);
  layout->addLayout(textArea, 1);
  layout->addWidget(buildFindBar());

  auto* row = new QHBoxLayout;
  EditPB = makeButton(this, "EditPB", QStringLiteral("Edit"));
  CompilePB = makeButton(this, "CompilePB", QStringLiteral("Compile"));
  ListingPB = makeButton(this, "ListingPB", QStringLiteral("View Listing"));
  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setFont(listFont());
  Label1->setToolTip(QStringLiteral("Name of the Block being Editted"));
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setMinimumWidth(twipsToPx(2535));
  CaretLBL = new QLabel(this);
  CaretLBL->setObjectName(QStringLiteral("CaretLBL"));
  CaretLBL->setToolTip(QStringLiteral("Line and column of the caret"));
  // Wide enough for most sources, so that the block's name does not shift as the caret
  // moves.
  CaretLBL->setMinimumWidth(
      CaretLBL->fontMetrics().horizontalAdvance(QStringLiteral("Ln 9999, Col 99")));
  keepPlaceWhenHidden(CaretLBL);
  EditSvPB = makeButton(this, "EditSvPB", QStringLiteral("Save"));
  DonePB = makeButton(this, "DonePB", QStringLiteral("Done"));
  CancelPB = makeButton(this, "CancelPB", QStringLiteral("Cancel"));
  for (QWidget* w : {static_cast<QWidget*>(EditPB), static_cast<QWidget*>(CompilePB),
                     static_cast<QWidget*>(ListingPB)})
    row->addWidget(w);
  row->addWidget(Label1, 1);
  row->addWidget(CaretLBL);
  for (QWidget* w : {EditSvPB, DonePB, CancelPB}) row->addWidget(w);
  layout->addLayout(row);

  setTabOrder(SourceTB, EditPB);
  setTabOrder(EditPB, CompilePB);
  setTabOrder(CompilePB, ListingPB);
  setTabOrder(ListingPB, EditSvPB);
  setTabOrder(EditSvPB, DonePB);
  setTabOrder(DonePB, CancelPB);

  lines_ = new LineAppender(SourceTB, LineAppender::Join::SkipLeadingEmpty);

  connect(EditPB, &QPushButton::clicked, this, &SeqEditFRM::fetchRequested);
  connect(EditSvPB, &QPushButton::clicked, this, &SeqEditFRM::saveRequested);
  connect(CompilePB, &QPushButton::clicked, this, &SeqEditFRM::compileRequested);
  connect(DonePB, &QPushButton::clicked, this, &SeqEditFRM::installRequested);
  connect(ListingPB, &QPushButton::clicked, this, &SeqEditFRM::listingRequested);
  connect(CancelPB, &QPushButton::clicked, this, &SeqEditFRM::cancelRequested);
  connect(SourceTB, &QPlainTextEdit::cursorPositionChanged, this, &SeqEditFRM::showCaret);

  goToLine_ = new QAction(QStringLiteral("&Go to Line..."), this);
  goToLine_->setObjectName(QStringLiteral("GoToLineMP"));
  goToLine_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  addAction(goToLine_);
  connect(goToLine_, &QAction::triggered, this, &SeqEditFRM::goToLineRequested);

  // The text box's own menu, and after it what the keys do here.
  SourceTB->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(SourceTB, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu* menu = SourceTB->createStandardContextMenu(at);
    menu->addSeparator();
    menu->addActions({finder_->findAction(), finder_->findNextAction(),
                      finder_->findPreviousAction(), goToLine_});
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(SourceTB->viewport()->mapToGlobal(at));
  });
}

QWidget* SeqEditFRM::buildFindBar() {
  FindFRM = new QWidget(this);
  FindFRM->setObjectName(QStringLiteral("FindFRM"));
  auto* bar = new QHBoxLayout(FindFRM);
  bar->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(QStringLiteral("Find:"), FindFRM);
  bar->addWidget(label);
  FindTB = new QLineEdit(FindFRM);
  FindTB->setObjectName(QStringLiteral("FindTB"));
  FindTB->setAccessibleName(QStringLiteral("Find in text"));
  label->setBuddy(FindTB);
  bar->addWidget(FindTB, 1);
  const auto button = [this, bar](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, FindFRM);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(caption);
    // Enter in the find field looks further; it must not press a button of the window.
    b->setAutoDefault(false);
    bar->addWidget(b);
    return b;
  };
  QPushButton* next = button("FindNextPB", QStringLiteral("Find Next"));
  QPushButton* previous = button("FindPrevPB", QStringLiteral("Find Previous"));
  FindInfoLBL = new QLabel(FindFRM);
  FindInfoLBL->setObjectName(QStringLiteral("FindInfoLBL"));
  bar->addWidget(FindInfoLBL, 1);
  QPushButton* close = button("CloseFindPB", QStringLiteral("Close"));
  close->setAccessibleName(QStringLiteral("Close Find"));
  close->setToolTip(QStringLiteral("Close the find bar (Escape)"));
  FindFRM->hide();

  finder_ = new TextFinder(this, FindTB, SourceTB);
  connect(finder_, &TextFinder::fieldWanted, FindFRM, &QWidget::show);
  connect(finder_, &TextFinder::searched, FindInfoLBL,
          [this](TextFinder::Outcome, const QString& status) { FindInfoLBL->setText(status); });
  connect(FindTB, &QLineEdit::textEdited, FindInfoLBL, &QLabel::clear);
  connect(next, &QPushButton::clicked, finder_, &TextFinder::findNext);
  connect(previous, &QPushButton::clicked, finder_, &TextFinder::findPrevious);
  connect(close, &QPushButton::clicked, this, &SeqEditFRM::closeFindBar);
  auto* escape = new QAction(FindTB);
  escape->setShortcut(QKeySequence(Qt::Key_Escape));
  escape->setShortcutContext(Qt::WidgetShortcut);
  FindTB->addAction(escape);
  connect(escape, &QAction::triggered, this, &SeqEditFRM::closeFindBar);
  return FindFRM;
}

void SeqEditFRM::closeFindBar() {
  FindFRM->hide();
  FindInfoLBL->clear();
  if (SourceTB->isVisible()) SourceTB->setFocus(Qt::OtherFocusReason);
}

void SeqEditFRM::paint() {
  apply(SourceTB, controls.source);
  apply(EditPB, controls.edit);
  apply(CompilePB, controls.compile);
  apply(ListingPB, controls.listing);
  apply(EditSvPB, controls.save);
  apply(DonePB, controls.done);
  apply(CancelPB, controls.cancel);
  ProgressBar1->setVisible(controls.progressShown);
  if (controls.progressShown) ProgressBar1->raise();

  // Line numbers, the caret's place and Go to Line are the source's; Find serves the
  // listing as well. Neither is offered while the text is arriving.
  const SeqEditMode mode = controls.mode();
  const bool source = mode == SeqEditMode::Fetching || mode == SeqEditMode::Editing;
  const bool ready = controls.source.shown && controls.source.enabled;
  SourceTB->setLineNumbersShown(source);
  CaretLBL->setVisible(source);
  showCaret();
  goToLine_->setEnabled(source && ready);
  finder_->setEnabled(ready);
  FindFRM->setEnabled(ready);
  if (!controls.source.shown) closeFindBar();
}

void SeqEditFRM::showCaret() {
  if (CaretLBL->isHidden()) return;
  CaretLBL->setText(
      QStringLiteral("Ln %1, Col %2").arg(SourceTB->caretLine()).arg(SourceTB->caretColumn()));
}

int SeqEditFRM::lineCount() {
  lines_->flush();
  return SourceTB->blockCount();
}

int SeqEditFRM::caretLine() const {
  return SourceTB->caretLine();
}

void SeqEditFRM::goToLine(int line) {
  lines_->flush();
  SourceTB->goToLine(line);
  SourceTB->setFocus(Qt::OtherFocusReason);
}

QString SeqEditFRM::rawText() {
  lines_->flush();
  return SourceTB->document()->toRawText();
}

void SeqEditFRM::caretToEnd() {
  lines_->flush();
  QTextCursor end = SourceTB->textCursor();
  end.movePosition(QTextCursor::End);
  SourceTB->setTextCursor(end);
  SourceTB->ensureCursorVisible();
  // All the way down, so that a last line only partly in view is shown whole.
  QScrollBar* bar = SourceTB->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void SeqEditFRM::setProgressRange(int maximum) {
  ProgressBar1->setRange(0, maximum);
  ProgressBar1->setValue(0);
}

void SeqEditFRM::setProgress(int value) {
  ProgressBar1->setValue(value);
}

}  // namespace tarvo::sequence

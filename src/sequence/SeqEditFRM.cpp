#include "sequence/SeqEditFRM.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

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
  SourceTB = new QPlainTextEdit(this);
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
  EditSvPB = makeButton(this, "EditSvPB", QStringLiteral("Save"));
  DonePB = makeButton(this, "DonePB", QStringLiteral("Done"));
  CancelPB = makeButton(this, "CancelPB", QStringLiteral("Cancel"));
  for (QWidget* w : {static_cast<QWidget*>(EditPB), static_cast<QWidget*>(CompilePB),
                     static_cast<QWidget*>(ListingPB)})
    row->addWidget(w);
  row->addWidget(Label1, 1);
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

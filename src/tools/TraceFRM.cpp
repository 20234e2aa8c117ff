#include "tools/TraceFRM.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "link/Wire.h"
#include "ui/TextFinder.h"
#include "ui/ui_helpers.h"

namespace tarvo::tools {

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& accessible) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(accessible);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TraceFRM::TraceFRM(const TraceBuffer& buffer, bool recording, QWidget* owner)
    : ToolWindow("TraceFRM", QStringLiteral("Protocol Trace"), owner), buffer_(buffer) {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  RecordCB = new QCheckBox(QStringLiteral("&Record"), this);
  RecordCB->setObjectName(QStringLiteral("RecordCB"));
  RecordCB->setAccessibleName(QStringLiteral("Record"));
  RecordCB->setChecked(recording);
  bar->addWidget(RecordCB);
  ClearPB = makeButton(this, "ClearPB", QStringLiteral("C&lear"), QStringLiteral("Clear"));
  bar->addWidget(ClearPB);
  SaveAsPB = makeButton(this, "SaveAsPB", QStringLiteral("&Save As..."), QStringLiteral("Save As"));
  bar->addWidget(SaveAsPB);
  bar->addSpacing(16);
  auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
  bar->addWidget(findLabel);
  FindTB = new QLineEdit(this);
  FindTB->setObjectName(QStringLiteral("FindTB"));
  FindTB->setAccessibleName(QStringLiteral("Find in trace"));
  FindTB->setClearButtonEnabled(true);
  findLabel->setBuddy(FindTB);
  bar->addWidget(FindTB, 1);
  FindNextPB =
      makeButton(this, "FindNextPB", QStringLiteral("Find &Next"), QStringLiteral("Find Next"));
  bar->addWidget(FindNextPB);
  layout->addLayout(bar);

  TraceTB = new QPlainTextEdit(this);
  TraceTB->setObjectName(QStringLiteral("TraceTB"));
  TraceTB->setAccessibleName(QStringLiteral("Protocol trace"));
  TraceTB->setReadOnly(true);
  // Read-only text is still selectable and copyable from the keyboard.
  TraceTB->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  TraceTB->setLineWrapMode(QPlainTextEdit::NoWrap);
  TraceTB->setFont(listFont());
  TraceTB->setMaximumBlockCount(static_cast<int>(buffer_.maxLines()));
  layout->addWidget(TraceTB, 1);

  TraceInfoLBL = new QLabel(this);
  TraceInfoLBL->setObjectName(QStringLiteral("TraceInfoLBL"));
  layout->addWidget(TraceInfoLBL);

  finder_ = new TextFinder(this, FindTB, TraceTB);
  // Lines still on their way are searched too.
  connect(finder_, &TextFinder::aboutToSearch, this, &TraceFRM::flush);
  connect(finder_, &TextFinder::searched, this, [this](TextFinder::Outcome, const QString& status) {
    if (status.isEmpty())
      describe();
    else
      setInfo(status);
  });
  connect(FindNextPB, &QPushButton::clicked, finder_, &TextFinder::findNext);
  connect(RecordCB, &QCheckBox::toggled, this, [this](bool on) {
    emit recordingChanged(on);
    describe();
  });
  connect(ClearPB, &QPushButton::clicked, this, &TraceFRM::clearRequested);
  connect(SaveAsPB, &QPushButton::clicked, this, &TraceFRM::saveRequested);

  // What was recorded while the window was closed, in one piece.
  QString text;
  for (std::size_t i = 0; i < buffer_.size(); ++i) {
    if (i > 0) text += u'\n';
    text += link::fromWire(traceLine(buffer_.at(i), kShownChars));
  }
  empty_ = buffer_.empty();
  TraceTB->setPlainText(text);
  TraceTB->moveCursor(QTextCursor::End);
  describe();
  resize(900, 560);
}

void TraceFRM::lineAdded(const TraceEntry& entry) {
  if (!empty_ || !pending_.isEmpty()) pending_ += u'\n';
  pending_ += link::fromWire(traceLine(entry, kShownChars));
  if (flushPending_) return;
  flushPending_ = true;
  QTimer::singleShot(0, this, &TraceFRM::flush);
}

void TraceFRM::flush() {
  flushPending_ = false;
  if (pending_.isEmpty()) return;
  // A reader at the end follows the new lines; one reading further up stays where he is.
  QScrollBar* bar = TraceTB->verticalScrollBar();
  const bool atEnd = bar->value() >= bar->maximum();
  QTextCursor end(TraceTB->document());
  end.movePosition(QTextCursor::End);
  end.insertText(pending_);
  pending_.clear();
  empty_ = false;
  if (atEnd) bar->setValue(bar->maximum());
  describe();
}

void TraceFRM::cleared() {
  pending_.clear();
  empty_ = true;
  TraceTB->clear();
  describe();
}

bool TraceFRM::findNext() {
  return finder_->findNext() != TextFinder::Outcome::NotFound;
}

void TraceFRM::setInfo(const QString& text) {
  TraceInfoLBL->setText(text);
}

void TraceFRM::describe() {
  QString text = QStringLiteral("%1 lines kept (the newest %2 at most).")
                     .arg(buffer_.size())
                     .arg(buffer_.maxLines());
  if (!RecordCB->isChecked()) text += QStringLiteral(" Not recording: tick Record to trace.");
  setInfo(text);
}

}  // namespace tarvo::tools

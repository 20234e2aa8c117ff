#include "xref/XrefWindows.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "link/Wire.h"
#include "ui/RunIndicator.h"
#include "ui/ui_helpers.h"
#include "xref/xref_protocol.h"

namespace tarvo::xref {
namespace {

using Join = LineAppender::Join;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAccessibleName(caption.simplified());
  return button;
}

// A multi-line box in the fixed-pitch font, with both scroll bars: the server's column
// layouts must line up, so lines are never wrapped.
QPlainTextEdit* makeTextBox(QWidget* parent, const char* name, const QString& description) {
  auto* box = new QPlainTextEdit(parent);
  box->setObjectName(QLatin1String(name));
  box->setAccessibleName(description);
  box->setFont(sourceFont());
  box->setLineWrapMode(QPlainTextEdit::NoWrap);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return box;
}

// The row of buttons at the foot of a window, kept to the right.
QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}

void moveCaretToEnd(QPlainTextEdit* box) {
  QTextCursor end = box->textCursor();
  end.movePosition(QTextCursor::End);
  box->setTextCursor(end);
  box->ensureCursorVisible();
}

}  // namespace

// ---- the setup window -----------------------------------------------------------------

XrefOptionsFRM::XrefOptionsFRM()
    : ToolWindow("XrefOptionsFRM", QStringLiteral("Cross Reference Setup")),
      StatusTB(makeTextBox(this, "StatusTB", QStringLiteral("Generation output"))),
      output_(StatusTB, Join::SkipLeadingEmpty) {
  StatusTB->setReadOnly(true);

  ConfigFRM = new QGroupBox(QStringLiteral("Configure"), this);
  ConfigFRM->setObjectName(QStringLiteral("ConfigFRM"));
  ConfigFRM->setAccessibleName(ConfigFRM->title());
  CPPB = makeButton(ConfigFRM, "CPPB", QStringLiteral("CP/Vol Names"));
  DispsPB =
      makeButton(ConfigFRM, "DispsPB", QStringLiteral("Display Dirs      (50 Series DM Only)"));
  histsPB = makeButton(ConfigFRM, "histsPB", QStringLiteral("Historians"));
  auto* lists = new QHBoxLayout(ConfigFRM);
  for (QPushButton* button : {CPPB, DispsPB, histsPB}) lists->addWidget(button);

  CreatePB = makeButton(this, "CreatePB", QStringLiteral("Create Xref"));
  CancelPB = makeButton(this, "CancelPB", QStringLiteral("Cancel"));
  RunIndicator1 = new RunIndicator("RunIndicator1", this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ConfigFRM);
  layout->addWidget(StatusTB, 1);
  QHBoxLayout* row = buttonRow({CreatePB, CancelPB});
  row->insertWidget(0, RunIndicator1);
  layout->addLayout(row);
  resize(twipsToPx(9600), twipsToPx(6600));

  connect(CancelPB, &QPushButton::clicked, this, &QWidget::close);
  connect(CPPB, &QPushButton::clicked, this, &XrefOptionsFRM::cpListRequested);
  connect(DispsPB, &QPushButton::clicked, this, &XrefOptionsFRM::displayListRequested);
  connect(histsPB, &QPushButton::clicked, this, &XrefOptionsFRM::historianListRequested);
  connect(CreatePB, &QPushButton::clicked, this, &XrefOptionsFRM::createRequested);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kPollMs);
  connect(Timer1, &QTimer::timeout, this, &XrefOptionsFRM::pollDue);
  Timer1->start();
}

void XrefOptionsFRM::appendOutput(QStringView line) {
  output_.append(line);
  // Once per burst of lines, after they are in the box.
  if (caretPending_) return;
  caretPending_ = true;
  QTimer::singleShot(0, this, &XrefOptionsFRM::caretToEnd);
}

void XrefOptionsFRM::caretToEnd() {
  caretPending_ = false;
  output_.flush();
  moveCaretToEnd(StatusTB);
}

void XrefOptionsFRM::runStarted() {
  for (QWidget* control : {static_cast<QWidget*>(ConfigFRM), static_cast<QWidget*>(CPPB),
                           static_cast<QWidget*>(DispsPB), static_cast<QWidget*>(histsPB),
                           static_cast<QWidget*>(CreatePB)})
    control->setEnabled(false);
  RunIndicator1->start(QStringLiteral("Generation running"));
}

void XrefOptionsFRM::runEnded(RunEnd how) {
  RunIndicator1->stop(how == RunEnd::Finished
                          ? QStringLiteral("Generation finished")
                          : QStringLiteral("Generation stopped: connection lost"));
}

void XrefOptionsFRM::closeEvent(QCloseEvent* event) {
  // No poll may go once the window has said it is closing, and no clock runs on.
  Timer1->stop();
  RunIndicator1->stop(QStringLiteral("Generation left"));
  ToolWindow::closeEvent(event);
}

// ---- the list editor ------------------------------------------------------------------

XrefOptionsBoxFRM::XrefOptionsBoxFRM(QWidget* owner)
    : ToolWindow("XrefOptionsBoxFRM", QString(), owner),
      CfgTB(makeTextBox(this, "CfgTB", QStringLiteral("List entries"))),
      entries_(CfgTB, Join::SkipLeadingEmpty) {
  OKPB = makeButton(this, "OKPB", QStringLiteral("OK"));
  OKPB->setDefault(true);
  CancelPB = makeButton(this, "CancelPB", QStringLiteral("Cancel"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CfgTB, 1);
  layout->addLayout(buttonRow({OKPB, CancelPB}));
  resize(twipsToPx(6000), twipsToPx(5400));

  connect(OKPB, &QPushButton::clicked, this, &XrefOptionsBoxFRM::okRequested);
  connect(CancelPB, &QPushButton::clicked, this, &QWidget::close);
  startFilling();
}

void XrefOptionsBoxFRM::startFilling() {
  // The box may have been edited since its last list: the next line joins what it holds
  // now, not what was last put in.
  entries_.setText(entries_.text());
  CfgTB->setEnabled(false);
  OKPB->setEnabled(false);
}

void XrefOptionsBoxFRM::appendLine(QStringView line) {
  entries_.append(line);
}

void XrefOptionsBoxFRM::finishFilling() {
  entries_.flush();
  CfgTB->setEnabled(true);
  OKPB->setEnabled(true);
}

// ---- a block's listing ----------------------------------------------------------------

XrefFRM::XrefFRM(QWidget* owner)
    : ToolWindow("XrefFRM", QStringLiteral("Cross-Reference Listing"), owner),
      SourceTB(makeTextBox(this, "SourceTB", QStringLiteral("Cross-reference listing"))),
      listing_(SourceTB, Join::SkipLeadingEmpty) {
  SourceTB->setReadOnly(true);
  OK_PB = makeButton(this, "OK_PB", QStringLiteral("OK"));
  OK_PB->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SourceTB, 1);
  layout->addLayout(buttonRow({OK_PB}));
  resize(twipsToPx(11400), twipsToPx(6000));
  connect(OK_PB, &QPushButton::clicked, this, &QWidget::close);
}

void XrefFRM::startListing() {
  listing_.clear();
  SourceTB->setEnabled(false);
}

void XrefFRM::appendLine(QStringView line) {
  listing_.append(line);
}

void XrefFRM::finishListing() {
  SourceTB->setEnabled(true);
}

void XrefFRM::showNoListing() {
  listing_.setText(link::fromWire(kNoListing));
  SourceTB->setEnabled(true);
}

}  // namespace tarvo::xref

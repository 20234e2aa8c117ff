#include "sequence/PLBList.h"

#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/LineAppender.h"
#include "ui/ui_helpers.h"

namespace tarvo::sequence {

PLBList::PLBList(QWidget* owner) : ToolWindow("PLBList", QStringLiteral("PLB Listing"), owner) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(twipsToPx(240), twipsToPx(240), twipsToPx(240), twipsToPx(45));
  SourceTB = new QPlainTextEdit(this);
  SourceTB->setObjectName(QStringLiteral("SourceTB"));
  SourceTB->setAccessibleName(QStringLiteral("PLB listing"));
  SourceTB->setFont(sourceFont());
  SourceTB->setLineWrapMode(QPlainTextEdit::NoWrap);
  SourceTB->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SourceTB->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SourceTB->setUndoRedoEnabled(false);
  layout->addWidget(SourceTB, 0, 0);
  OK_PB = new QPushButton(QStringLiteral("OK"), this);
  OK_PB->setObjectName(QStringLiteral("OK_PB"));
  OK_PB->setAccessibleName(OK_PB->text());
  OK_PB->setMinimumWidth(twipsToPx(3135));
  OK_PB->setDefault(true);
  layout->addWidget(OK_PB, 1, 0, Qt::AlignHCenter);
  resize(twipsToPx(10170), twipsToPx(8340));

  lines_ = new LineAppender(SourceTB, LineAppender::Join::Indented);
  // Nothing typed in the box is ever sent; OK and Escape only close the window.
  connect(OK_PB, &QPushButton::clicked, this, &QDialog::close);
}

PLBList::~PLBList() = default;

void PLBList::startListing(const QString& name) {
  lines_->clear();
  SourceTB->show();
  SourceTB->setEnabled(false);
  setWindowTitle(QStringLiteral("PLB Listing: ") + name);
}

void PLBList::addLine(QStringView line) {
  lines_->append(line);
}

void PLBList::listingComplete() {
  lines_->flush();
  SourceTB->setEnabled(true);
}

QString PLBList::text() {
  return lines_->text();
}

}  // namespace tarvo::sequence

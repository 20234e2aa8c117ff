#include "blocks/BlockTypesFRM.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

#include "ui_BlockTypesFRM.h"

namespace tarvo::blocks {

BlockTypesFRM::BlockTypesFRM(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::BlockTypesFRM>()) {
  ui_->setupUi(this);
  BlockTypesCB = ui_->BlockTypesCB;
  OKButton = ui_->OKButton;
  CancelButton = ui_->CancelButton;
  // Escape and the close box hide the window as Cancel does; nothing ever deletes it but
  // its owner.
  setAttribute(Qt::WA_DeleteOnClose, false);
  setModal(false);
  connect(OKButton, &QPushButton::clicked, this, [this] { emit okRequested(chosenType()); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::hide);
  BlockTypesCB->installEventFilter(this);
}

BlockTypesFRM::~BlockTypesFRM() = default;

void BlockTypesFRM::clearTypes() {
  BlockTypesCB->clear();
}

void BlockTypesFRM::addType(const QString& type) {
  BlockTypesCB->addItem(type);
}

QStringList BlockTypesFRM::types() const {
  QStringList out;
  for (int i = 0; i < BlockTypesCB->count(); ++i) out << BlockTypesCB->itemText(i);
  return out;
}

QString BlockTypesFRM::chosenType() const {
  return BlockTypesCB->currentText();
}

void BlockTypesFRM::showChooser() {
  show();
  raise();
  activateWindow();
  BlockTypesCB->setFocus(Qt::OtherFocusReason);
}

bool BlockTypesFRM::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the list confirms the type shown, as OK does.
  if (watched == BlockTypesCB && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      BlockTypesCB->hidePopup();
      emit okRequested(chosenType());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tarvo::blocks

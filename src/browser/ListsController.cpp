#include "browser/ListsController.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>

#include "app/Client.h"
#include "browser/Form1.h"
#include "browser/ui_helpers.h"
#include "link/columns.h"

namespace tarvo::browser {

ListsController::ListsController(Client& client) : client_(client) {}

void ListsController::showConnectedMenus() {
  auto& form = client_.form();
  form.SessionCloseMP->setVisible(true);
  form.SessionNewMP->setVisible(false);
  form.xrefMP->setEnabled(true);
}

void ListsController::onClrCpLst() {
  auto& form = client_.form();
  form.CPListCBO->clear();
  form.updStatBar(QStringLiteral("Getting CP/Vol Names"), 3);
  showConnectedMenus();
}

void ListsController::onCpLst(std::string_view line) {
  client_.form().CPListCBO->addItem(fromWire(fromCol(line, 10)));
}

void ListsController::onDnCpLst() {
  auto* list = client_.form().CPListCBO;
  // Nothing is chosen until the user picks a row; the placeholder says what to do.
  list->setCurrentIndex(-1);
  list->show();
}

void ListsController::onClrCmpLst() {
  auto& form = client_.form();
  form.CmpCBO->clear();
  form.updStatBar(QStringLiteral("Getting All Compound Names"), 3);
  showConnectedMenus();
}

void ListsController::onCmpLst(std::string_view line) {
  client_.form().CmpCBO->addItem(fromWire(fromCol(line, 13)));
}

void ListsController::onDnCmpLst() {
  auto& form = client_.form();
  form.CmpCBO->setCurrentIndex(-1);
  form.CmpCBO->show();
  form.updStatBar(QString(), 3);
  form.CPFRM->show();
  form.hideLists(false);
}

}  // namespace tarvo::browser

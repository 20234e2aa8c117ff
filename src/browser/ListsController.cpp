#include "browser/ListsController.h"

#include <QComboBox>

#include "browser/Form1.h"
#include "link/Wire.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "ui/ui_helpers.h"

namespace tarvo::browser {

using Command = Form1::Command;

ListsController::ListsController(Form1& form) : form_(form) {}

void ListsController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  router.bind(ReplyId::ClrCpLst, this, &ListsController::onClrCpLst);
  router.bind(ReplyId::CpLst, this, &ListsController::onCpLst);
  router.bind(ReplyId::DnCpLst, this, &ListsController::onDnCpLst);
  router.bind(ReplyId::ClrCmpLst, this, &ListsController::onClrCmpLst);
  router.bind(ReplyId::CmpLst, this, &ListsController::onCmpLst);
  router.bind(ReplyId::DnCmpLst, this, &ListsController::onDnCmpLst);
}

void ListsController::showConnectedMenus() {
  form_.setCommandVisible(Command::Close, true);
  form_.setCommandVisible(Command::New, false);
  form_.setCommandEnabled(Command::CrossReference, true);
}

void ListsController::onClrCpLst() {
  form_.cpList()->clear();
  form_.updStatBar(QStringLiteral("Getting CP/Vol Names"), 3);
  showConnectedMenus();
}

void ListsController::onCpLst(std::string_view line) {
  form_.cpList()->addItem(link::fromWire(fromCol(line, 10)));
}

void ListsController::onDnCpLst() {
  QComboBox* list = form_.cpList();
  // Nothing is chosen until the user picks a row; the placeholder says what to do.
  list->setCurrentIndex(-1);
  list->show();
}

void ListsController::onClrCmpLst() {
  form_.compoundList()->clear();
  form_.updStatBar(QStringLiteral("Getting All Compound Names"), 3);
  showConnectedMenus();
}

void ListsController::onCmpLst(std::string_view line) {
  form_.compoundList()->addItem(link::fromWire(fromCol(line, 13)));
}

void ListsController::onDnCmpLst() {
  QComboBox* list = form_.compoundList();
  list->setCurrentIndex(-1);
  list->show();
  form_.updStatBar(QString(), 3);
  form_.showListsFrame(true);
  form_.hideLists(false);
}

}  // namespace tarvo::browser

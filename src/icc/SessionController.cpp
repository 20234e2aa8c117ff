#include "icc/SessionController.h"

#include <QAction>
#include <QComboBox>

#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "icc/session_commands.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/ui_helpers.h"

namespace tarvo::icc {

using browser::Form1;
using Command = Form1::Command;

SessionController::SessionController(Form1& form, browser::TreeController& tree,
                                     link::Connection& connection, Prompter& prompter)
    : form_(form), tree_(tree), connection_(connection), prompter_(prompter) {
  connect(form.action(Command::Close), &QAction::triggered, this, &SessionController::closeSession);
  QComboBox* cps = form.cpList();
  QComboBox* compounds = form.compoundList();
  connect(cps, &QComboBox::activated, this,
          [this, cps](int index) { rowChosen(cps->itemText(index), false); });
  connect(compounds, &QComboBox::activated, this,
          [this, compounds](int index) { rowChosen(compounds->itemText(index), true); });
  // No answer to what was sent on a connection comes on the next one.
  connect(&connection, &link::Connection::linkLost, this, [this] {
    listsAhead_ = 0;
    tree_.forgetPassOvers();
  });
}

void SessionController::bindReplies(link::ReplyRouter& router) {
  using link::ReplyId;
  using S = SessionController;
  router.bind(ReplyId::TryOpenCp, this, &S::onTryOpenCp);
  router.bind(ReplyId::DnOpenCp, this, &S::onDnOpenCp);
  router.bind(ReplyId::ErrOpenCp, this, &S::onErrOpenCp);
  router.bind(ReplyId::LockOpenCp, this, &S::onLockOpenCp);
  router.bind(ReplyId::Checkpoint, this, &S::onCheckpoint);
  router.bind(ReplyId::CloseIcc, this, &S::onCloseIcc);
}

void SessionController::rowChosen(const QString& row, bool fromCompoundList) {
  if (row.isEmpty()) return;
  const std::string wireRow = link::toWire(row);
  const std::string_view cp = cpOfRow(wireRow, fromCompoundList);
  if (!canSend(connection_, prompter_,
               QStringLiteral("The request to open a session on ") + link::fromWire(cp)))
    return;
  connection_.sendRawData(openCpCommand(cp, link::toWire(connection_.localHostName())));
  // The block list is asked for right behind the open, not once it has been answered:
  // the server takes a connection's commands in order, so the list is of the session just
  // opened, and the tree is shown one round trip sooner.
  if (connection_.isConnected()) {
    tree_.requestList(link::fromWire(cp));
    ++listsAhead_;
  }
  form_.updStatBar(QStringLiteral("Opening ICC session to ") + link::fromWire(cp), 3);
}

bool SessionController::listAskedAhead(bool wanted) {
  if (listsAhead_ == 0) return false;
  --listsAhead_;
  if (!wanted) tree_.passOverNextList();
  return true;
}

void SessionController::onTryOpenCp(std::string_view line) {
  form_.updStatBar(QStringLiteral("Opening CP: ") + link::fromWire(fromCol(line, 10)), 3);
}

void SessionController::onDnOpenCp(std::string_view line) {
  form_.updStatBar(link::fromWire(fromCol(line, 9)), 2);
  form_.hideLists(true);
  if (!listAskedAhead(true)) tree_.requestList();
  form_.setCommandVisible(Command::New, false);
  form_.setCommandVisible(Command::Close, true);
  form_.setCommandEnabled(Command::CrossReference, false);
}

void SessionController::onErrOpenCp(std::string_view line) {
  listAskedAhead(false);
  form_.updStatBar(QStringLiteral("None"), 2);
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("CP Open Error"),
                   QStringLiteral("Can not open CP [") + link::fromWire(fromCol(line, 10)) +
                       QStringLiteral("]"));
  form_.hideLists(false);
}

void SessionController::onLockOpenCp(std::string_view line) {
  listAskedAhead(false);
  form_.updStatBar(QStringLiteral("None"), 2);
  const QString lock = link::fromWire(fromCol(line, 12));
  const auto answer = prompter_.message(
      Prompter::Icon::Question, QStringLiteral("CP Locked"),
      QStringLiteral("[") + lock.left(6) + QStringLiteral("] is locked, Override?"),
      QMessageBox::Yes | QMessageBox::No);
  if (answer == QMessageBox::Yes) {
    // The block list of a CP taken over is asked for once its "DNOPENCP" has come.
    connection_.sendRawData(QStringLiteral("OVERRIDECP:") + lock);
    form_.updStatBar(QStringLiteral("Overriding: ") + lock, 3);
  } else {
    connection_.sendRawData(QStringLiteral("CLOSEICC"));
  }
}

void SessionController::onCheckpoint(std::string_view line) {
  listAskedAhead(false);
  form_.updStatBar(QStringLiteral("None"), 2);
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("CP Checkpoint"),
                   QStringLiteral("[") + link::fromWire(fromCol(line, 12)) +
                       QStringLiteral("] Checkpoint in Progress"));
  connection_.sendRawData(QStringLiteral("CLOSEICC"));
}

void SessionController::onCloseIcc(std::string_view line) {
  form_.updStatBar(QStringLiteral("None"), 2);
  form_.updStatBar(QStringLiteral("Closed session to CP [") + link::fromWire(fromCol(line, 10)) +
                       QStringLiteral("]"),
                   3);
  tree_.clear();
  form_.showListsFrame(false);
  form_.showTreeFrame(false);
  connection_.sendRawData(QStringLiteral("GETCPS"));
  connection_.sendRawData(QStringLiteral("GETCMPS"));
  showUnconnectedMenus();
}

void SessionController::closeSession() {
  form_.showListsFrame(false);
  form_.showTreeFrame(false);
  form_.setCommandEnabled(Command::New, true);
  const int state = connection_.state();
  if (state != link::Connection::Closed && state != link::Connection::Closing) {
    connection_.sendRawData(QStringLiteral("CLOSEICC"));
    connection_.close();
  }
  form_.updStatBar(QStringLiteral("None"), 1);
  form_.updStatBar(QStringLiteral("None"), 2);
  form_.updStatBar(QString(), 3);
  showUnconnectedMenus();
}

void SessionController::showUnconnectedMenus() {
  form_.setCommandVisible(Command::New, true);
  form_.setCommandVisible(Command::Close, false);
  form_.setCommandEnabled(Command::CrossReference, false);
  form_.setMenuShown(Form1::Menu::List, false);
  form_.setMenuShown(Form1::Menu::CpUtilities, false);
}

}  // namespace tarvo::icc

#include "icc/SessionController.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>

#include "app/Client.h"
#include "app/Prompter.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "browser/ui_helpers.h"
#include "icc/CpUtilController.h"
#include "icc/session_commands.h"
#include "link/Connection.h"
#include "link/columns.h"

namespace tarvo::icc {

SessionController::SessionController(Client& client) : client_(client) {}

void SessionController::rowChosen(const QString& row, bool fromCompoundList) {
  if (row.isEmpty()) return;
  const QByteArray bytes = row.toLatin1();
  const std::string_view cp =
      cpOfRow(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
              fromCompoundList);
  auto& form = client_.form();
  const QByteArray host = form.localHostName.toLatin1();
  client_.connection().sendRawData(openCpCommand(cp, host.toStdString()));
  form.updStatBar(QStringLiteral("Opening ICC session to ") + fromWire(cp), 3);
}

void SessionController::onTryOpenCp(std::string_view line) {
  client_.form().updStatBar(QStringLiteral("Opening CP: ") + fromWire(fromCol(line, 10)), 3);
}

void SessionController::onDnOpenCp(std::string_view line) {
  auto& form = client_.form();
  form.updStatBar(fromWire(fromCol(line, 9)), 2);
  form.hideLists(true);
  client_.tree().requestList();
  form.SessionNewMP->setVisible(false);
  form.SessionCloseMP->setVisible(true);
  form.xrefMP->setEnabled(false);
}

void SessionController::onErrOpenCp(std::string_view line) {
  auto& form = client_.form();
  form.updStatBar(QStringLiteral("None"), 2);
  client_.prompter().inform(
      Prompter::Icon::Exclamation, QStringLiteral("CP Open Error"),
      QStringLiteral("Can not open CP [") + fromWire(fromCol(line, 10)) + QStringLiteral("]"));
  form.hideLists(false);
}

void SessionController::onLockOpenCp(std::string_view line) {
  auto& form = client_.form();
  form.updStatBar(QStringLiteral("None"), 2);
  const QString lock = fromWire(fromCol(line, 12));
  const auto answer = client_.prompter().message(
      Prompter::Icon::Question, QStringLiteral("CP Locked"),
      QStringLiteral("[") + lock.left(6) + QStringLiteral("] is locked, Override?"),
      QMessageBox::Yes | QMessageBox::No);
  if (answer == QMessageBox::Yes) {
    client_.send(QStringLiteral("OVERRIDECP:") + lock);
    form.updStatBar(QStringLiteral("Overriding: ") + lock, 3);
  } else {
    client_.send(QStringLiteral("CLOSEICC"));
  }
}

void SessionController::onCheckpoint(std::string_view line) {
  client_.form().updStatBar(QStringLiteral("None"), 2);
  client_.prompter().inform(Prompter::Icon::Exclamation, QStringLiteral("CP Checkpoint"),
                            QStringLiteral("[") + fromWire(fromCol(line, 12)) +
                                QStringLiteral("] Checkpoint in Progress"));
  client_.send(QStringLiteral("CLOSEICC"));
}

void SessionController::onCloseIcc(std::string_view line) {
  auto& form = client_.form();
  form.updStatBar(QStringLiteral("None"), 2);
  form.updStatBar(
      QStringLiteral("Closed session to CP [") + fromWire(fromCol(line, 10)) + QStringLiteral("]"),
      3);
  client_.tree().clear();
  form.CPFRM->hide();
  form.CBFRM->hide();
  client_.send(QStringLiteral("GETCPS"));
  client_.send(QStringLiteral("GETCMPS"));
  showUnconnectedMenus();
}

void SessionController::closeSession() {
  auto& form = client_.form();
  form.CPFRM->hide();
  form.CBFRM->hide();
  form.SessionNewMP->setEnabled(true);
  auto& link = client_.connection();
  const int state = link.state();
  if (state != link::Connection::Closed && state != link::Connection::Closing) {
    client_.send(QStringLiteral("CLOSEICC"));
    link.close();
  }
  form.updStatBar(QStringLiteral("None"), 1);
  form.updStatBar(QStringLiteral("None"), 2);
  form.updStatBar(QString(), 3);
  showUnconnectedMenus();
  form.serverVersion = QStringLiteral("?.?.?");
  // A CP utility that was waiting will get no answer on this connection.
  client_.cpUtilities().connectionLost();
}

void SessionController::showUnconnectedMenus() {
  auto& form = client_.form();
  form.SessionNewMP->setVisible(true);
  form.SessionCloseMP->setVisible(false);
  form.xrefMP->setEnabled(false);
  form.ListMenu->menuAction()->setVisible(false);
  form.CPUtilitiesMenu->menuAction()->setVisible(false);
}

}  // namespace tarvo::icc

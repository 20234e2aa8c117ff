#include "icc/CpUtilController.h"

#include <QAction>
#include <QTreeWidget>
#include <utility>

#include "browser/Form1.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "ui/Prompter.h"
#include "ui/SendCheck.h"
#include "ui/ui_helpers.h"

namespace tarvo::icc {
namespace {

struct UtilityTexts {
  const char* operation;
  const char* prompt;
  const char* waitText;
  const char* command;
};

UtilityTexts textsOf(CpUtility utility) {
  switch (utility) {
    case CpUtility::Upload:
      return {"UPLOAD", "Uploads parameters from CP (This may take a while). Proceed?",
              "Performing UPLOAD, Please Wait....", "UPLOADCP"};
    case CpUtility::Checkpoint:
      return {"CHECKPOINT", "Performs a CHECKPOINT on CP (This may take a while). Proceed?",
              "Performing CHECKPOINT, Please Wait....", "CHECKPOINTCP"};
    case CpUtility::Initialize: break;
  }
  return {"INITIALIZE", "Are You Sure You Want to Initialize this CP (CP Reboot must follow)?",
          "INITIALIZING CP, Please Wait....", "INITIALIZECP"};
}

}  // namespace

CpUtilController::CpUtilController(browser::Form1& form, link::Connection& connection,
                                   Prompter& prompter)
    : form_(form), sender_(connection), prompter_(prompter) {
  using Command = browser::Form1::Command;
  const std::pair<Command, CpUtility> items[] = {{Command::Upload, CpUtility::Upload},
                                                 {Command::Checkpoint, CpUtility::Checkpoint},
                                                 {Command::Initialize, CpUtility::Initialize}};
  for (const auto& [command, utility] : items)
    connect(form.action(command), &QAction::triggered, this, [this, u = utility] { run(u); });
  connect(&connection, &link::Connection::linkLost, this, &CpUtilController::connectionLost);
}

void CpUtilController::bindReplies(link::ReplyRouter& router) {
  router.bind(link::ReplyId::DnCpUtil, this, &CpUtilController::onDnCpUtil);
  router.bind(link::ReplyId::ErrCpUtil, this, &CpUtilController::onErrCpUtil);
}

void CpUtilController::run(CpUtility utility) {
  const UtilityTexts texts = textsOf(utility);
  const QString what = QStringLiteral("The ") + QLatin1String(texts.operation) +
                       QStringLiteral(" of ") + form_.sessionCp();
  if (!canSend(sender_, prompter_, what)) return;
  const auto answer =
      prompter_.message(Prompter::Icon::None, QStringLiteral("Are you Sure"),
                        QLatin1String(texts.prompt), QMessageBox::Yes | QMessageBox::No);
  if (answer != QMessageBox::Yes || !canSend(sender_, prompter_, what)) return;
  form_.treeView()->setEnabled(false);
  form_.setEnabled(false);
  form_.updStatBar(QLatin1String(texts.waitText), 3);
  waiting_ = true;
  operation_ = QLatin1String(texts.operation);
  sender_.sendRawData(QLatin1String(texts.command));
}

void CpUtilController::unlock() {
  form_.setEnabled(true);
  form_.treeView()->setEnabled(true);
  waiting_ = false;
}

void CpUtilController::onDnCpUtil() {
  form_.updStatBar(QString(), 3);
  unlock();
  prompter_.inform(Prompter::Icon::Information, QStringLiteral("CP Utility Function"),
                   QStringLiteral("Operation Complete"));
}

void CpUtilController::onErrCpUtil(std::string_view line) {
  prompter_.inform(Prompter::Icon::Exclamation, QStringLiteral("CP Utility Function"),
                   QStringLiteral("ERROR: ") + link::fromWire(fromCol(line, 10)));
  unlock();
}

void CpUtilController::connectionLost() {
  if (!waiting_) return;
  unlock();
  form_.updStatBar(operation_ + QStringLiteral(": connection lost, outcome unknown"), 3);
}

}  // namespace tarvo::icc

#include "icc/CpUtilController.h"

#include <QTreeWidget>

#include "app/Client.h"
#include "app/Prompter.h"
#include "browser/Form1.h"
#include "browser/ui_helpers.h"
#include "link/columns.h"

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

CpUtilController::CpUtilController(Client& client) : client_(client) {}

void CpUtilController::run(CpUtility utility) {
  const UtilityTexts texts = textsOf(utility);
  const auto answer =
      client_.prompter().message(Prompter::Icon::None, QStringLiteral("Are you Sure"),
                                 QLatin1String(texts.prompt), QMessageBox::Yes | QMessageBox::No);
  if (answer != QMessageBox::Yes) return;
  auto& form = client_.form();
  form.TreeView1->setEnabled(false);
  form.setEnabled(false);
  form.updStatBar(QLatin1String(texts.waitText), 3);
  waiting_ = true;
  operation_ = QLatin1String(texts.operation);
  client_.send(QLatin1String(texts.command));
}

void CpUtilController::unlock() {
  auto& form = client_.form();
  form.setEnabled(true);
  form.TreeView1->setEnabled(true);
  waiting_ = false;
}

void CpUtilController::onDnCpUtil() {
  client_.form().updStatBar(QString(), 3);
  unlock();
  client_.prompter().inform(Prompter::Icon::Information, QStringLiteral("CP Utility Function"),
                            QStringLiteral("Operation Complete"));
}

void CpUtilController::onErrCpUtil(std::string_view line) {
  client_.prompter().inform(Prompter::Icon::Exclamation, QStringLiteral("CP Utility Function"),
                            QStringLiteral("ERROR: ") + fromWire(fromCol(line, 10)));
  unlock();
}

void CpUtilController::connectionLost() {
  if (!waiting_) return;
  unlock();
  client_.form().updStatBar(operation_ + QStringLiteral(": connection lost, outcome unknown"), 3);
}

}  // namespace tarvo::icc

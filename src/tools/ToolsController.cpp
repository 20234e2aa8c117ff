#include "tools/ToolsController.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QTreeWidget>

#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "browser/tree_csv.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/framing.h"
#include "records/JournalFile.h"
#include "tools/JournalFRM.h"
#include "tools/TraceFRM.h"
#include "ui/Prompter.h"
#include "ui/save_file.h"
#include "ui/ui_helpers.h"

namespace tarvo::tools {

ToolsController::ToolsController(browser::Form1& form, browser::TreeController& tree,
                                 link::Connection& connection, const records::JournalFile& journal,
                                 Prompter& prompter)
    : form_(form), tree_(tree), journalFile_(journal), prompter_(prompter) {
  using Command = browser::Form1::Command;
  connect(form.action(Command::ChangeJournal), &QAction::triggered, this,
          &ToolsController::openJournal);
  connect(form.action(Command::ProtocolTrace), &QAction::triggered, this,
          &ToolsController::openTrace);
  connect(form.action(Command::ExportBlocks), &QAction::triggered, this,
          &ToolsController::exportBlocks);
  connect(&form, &browser::Form1::unloading, this, [this] {
    journal_.close();
    traceWindow_.close();
  });
  connect(&connection, &link::Connection::commandSent, this, [this](std::string_view command) {
    if (recording_) record(TraceDirection::Sent, link::frameCommand(command));
  });
  connect(&connection, &link::Connection::lineReceived, this, [this](std::string_view line) {
    if (recording_) record(TraceDirection::Received, line);
  });
}

ToolsController::~ToolsController() = default;

JournalFRM* ToolsController::journalWindow() const {
  return journal_.get();
}

TraceFRM* ToolsController::traceWindow() const {
  return traceWindow_.get();
}

void ToolsController::openJournal() {
  journal_
      .ensure([this] {
        auto* window = new JournalFRM([this] { return journalFile_.folder(); }, &form_);
        window->reload();
        return window;
      })
      .showRaised();
}

void ToolsController::openTrace() {
  traceWindow_
      .ensure([this] {
        auto* window = new TraceFRM(trace_, recording_, &form_);
        connect(window, &TraceFRM::recordingChanged, this, &ToolsController::setRecording);
        connect(window, &TraceFRM::clearRequested, this, &ToolsController::clearTrace);
        connect(window, &TraceFRM::saveRequested, this, &ToolsController::saveTrace);
        return window;
      })
      .showRaised();
}

void ToolsController::setRecording(bool on) {
  recording_ = on;
}

std::int64_t ToolsController::localNowMs() {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  if (offsetCheckedAt_ < 0 || now - offsetCheckedAt_ > 60000 || now < offsetCheckedAt_) {
    offsetMs_ = std::int64_t{QDateTime::fromMSecsSinceEpoch(now).offsetFromUtc()} * 1000;
    offsetCheckedAt_ = now;
  }
  return now + offsetMs_;
}

void ToolsController::record(TraceDirection direction, std::string_view text) {
  trace_.push(localNowMs(), direction, text);
  if (traceWindow_) traceWindow_->lineAdded(trace_.at(trace_.size() - 1));
}

void ToolsController::clearTrace() {
  trace_.clear();
  if (traceWindow_) traceWindow_->cleared();
}

void ToolsController::saveTrace() {
  QString text;
  for (std::size_t i = 0; i < trace_.size(); ++i) {
    text += link::fromWire(traceLine(trace_.at(i)));
    text += u'\n';
  }
  const QString name = QStringLiteral("tarvolink-trace-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
                       QStringLiteral(".txt");
  const std::optional<QString> path =
      saveToChosenFile(prompter_, QStringLiteral("Save Protocol Trace"),
                       QStringLiteral("Text files (*.txt);;All files (*)"), name, text.toUtf8());
  if (path && traceWindow_)
    traceWindow_->setInfo(QStringLiteral("%1 lines saved to %2")
                              .arg(trace_.size())
                              .arg(QDir::toNativeSeparators(*path)));
}

void ToolsController::exportBlocks() {
  const QString title = QStringLiteral("Export Blocks to CSV");
  QTreeWidget* view = tree_.blocks().view();
  if (view->topLevelItemCount() == 0) {
    prompter_.inform(Prompter::Icon::Information, title,
                     QStringLiteral("There is no block list to export: open a CP first."));
    return;
  }
  std::vector<browser::TreeNodeText> nodes;
  nodes.reserve(static_cast<std::size_t>(tree_.blocks().count()));
  auto add = [&nodes](const QTreeWidgetItem* item) {
    nodes.push_back({link::toWire(browser::BlockTree::keyOf(item)), link::toWire(item->text(0))});
  };
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* top = view->topLevelItem(i);
    add(top);
    for (int j = 0; j < top->childCount(); ++j) add(top->child(j));
  }
  const QString cp = form_.sessionCp().trimmed();
  const QString name =
      (cp.isEmpty() || cp == QLatin1String("None") ? QStringLiteral("blocks")
                                                   : fileNamePart(cp) + QStringLiteral("-blocks")) +
      QStringLiteral(".csv");
  const std::optional<QString> path = saveToChosenFile(prompter_, title, csvFilter(), name,
                                                       csvFileBytes(browser::blocksCsv(nodes)));
  if (path) form_.updStatBar(QStringLiteral("EXPORT: ") + *path, 3);
}

}  // namespace tarvo::tools

#include "tools/ToolsController.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QTreeWidget>
#include <algorithm>

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
        connect(window, &JournalFRM::revertRequested, this, &ToolsController::revert);
        window->reload();
        window->setRevertBusy(revert_.has_value());
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

// ---- revert ---------------------------------------------------------------------------

namespace {

const QString kRevertTitle = QStringLiteral("Revert");

QString quotedValue(const std::string& value) {
  return u'"' + link::fromWire(value) + u'"';
}

// "2026-12-06T15:09:22.381Z CMP1:PID1: reason", one line a refusal.
QString refusalLines(const std::vector<records::RevertRefusal>& refusals,
                     const std::vector<records::JournalEvent>& events,
                     const std::vector<records::JournalChange>& changes) {
  QString text;
  for (const records::RevertRefusal& r : refusals) {
    const records::JournalChange& c = changes[r.change];
    text += link::fromWire(records::isoUtc(records::changeTime(c, events))) + u' ' +
            link::fromWire(records::changeEvent(c, events).block) + QStringLiteral(": ") +
            link::fromWire(r.reason) + u'\r';
  }
  return text;
}

}  // namespace

void ToolsController::revert(const std::vector<std::size_t>& chosen) {
  JournalFRM* window = journal_.get();
  if (!window || revert_ || chosen.empty()) return;
  const QString cp = form_.sessionCp().trimmed();
  if (!form_.isTreeFrameShown() || cp.isEmpty()) {
    prompter_.inform(Prompter::Icon::Exclamation, kRevertTitle,
                     QStringLiteral("A change is set back in a session on its CP: open the CP "
                                    "first."));
    return;
  }
  PendingRevert pending{window->events(), window->changes(), {}, link::toWire(cp)};

  // The values as the journal has them: each parameter at what the newest chosen change of
  // it set. Planned against these, the refusals are those the journal alone shows; the live
  // values are checked once the user agrees.
  std::vector<std::size_t> newest = chosen;
  std::stable_sort(newest.begin(), newest.end(), [&](std::size_t a, std::size_t b) {
    return records::changeTime(pending.changes[a], pending.events) >
           records::changeTime(pending.changes[b], pending.events);
  });
  records::LiveValues recorded;
  for (const std::size_t c : newest) {
    const records::JournalEvent& e = records::changeEvent(pending.changes[c], pending.events);
    for (const records::ParamChange& p : e.changes)
      recorded[e.block].try_emplace(p.param, p.newValue);
  }
  const records::RevertPlan plan =
      records::planRevert(pending.events, pending.changes, chosen, pending.cp, recorded);
  std::vector<std::size_t> refused;
  for (const records::RevertRefusal& r : plan.refusals) refused.push_back(r.change);
  for (const std::size_t c : chosen)
    if (std::find(refused.begin(), refused.end(), c) == refused.end()) pending.chosen.push_back(c);

  const QString refusals = refusalLines(plan.refusals, pending.events, pending.changes);
  QString list;
  for (const records::RevertSet& set : plan.sets)
    for (const auto& [param, value] : set.values)
      list += link::fromWire(set.block) + u' ' + link::fromWire(param) + QStringLiteral(": ") +
              quotedValue(recorded[set.block][param]) + QStringLiteral(" back to ") +
              quotedValue(value) + u'\r';
  if (list.isEmpty()) {
    prompter_.inform(Prompter::Icon::Exclamation, kRevertTitle,
                     refusals.isEmpty()
                         ? QStringLiteral("Nothing to set back: the parameters of the chosen "
                                          "changes are at their old values already.")
                         : QStringLiteral("Nothing can be set back:\r") + refusals);
    return;
  }
  QString question = QStringLiteral(
                         "Set these parameters back (block, parameter: value now "
                         "recorded, back to the old value)?\r\r") +
                     list;
  if (!refusals.isEmpty()) question += QStringLiteral("\rNot reverted:\r") + refusals;
  question += QStringLiteral(
      "\rThe live values are checked first; nothing is sent if one "
      "has changed since.");
  if (prompter_.message(Prompter::Icon::Question, kRevertTitle, question,
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;

  std::vector<std::string> blocks;
  for (auto& [block, params] :
       records::revertReads(pending.events, pending.changes, pending.chosen))
    blocks.push_back(std::move(block));
  revert_ = std::move(pending);
  if (JournalFRM* w = journal_.get()) w->setRevertBusy(true);
  form_.updStatBar(QStringLiteral("REVERT: checking the live values"), 3);
  emit liveValuesWanted(blocks);
}

void ToolsController::liveValuesRead(const records::LiveValues& live) {
  if (!revert_) return;
  const PendingRevert pending = std::move(*revert_);
  endRevert();
  const records::RevertPlan plan =
      records::planRevert(pending.events, pending.changes, pending.chosen, pending.cp, live);
  if (!plan.refusals.empty()) {
    emit revertChecked({});
    form_.updStatBar(QStringLiteral("REVERT: nothing sent"), 3);
    prompter_.inform(Prompter::Icon::Exclamation, kRevertTitle,
                     QStringLiteral("Nothing was set back: the live values do not allow it.\r\r") +
                         refusalLines(plan.refusals, pending.events, pending.changes));
    return;
  }
  emit revertChecked(plan.sets);
  std::size_t params = 0, blocks = 0;
  for (const records::RevertSet& set : plan.sets) {
    params += set.values.size();
    blocks += set.values.empty() ? 0 : 1;
  }
  form_.updStatBar(params == 0 ? QStringLiteral("REVERT: the values are back already")
                               : QStringLiteral("REVERT: %1 %2 of %3 %4 sent")
                                     .arg(params)
                                     .arg(QLatin1String(params == 1 ? "parameter" : "parameters"))
                                     .arg(blocks)
                                     .arg(QLatin1String(blocks == 1 ? "block" : "blocks")),
                   3);
}

void ToolsController::liveValuesLost() {
  if (!revert_) return;
  endRevert();
  form_.updStatBar(QStringLiteral("REVERT: nothing sent"), 3);
  prompter_.inform(Prompter::Icon::Exclamation, kRevertTitle,
                   QStringLiteral("The connection is not up: the live values can not be "
                                  "checked, and nothing is set back."));
}

void ToolsController::endRevert() {
  revert_.reset();
  if (JournalFRM* w = journal_.get()) w->setRevertBusy(false);
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

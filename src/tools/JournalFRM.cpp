#include "tools/JournalFRM.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "link/Wire.h"
#include "records/RegularFile.h"
#include "records/journal_changes.h"
#include "ui/ui_helpers.h"

namespace tarvo::tools {

namespace {

// A file larger than this is read from its end: its newest events.
constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;

enum Column { Time, User, Host, Server, Cp, Block, What, Detail, Result, Message, kColumns };

QString utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QByteArray readNewest(QFile& file) {
  const qint64 size = file.size();
  if (size <= kMaxFileBytes) return file.readAll();
  file.seek(size - kMaxFileBytes);
  QByteArray tail = file.read(kMaxFileBytes);
  // The first line is most likely cut; start at the next whole one.
  const qsizetype lineEnd = tail.indexOf('\n');
  return lineEnd < 0 ? QByteArray() : tail.mid(lineEnd + 1);
}

}  // namespace

class JournalModel : public QAbstractTableModel {
 public:
  using QAbstractTableModel::QAbstractTableModel;

  void setEvents(std::vector<records::JournalEvent> events) {
    beginResetModel();
    events_ = std::move(events);
    changes_ = records::pairJournalEvents(events_);
    // Newest first; changes of the same millisecond keep the order pairing gave them.
    std::stable_sort(changes_.begin(), changes_.end(),
                     [this](const records::JournalChange& a, const records::JournalChange& b) {
                       return records::changeTime(a, events_) > records::changeTime(b, events_);
                     });
    select();
    endResetModel();
  }
  void setFilters(const QString& block, const QString& cp) {
    beginResetModel();
    block_ = link::toWire(block);
    cp_ = link::toWire(cp);
    select();
    endResetModel();
  }
  int eventCount() const { return static_cast<int>(events_.size()); }
  int changeCount() const { return static_cast<int>(changes_.size()); }
  const std::vector<records::JournalEvent>& events() const { return events_; }
  const std::vector<records::JournalChange>& changes() const { return changes_; }
  std::size_t changeAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : kColumns;
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static const char* const kTitles[kColumns] = {"Time (UTC)", "User",   "Host", "Server",
                                                  "CP",         "Block",  "What", "Detail",
                                                  "Result",     "Message"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
      return {};
    return QString::fromLatin1(kTitles[section]);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const records::JournalChange& change = changes_[changeAt(index.row())];
    const records::JournalEvent& e = records::changeEvent(change, events_);
    const records::JournalEvent* answer = change.answer ? &events_[*change.answer] : nullptr;
    switch (index.column()) {
      case Time: return link::fromWire(records::isoUtc(e.timeMs));
      case User: return utf8(e.user);
      case Host: return utf8(e.host);
      case Server: return utf8(e.serverHost) + u':' + QString::number(e.serverPort);
      case Cp: return link::fromWire(e.cp);
      case Block: return link::fromWire(e.block);
      case What: return link::fromWire(e.what);
      case Detail: return link::fromWire(e.detail);
      case Result:
        if (!answer) return QStringLiteral("unanswered");
        if (role == Qt::ToolTipRole)
          return QStringLiteral("Answered at ") + link::fromWire(records::isoUtc(answer->timeMs));
        return link::fromWire(records::outcomeText(answer->result));
      case Message: return answer ? link::fromWire(answer->message) : QString();
      default: return {};
    }
  }

 private:
  void select() {
    rows_.clear();
    for (std::size_t i = 0; i < changes_.size(); ++i)
      if (journalEventMatches(records::changeEvent(changes_[i], events_), block_, cp_))
        rows_.push_back(i);
  }

  std::vector<records::JournalEvent> events_;
  std::vector<records::JournalChange> changes_;  // newest first
  std::vector<std::size_t> rows_;                // the changes the filters leave, in order
  std::string block_;
  std::string cp_;
};

JournalFRM::JournalFRM(std::function<QString()> folder, QWidget* owner)
    : ToolWindow("JournalFRM", QStringLiteral("Change Journal"), owner),
      folder_(std::move(folder)),
      model_(new JournalModel(this)) {
  auto* layout = new QVBoxLayout(this);
  auto* filters = new QHBoxLayout;
  auto field = [this, filters](const char* name, const QString& caption,
                               const QString& accessible) {
    auto* label = new QLabel(caption, this);
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessible);
    edit->setClearButtonEnabled(true);
    label->setBuddy(edit);
    filters->addWidget(label);
    filters->addWidget(edit, 1);
    connect(edit, &QLineEdit::textChanged, this, &JournalFRM::refilter);
    return edit;
  };
  BlockFilterTB =
      field("BlockFilterTB", QStringLiteral("&Block:"), QStringLiteral("Filter by block"));
  CpFilterTB = field("CpFilterTB", QStringLiteral("&CP:"), QStringLiteral("Filter by CP"));
  RefreshPB = new QPushButton(QStringLiteral("&Refresh"), this);
  RefreshPB->setObjectName(QStringLiteral("RefreshPB"));
  RefreshPB->setAccessibleName(QStringLiteral("Refresh"));
  filters->addWidget(RefreshPB);
  RevertPB = new QPushButton(QStringLiteral("Re&vert..."), this);
  RevertPB->setObjectName(QStringLiteral("RevertPB"));
  RevertPB->setAccessibleName(QStringLiteral("Revert"));
  RevertPB->setToolTip(
      QStringLiteral("Set the parameters of the chosen changes back to their "
                     "old values"));
  RevertPB->setEnabled(false);
  filters->addWidget(RevertPB);
  layout->addLayout(filters);

  JournalGrid = new QTableView(this);
  JournalGrid->setObjectName(QStringLiteral("JournalGrid"));
  JournalGrid->setAccessibleName(QStringLiteral("Change journal"));
  JournalGrid->setModel(model_);
  JournalGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  JournalGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
  JournalGrid->setWordWrap(false);
  JournalGrid->verticalHeader()->hide();
  JournalGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
  JournalGrid->horizontalHeader()->setStretchLastSection(true);
  const int widths[kColumns] = {175, 60, 60, 110, 60, 110, 85, 190, 60, 200};
  for (int c = 0; c < kColumns; ++c) JournalGrid->setColumnWidth(c, widths[c]);
  layout->addWidget(JournalGrid, 1);

  JournalInfoLBL = new QLabel(this);
  JournalInfoLBL->setObjectName(QStringLiteral("JournalInfoLBL"));
  JournalInfoLBL->setWordWrap(true);
  JournalInfoLBL->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(JournalInfoLBL);

  connect(RefreshPB, &QPushButton::clicked, this, &JournalFRM::reload);
  connect(JournalGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &JournalFRM::paintRevert);
  connect(model_, &QAbstractItemModel::modelReset, this, &JournalFRM::paintRevert);
  connect(RevertPB, &QPushButton::clicked, this, [this] {
    const std::vector<std::size_t> chosen = chosenChanges();
    if (!chosen.empty()) emit revertRequested(chosen);
  });
  resize(1100, 520);
}

JournalFRM::~JournalFRM() = default;

int JournalFRM::eventCount() const {
  return model_->eventCount();
}

int JournalFRM::shownCount() const {
  return model_->rowCount();
}

int JournalFRM::changeCount() const {
  return model_->changeCount();
}

const std::vector<records::JournalEvent>& JournalFRM::events() const {
  return model_->events();
}

const std::vector<records::JournalChange>& JournalFRM::changes() const {
  return model_->changes();
}

std::vector<std::size_t> JournalFRM::chosenChanges() const {
  std::vector<std::size_t> chosen;
  for (const QModelIndex& index : JournalGrid->selectionModel()->selectedRows())
    chosen.push_back(model_->changeAt(index.row()));
  return chosen;
}

void JournalFRM::choose(const std::vector<int>& rows) {
  JournalGrid->clearSelection();
  for (const int r : rows)
    JournalGrid->selectionModel()->select(model_->index(r, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void JournalFRM::setRevertBusy(bool busy) {
  revertBusy_ = busy;
  paintRevert();
}

void JournalFRM::paintRevert() {
  RevertPB->setEnabled(!revertBusy_ && JournalGrid->selectionModel()->hasSelection());
}

void JournalFRM::reload() {
  readFolder_ = folder_();
  unreadable_.clear();
  JournalView view;
  const QDir dir(readFolder_);
  std::vector<std::string> names;
  for (const QString& name :
       dir.entryList({QStringLiteral("journal-*.jsonl")}, QDir::Files | QDir::Readable))
    names.push_back(name.toStdString());
  for (const std::string& name : newestJournalFiles(std::move(names), kJournalMonths)) {
    QFile file(dir.filePath(QString::fromStdString(name)));
    if (!records::openRegularFile(file, QIODevice::ReadOnly)) {
      unreadable_ << file.fileName();
      continue;
    }
    const QByteArray text = readNewest(file);
    addJournalText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), view);
  }
  finishJournalView(view);
  malformed_ = view.malformed;
  capped_ = view.capped;
  model_->setEvents(std::move(view.events));
  describe();
}

void JournalFRM::refilter() {
  model_->setFilters(BlockFilterTB->text(), CpFilterTB->text());
  describe();
}

void JournalFRM::describe() {
  QString text = QStringLiteral(
                     "%1 of %2 changes shown, newest first, from the journal files of "
                     "the last %3 months in %4")
                     .arg(shownCount())
                     .arg(changeCount())
                     .arg(kJournalMonths)
                     .arg(QDir::toNativeSeparators(readFolder_));
  if (capped_)
    text += QStringLiteral(" (only the newest %1 events are read)").arg(kJournalMaxEvents);
  text += u'.';
  if (malformed_ > 0)
    text += QStringLiteral(" %1 malformed %2 skipped.")
                .arg(malformed_)
                .arg(malformed_ == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
  if (!unreadable_.isEmpty())
    text += QStringLiteral(" Not readable: %1.").arg(unreadable_.join(QStringLiteral(", ")));
  JournalInfoLBL->setText(text);
}

}  // namespace tarvo::tools

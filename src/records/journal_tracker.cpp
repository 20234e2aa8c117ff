#include "records/journal_tracker.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <utility>

#include "link/columns.h"
#include "link/reply_router.h"

namespace tarvo::records {

using link::ReplyId;
using link::ReplyRouter;

namespace {

// A listed value longer than this, or a list past this many bytes, is not kept: the old
// value of such a parameter is journaled as unknown.
constexpr std::size_t kMaxListedValue = 1024;
constexpr std::size_t kMaxListingBytes = 64 * 1024;
// How many parameters an edit's detail spells out; the changes list holds them all.
constexpr std::size_t kDetailParams = 20;

// The message of an add, copy, move or edit answer stands from column 91; the others'
// right after their nine-letter keyword.
constexpr std::size_t kRecordMessageCol = 91;
constexpr std::size_t kShortMessageCol = 10;

std::string_view bare(std::string_view command) {
  while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
    command.remove_suffix(1);
  return command;
}

// The blank-separated fields of a command's argument.
std::array<std::string_view, 4> fields(std::string_view arg) {
  std::array<std::string_view, 4> f{};
  for (std::size_t i = 0; i < f.size() && !arg.empty(); ++i) {
    const auto blank = arg.find(' ');
    f[i] = arg.substr(0, blank);
    arg = blank == std::string_view::npos ? std::string_view() : arg.substr(blank + 1);
  }
  return f;
}

std::string quoted(std::string_view s) {
  std::string q = "\"";
  q.append(s).append("\"");
  return q;
}

std::string editDetail(const std::vector<ParamChange>& changes, std::size_t extra) {
  std::string d;
  for (std::size_t i = 0; i < changes.size() && i < kDetailParams; ++i) {
    const ParamChange& c = changes[i];
    if (!d.empty()) d += ", ";
    d += c.param;
    d += ' ';
    d += c.oldValue ? quoted(*c.oldValue) : std::string("?");
    d += " -> ";
    d += quoted(c.newValue);
  }
  const std::size_t more = changes.size() > kDetailParams ? changes.size() - kDetailParams : 0;
  if (more + extra > 0) d += " and " + std::to_string(more + extra) + " more";
  return d;
}

}  // namespace

std::int64_t systemTimeMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// The tracker's side of the reply dispatch table: the same keyword tests as the client's.
class JournalTracker::Replies {
 public:
  explicit Replies(JournalTracker& t) : t_(t) {
    router_.bind(ReplyId::ClrPrmLst, this, &Replies::onClrPrmLst);
    router_.bind(ReplyId::PrmLst, this, &Replies::onPrmLst);
    router_.bind(ReplyId::DnPrmLst, this, &Replies::onDnPrmLst);
    router_.bind(ReplyId::ErrPrmLst, this, &Replies::onErrPrmLst);
    router_.bind(ReplyId::ErrPrmMod, this, &Replies::onErrPrmMod);
    router_.bind(ReplyId::WrnPrmMod, this, &Replies::onWrnPrmMod);
    router_.bind(ReplyId::DnPrmMod, this, &Replies::onDnPrmMod);
    router_.bind(ReplyId::ErrDelBlk, this, &Replies::onErrDelBlk);
    router_.bind(ReplyId::WrnDelBlk, this, &Replies::onWrnDelBlk);
    router_.bind(ReplyId::DnDelBlk, this, &Replies::onDnDelBlk);
    router_.bind(ReplyId::DnAddNew, this, &Replies::onDnAddNew);
    router_.bind(ReplyId::WrnAddNew, this, &Replies::onWrnAddNew);
    router_.bind(ReplyId::ErrAddNew, this, &Replies::onErrAddNew);
    router_.bind(ReplyId::DnCpyNew, this, &Replies::onDnCpyNew);
    router_.bind(ReplyId::WrnCpyNew, this, &Replies::onWrnCpyNew);
    router_.bind(ReplyId::ErrCpyNew, this, &Replies::onErrCpyNew);
    router_.bind(ReplyId::DnMoveBlk, this, &Replies::onDnMoveBlk);
    router_.bind(ReplyId::WrnMoveBlk, this, &Replies::onWrnMoveBlk);
    router_.bind(ReplyId::ErrMoveBlk, this, &Replies::onErrMoveBlk);
    router_.bind(ReplyId::DnOpenCp, this, &Replies::onDnOpenCp);
    router_.bind(ReplyId::ErrOpenCp, this, &Replies::onErrOpenCp);
    router_.bind(ReplyId::LockOpenCp, this, &Replies::onLockOpenCp);
    router_.bind(ReplyId::Checkpoint, this, &Replies::onCheckpoint);
    router_.bind(ReplyId::CloseIcc, this, &Replies::onCloseIcc);
    router_.bind(ReplyId::DnPutSrc, this, &Replies::onDnPutSrc);
    router_.bind(ReplyId::ErrPutSrc, this, &Replies::onErrPutSrc);
    router_.bind(ReplyId::WrnPutSrc, this, &Replies::onWrnPutSrc);
    router_.bind(ReplyId::DnCplSeq, this, &Replies::onDnCplSeq);
    router_.bind(ReplyId::ErrCplSeq, this, &Replies::onErrCplSeq);
    router_.bind(ReplyId::WrnCplSeq, this, &Replies::onWrnCplSeq);
    router_.bind(ReplyId::DnInsSeq, this, &Replies::onDnInsSeq);
    router_.bind(ReplyId::ErrInsSeq, this, &Replies::onErrInsSeq);
    router_.bind(ReplyId::WrnInsSeq, this, &Replies::onWrnInsSeq);
    router_.bind(ReplyId::DnCpUtil, this, &Replies::onDnCpUtil);
    router_.bind(ReplyId::ErrCpUtil, this, &Replies::onErrCpUtil);
  }

  void lineReceived(std::string_view line) { router_.dispatch(line); }

  void onClrPrmLst(std::string_view) {
    t_.listing_.reset();
    if (t_.listsGivenUp_ > 0) {
      --t_.listsGivenUp_;
    } else if (!t_.listsAsked_.empty()) {
      t_.listing_ = Listing{std::move(t_.listsAsked_.front()), {}, 0};
      t_.listsAsked_.pop_front();
    }
  }
  void onPrmLst(std::string_view line) {
    if (!t_.listing_) return;
    Listing& l = *t_.listing_;
    const std::string_view name = trimBlanks(cols(line, 8, 13));
    const std::string_view value = trimBlanks(fromCol(line, 14));
    if (name.empty() || value.size() > kMaxListedValue || l.values.size() >= kMaxListedParams ||
        l.bytes + name.size() + value.size() > kMaxListingBytes)
      return;
    l.bytes += name.size() + value.size();
    l.values.insert_or_assign(std::string(name), std::string(value));
  }
  void onDnPrmLst(std::string_view) {
    if (!t_.listing_) return;
    t_.storeListing(std::move(*t_.listing_));
    t_.listing_.reset();
  }
  void onErrPrmLst(std::string_view) {
    if (t_.listsGivenUp_ > 0)
      --t_.listsGivenUp_;
    else if (!t_.listsAsked_.empty())
      t_.listsAsked_.pop_front();
  }

  void onErrPrmMod(std::string_view l) { error(kEdit, l, kRecordMessageCol); }
  void onWrnPrmMod(std::string_view l) { warning(kEdit, l, kRecordMessageCol); }
  void onDnPrmMod(std::string_view) { t_.answer(kEdit, Outcome::Done, {}); }
  void onErrDelBlk(std::string_view l) { error(kDelete, l, kShortMessageCol); }
  void onWrnDelBlk(std::string_view l) { warning(kDelete, l, kShortMessageCol); }
  void onDnDelBlk(std::string_view) { t_.answer(kDelete, Outcome::Done, {}); }
  void onDnAddNew(std::string_view) { t_.answer(kAdd, Outcome::Done, {}); }
  void onWrnAddNew(std::string_view l) { warning(kAdd, l, kRecordMessageCol); }
  void onErrAddNew(std::string_view l) { error(kAdd, l, kRecordMessageCol); }
  void onDnCpyNew(std::string_view) { t_.answer(kCopy, Outcome::Done, {}); }
  void onWrnCpyNew(std::string_view l) { warning(kCopy, l, kRecordMessageCol); }
  void onErrCpyNew(std::string_view l) { error(kCopy, l, kRecordMessageCol); }
  void onDnMoveBlk(std::string_view) { t_.answer(kMove, Outcome::Done, {}); }
  void onWrnMoveBlk(std::string_view l) { warning(kMove, l, kRecordMessageCol); }
  void onErrMoveBlk(std::string_view l) { error(kMove, l, kRecordMessageCol); }

  void onDnOpenCp(std::string_view line) {
    t_.sessionCp_ = std::string(trimBlanks(cols(line, 9, 14)));
    t_.answer(kOpen, Outcome::Done, {});
  }
  void onErrOpenCp(std::string_view line) {
    t_.sessionCp_.clear();
    error(kOpen, line, kShortMessageCol);
  }
  void onLockOpenCp(std::string_view line) {
    t_.sessionCp_.clear();
    t_.answer(kOpen, Outcome::Error, "locked: " + std::string(fromCol(line, 12)));
  }
  void onCheckpoint(std::string_view line) {
    t_.sessionCp_.clear();
    t_.answer(kOpen, Outcome::Error, "checkpoint in progress: " + std::string(fromCol(line, 12)));
  }
  void onCloseIcc(std::string_view) { t_.sessionCp_.clear(); }

  void onDnPutSrc(std::string_view) { t_.answer(kSaveSource, Outcome::Done, {}); }
  void onErrPutSrc(std::string_view l) { error(kSaveSource, l, kShortMessageCol); }
  void onWrnPutSrc(std::string_view l) { warning(kSaveSource, l, kShortMessageCol); }
  void onDnCplSeq(std::string_view) { t_.answer(kCompile, Outcome::Done, {}); }
  void onErrCplSeq(std::string_view l) { error(kCompile, l, kShortMessageCol); }
  void onWrnCplSeq(std::string_view l) { warning(kCompile, l, kShortMessageCol); }
  void onDnInsSeq(std::string_view) { t_.answer(kInstall, Outcome::Done, {}); }
  void onErrInsSeq(std::string_view l) { error(kInstall, l, kShortMessageCol); }
  void onWrnInsSeq(std::string_view l) { warning(kInstall, l, kShortMessageCol); }
  void onDnCpUtil(std::string_view) { t_.answer(kCpUtility, Outcome::Done, {}); }
  void onErrCpUtil(std::string_view l) { error(kCpUtility, l, kShortMessageCol); }

 private:
  void error(Family f, std::string_view line, std::size_t col) {
    t_.answer(f, Outcome::Error, fromCol(line, col));
  }
  void warning(Family f, std::string_view line, std::size_t col) {
    t_.answer(f, Outcome::Warning, fromCol(line, col));
  }

  JournalTracker& t_;
  ReplyRouter router_;
};

JournalTracker::JournalTracker(Sink sink, Clock clock)
    : sink_(std::move(sink)),
      clock_(std::move(clock)),
      replies_(std::make_unique<Replies>(*this)) {}

JournalTracker::~JournalTracker() = default;

void JournalTracker::setContext(JournalContext context) {
  context_ = std::move(context);
}

JournalEvent JournalTracker::newEvent(std::string_view what, std::string_view block,
                                      std::string detail) {
  JournalEvent e;
  e.timeMs = clock_();
  e.user = context_.user;
  e.host = context_.host;
  e.serverHost = context_.serverHost;
  e.serverPort = context_.serverPort;
  e.cp = sessionCp_;
  e.block = std::string(block);
  e.what = std::string(what);
  e.detail = std::move(detail);
  return e;
}

void JournalTracker::request(Family family, std::optional<JournalEvent> event) {
  Queue& q = queues_[family];
  if (q.pending.size() >= kMaxOutstanding) {
    q.pending.pop_front();
    ++q.givenUp;
  }
  if (event && sink_) sink_(*event);
  q.pending.push_back(Pending{++seq_, std::move(event)});
}

void JournalTracker::answer(Family family, Outcome outcome, std::string_view message) {
  Queue& q = queues_[family];
  if (q.givenUp > 0) {
    --q.givenUp;
    return;
  }
  // An answer nothing waits for (a request sent before the tracker started) is passed over.
  if (q.pending.empty()) return;
  Pending p = std::move(q.pending.front());
  q.pending.pop_front();
  if (!p.request) return;
  JournalEvent e = std::move(*p.request);
  e.timeMs = clock_();
  e.result = outcome;
  e.message = std::string(message);
  if (family == kEdit) rememberEdit(e, outcome);
  if (sink_) sink_(e);
}

void JournalTracker::commandSent(std::string_view command) {
  // The argument of the command that `is` last recognised.
  std::string_view a;
  auto is = [&](std::string_view keyword) {
    if (!startsWith(command, keyword)) return false;
    a = command.substr(keyword.size());
    return true;
  };
  if (is("GETPARMS:")) {
    if (listsAsked_.size() >= kMaxOutstanding) {
      listsAsked_.pop_front();
      ++listsGivenUp_;
    }
    listsAsked_.emplace_back(trimBlanks(a));
  } else if (is("MODSTART:")) {
    // An edit that was never ended is not a request the server answers.
    const std::string_view block = trimBlanks(a);
    edit_ = newEvent(kWhatEdit, block, {});
    editExtra_ = 0;
    editNote_.clear();
    if (const auto r = std::find_if(reverts_.begin(), reverts_.end(),
                                    [&](const auto& n) { return n.first == block; });
        r != reverts_.end()) {
      edit_->what = std::string(kWhatRevert);
      editNote_ = std::move(r->second);
      reverts_.erase(r);
    }
  } else if (is("MODPARM:")) {
    if (!edit_) return;
    // "name = value", as the editor joins them; a bare "=" is read too.
    auto sep = a.find(" = ");
    std::size_t skip = 3;
    if (sep == std::string_view::npos) {
      sep = a.find('=');
      skip = 1;
    }
    const std::string_view name = trimBlanks(a.substr(0, sep));
    const std::string_view value =
        sep == std::string_view::npos ? std::string_view() : a.substr(sep + skip);
    if (edit_->changes.size() >= kMaxEditParams) {
      ++editExtra_;
      return;
    }
    edit_->changes.push_back(
        ParamChange{std::string(name), listedValue(edit_->block, name), std::string(value)});
  } else if (is("MODEND:")) {
    finishEdit(trimBlanks(a));
  } else if (is("ADDNEW:")) {
    const auto f = fields(a);
    std::string detail = "type " + std::string(f[2]) + " at " + std::string(f[1]);
    request(kAdd, newEvent(kWhatAdd, f[0], std::move(detail)));
  } else if (is("CPYNEW:")) {
    const auto f = fields(a);
    std::string detail =
        "from " + std::string(f[1]) + " (" + std::string(f[2]) + ") at " + std::string(f[3]);
    request(kCopy, newEvent(kWhatCopy, f[0], std::move(detail)));
  } else if (is("MOVEBLK:")) {
    const auto f = fields(a);
    std::string detail = "(" + std::string(f[2]) + ") to " + std::string(f[0]);
    request(kMove, newEvent(kWhatMove, f[1], std::move(detail)));
  } else if (is("DELBLK:")) {
    request(kDelete, newEvent(kWhatDelete, a, {}));
  } else if (is("SPUTSTART:")) {
    saveBlock_ = std::string(trimBlanks(a));
    saveLines_ = 0;
  } else if (is("SRCPUT:")) {
    if (saveBlock_) ++saveLines_;
  } else if (is("SPUTEND")) {
    // What follows SPUTEND repeats the last line, already counted.
    std::string detail = std::to_string(saveLines_) + (saveLines_ == 1 ? " line" : " lines");
    request(kSaveSource, newEvent(kWhatSaveSource, saveBlock_.value_or(std::string()),
                                  saveBlock_ ? std::move(detail) : std::string()));
    saveBlock_.reset();
    saveLines_ = 0;
  } else if (is("COMPLSEQ:")) {
    const auto f = fields(a);
    request(kCompile, newEvent(kWhatCompile, f[0], "type " + std::string(f[1])));
  } else if (is("INSTALSEQ:")) {
    request(kInstall, newEvent(kWhatInstall, trimBlanks(a), {}));
  } else if (is("OPENCP:")) {
    request(kOpen, std::nullopt);
  } else if (is("OVERRIDECP:")) {
    JournalEvent e = newEvent(kWhatOverrideLock, {}, std::string(a));
    e.cp = std::string(trimBlanks(a.substr(0, 6)));
    request(kOpen, std::move(e));
  } else {
    const std::string_view b = bare(command);
    if (b == "UPLOADCP") request(kCpUtility, newEvent(kWhatUpload, {}, {}));
    if (b == "CHECKPOINTCP") request(kCpUtility, newEvent(kWhatCheckpoint, {}, {}));
    if (b == "INITIALIZECP") request(kCpUtility, newEvent(kWhatInitialize, {}, {}));
  }
}

void JournalTracker::expectRevert(std::string_view block, std::string note) {
  if (reverts_.size() >= kMaxOutstanding) reverts_.pop_front();
  reverts_.emplace_back(std::string(block), std::move(note));
}

void JournalTracker::finishEdit(std::string_view endBlock) {
  JournalEvent e = edit_ ? std::move(*edit_) : newEvent(kWhatEdit, endBlock, {});
  edit_.reset();
  e.detail = editDetail(e.changes, editExtra_);
  if (!editNote_.empty()) e.detail += "; " + std::exchange(editNote_, {});
  editExtra_ = 0;
  request(kEdit, std::move(e));
}

void JournalTracker::rememberEdit(const JournalEvent& request, Outcome outcome) {
  if (outcome != Outcome::Done && outcome != Outcome::Warning) return;
  auto it = std::find_if(listed_.begin(), listed_.end(),
                         [&](const Listing& l) { return l.block == request.block; });
  if (it == listed_.end()) return;
  for (const ParamChange& c : request.changes) {
    // A warning may mean the server stored another value than the one sent.
    if (outcome == Outcome::Done && trimBlanks(c.newValue).size() <= kMaxListedValue)
      it->values.insert_or_assign(c.param, std::string(trimBlanks(c.newValue)));
    else
      it->values.erase(c.param);
  }
}

void JournalTracker::storeListing(Listing listing) {
  std::erase_if(listed_, [&](const Listing& l) { return l.block == listing.block; });
  listed_.push_back(std::move(listing));
  if (listed_.size() > kMaxListedBlocks) listed_.pop_front();
}

void JournalTracker::lineReceived(std::string_view line) {
  replies_->lineReceived(line);
}

void JournalTracker::connectionEnded() {
  std::vector<Pending> waiting;
  for (Queue& q : queues_) {
    for (Pending& p : q.pending)
      if (p.request) waiting.push_back(std::move(p));
    q.pending.clear();
    q.givenUp = 0;
  }
  std::sort(waiting.begin(), waiting.end(),
            [](const Pending& a, const Pending& b) { return a.seq < b.seq; });
  const std::int64_t now = clock_();
  for (Pending& p : waiting) {
    p.request->timeMs = now;
    p.request->result = Outcome::ConnectionLost;
    if (sink_) sink_(*p.request);
  }
  sessionCp_.clear();
  edit_.reset();
  editNote_.clear();
  reverts_.clear();
  saveBlock_.reset();
  listsAsked_.clear();
  listsGivenUp_ = 0;
  listing_.reset();
  listed_.clear();
}

std::optional<std::string> JournalTracker::listedValue(std::string_view block,
                                                       std::string_view param) const {
  for (auto it = listed_.rbegin(); it != listed_.rend(); ++it) {
    if (it->block != block) continue;
    const auto v = it->values.find(param);
    if (v == it->values.end()) return std::nullopt;
    return v->second;
  }
  return std::nullopt;
}

std::size_t JournalTracker::outstanding() const {
  std::size_t n = 0;
  for (const Queue& q : queues_)
    for (const Pending& p : q.pending) n += p.request ? 1 : 0;
  return n;
}

}  // namespace tarvo::records

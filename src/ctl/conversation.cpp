#include "ctl/conversation.h"

#include <algorithm>
#include <utility>

#include "browser/block_list.h"
#include "icc/session_commands.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "params/param_protocol.h"
#include "records/journal.h"

namespace tarvo::ctl {

namespace {

constexpr std::size_t kModMessageCol = 91;
// Old values kept for the report, all blocks together; past it they show as unknown.
constexpr std::size_t kMaxOldValueBytes = 64 * 1024 * 1024;

std::string str(std::string_view s) {
  return std::string(s);
}

}  // namespace

Job jobFor(const Options& options, Plan plan, std::string localHost) {
  Job job;
  job.command = options.command;
  job.cp = options.cp;
  job.block = options.block;
  job.plan = std::move(plan);
  job.ecb = options.ecb;
  job.compounds = options.compounds;
  job.overrideLock = options.overrideLock;
  job.localHost = std::move(localHost);
  job.window = options.window;
  return job;
}

std::string_view blockResultText(BlockResult result) {
  switch (result) {
    case BlockResult::Done: return "done";
    case BlockResult::Warning: return "warning";
    case BlockResult::Error: return "error";
    case BlockResult::NoAnswer: return "no answer";
    case BlockResult::NotSent: return "not sent";
    case BlockResult::Unchanged: return "unchanged";
  }
  return "not sent";
}

// ---- Outcome ---------------------------------------------------------------------------

Outcome::Outcome(const Plan& plan)
    : results_(plan.blockCount(), BlockResult::NotSent), old_(plan.rowCount(), {0, kUnknown}) {}

std::string_view Outcome::message(std::size_t block) const {
  const auto it = messages_.find(block);
  return it == messages_.end() ? std::string_view() : std::string_view(it->second);
}

std::optional<std::string_view> Outcome::oldValue(std::uint32_t row) const {
  const auto [at, size] = old_[row];
  if (size == kUnknown) return std::nullopt;
  return std::string_view(oldText_).substr(at, size);
}

bool Outcome::unchanged(const Plan& plan, std::uint32_t row) const {
  if (!leaveOut_) return false;
  const auto old = oldValue(row);
  return old && *old == plan.change(row).value;
}

void Outcome::set(std::size_t block, BlockResult result, std::string_view message) {
  results_[block] = result;
  if (message.empty())
    messages_.erase(block);
  else
    messages_.insert_or_assign(block, std::string(message));
}

void Outcome::setOldValue(std::uint32_t row, std::string_view value) {
  if (value.size() > kMaxValue || oldText_.size() + value.size() > kMaxOldValueBytes) return;
  old_[row] = {static_cast<std::uint32_t>(oldText_.size()),
               static_cast<std::uint32_t>(value.size())};
  oldText_.append(value);
}

std::size_t Outcome::count(BlockResult result) const {
  return static_cast<std::size_t>(std::count(results_.begin(), results_.end(), result));
}

// ---- the replies -----------------------------------------------------------------------

// The conversation's side of the reply dispatch table: the same keyword tests as the
// client's. Each answer goes to the oldest request of its kind still waiting; a line no
// request waits for is passed over.
class Conversation::Replies {
 public:
  explicit Replies(Conversation& c) : c_(c) {
    using link::ReplyId;
    const std::pair<ReplyId, void (Replies::*)(std::string_view)> handlers[] = {
        {ReplyId::ClrCpLst, &Replies::onClrCpLst},
        {ReplyId::CpLst, &Replies::onCpLst},
        {ReplyId::DnCpLst, &Replies::onDnCpLst},
        {ReplyId::ClrCmpLst, &Replies::onClrCmpLst},
        {ReplyId::CmpLst, &Replies::onCmpLst},
        {ReplyId::DnCmpLst, &Replies::onDnCmpLst},
        {ReplyId::ClrBlkLst, &Replies::onClrBlkLst},
        {ReplyId::BlkLst, &Replies::onBlkLst},
        {ReplyId::DnBlkLst, &Replies::onDnBlkLst},
        {ReplyId::ErrBlkLst, &Replies::onErrBlkLst},
        {ReplyId::TryOpenCp, &Replies::onTryOpenCp},
        {ReplyId::DnOpenCp, &Replies::onDnOpenCp},
        {ReplyId::ErrOpenCp, &Replies::onErrOpenCp},
        {ReplyId::LockOpenCp, &Replies::onLockOpenCp},
        {ReplyId::Checkpoint, &Replies::onCheckpoint},
        {ReplyId::CloseIcc, &Replies::onCloseIcc},
        {ReplyId::ClrPrmLst, &Replies::onClrPrmLst},
        {ReplyId::PrmLst, &Replies::onPrmLst},
        {ReplyId::DnPrmLst, &Replies::onDnPrmLst},
        {ReplyId::ErrPrmLst, &Replies::onErrPrmLst},
        {ReplyId::DnPrmMod, &Replies::onDnPrmMod},
        {ReplyId::WrnPrmMod, &Replies::onWrnPrmMod},
        {ReplyId::ErrPrmMod, &Replies::onErrPrmMod},
    };
    for (const auto& [id, handler] : handlers) router_.bind(id, this, handler);
  }

  void lineReceived(std::string_view line) { router_.dispatch(line); }

  void onClrCpLst(std::string_view) { beginList(Command::Cps); }
  void onCpLst(std::string_view line) {
    if (!inList(Command::Cps, line)) return;
    const std::string_view row = fromCol(line, 10);
    c_.addRow({str(trimBlanks(cols(row, 1, 6))), str(trimBlanks(fromCol(row, 7)))});
  }
  void onDnCpLst(std::string_view) {
    if (endList(Command::Cps)) c_.finishIfDone();
  }
  void onClrCmpLst(std::string_view) { beginList(Command::Compounds); }
  void onCmpLst(std::string_view line) {
    if (!inList(Command::Compounds, line)) return;
    // The compound's CP stands in characters 14 to 19 of the row, its name before them.
    const std::string_view row = fromCol(line, 13);
    c_.addRow({str(trimBlanks(cols(row, 1, 13))), str(trimBlanks(cols(row, 14, 19)))});
  }
  void onDnCmpLst(std::string_view) {
    if (endList(Command::Compounds)) c_.finishIfDone();
  }

  void onClrBlkLst(std::string_view) {
    if (beginList(Command::Blocks)) c_.compound_.clear();
  }
  void onBlkLst(std::string_view line) {
    if (!inList(Command::Blocks, line)) return;
    // GETBLKS lists no more blocks than a list may hold; rows_ is bounded by countListLine.
    const browser::BlkLine l = browser::parseBlkLine(line);
    if (l.kind == browser::BlkLineKind::Compound) {
      c_.compound_ = str(l.cmpName);
      c_.addRow({c_.compound_, str(browser::kCompoundType)});
    } else if (l.kind == browser::BlkLineKind::Block && !c_.compound_.empty() &&
               !startsWith(l.blkName, "---")) {
      c_.addRow({c_.compound_ + ":" + str(l.blkName), str(l.type)});
    }
  }
  void onDnBlkLst(std::string_view) {
    const bool wanted = c_.listBegun_ && !c_.listRequests_.empty() && !c_.listRequests_.front();
    if (!endList(Command::Blocks)) return;
    if (wanted && c_.reading()) c_.blocksListed();
    c_.finishIfDone();
  }
  void onErrBlkLst(std::string_view line) {
    if (listCommand() != Command::Blocks || c_.listRequests_.empty()) return;
    c_.progressed_ = true;
    c_.listBegun_ = false;
    const bool stale = c_.listRequests_.front();
    c_.listRequests_.pop_front();
    if (!stale)
      c_.stop("the server refused the block list: " + str(fromCol(line, 10)), kExitRefused, true);
  }

  void onTryOpenCp(std::string_view) {
    // The server at work on the open; a bounded number of such lines keep it waited for.
    if (c_.opening_ && ++c_.progressLines_ <= kMaxProgressLines) c_.progressed_ = true;
  }
  void onDnOpenCp(std::string_view line) {
    if (!c_.opening_) return;
    c_.progressed_ = true;
    c_.opening_ = false;
    c_.sessionCp_ = str(trimBlanks(cols(line, 9, 14)));
    // Behind the list asked with the open; a dump asks for more once its list is in.
    if (!c_.editing() && !c_.reading()) c_.close();
    c_.finishIfDone();
  }
  void onErrOpenCp(std::string_view line) {
    if (!c_.opening_) return;
    c_.progressed_ = true;
    c_.stop("Can not open CP [" + str(fromCol(line, 10)) + "]", kExitConnection, false);
  }
  void onLockOpenCp(std::string_view line) {
    if (!c_.opening_) return;
    c_.progressed_ = true;
    const std::string lock = str(fromCol(line, 12));
    if (c_.job_.overrideLock && !c_.overridden_) {
      c_.overridden_ = true;
      c_.open("OVERRIDECP:" + lock);
      return;
    }
    c_.stop("[" + str(trimBlanks(cols(lock, 1, 6))) + "] is locked (" + lock + ")" +
                (c_.overridden_ ? ", and the override did not take it"
                                : "; --override-lock takes it over"),
            kExitConnection, true);
  }
  void onCheckpoint(std::string_view line) {
    if (!c_.opening_) return;
    c_.progressed_ = true;
    c_.stop("[" + str(fromCol(line, 12)) + "] Checkpoint in Progress", kExitConnection, true);
  }
  void onCloseIcc(std::string_view line) {
    if (!c_.inSession()) return;
    c_.progressed_ = true;
    // The answer to our own close comes after every answer asked before it.
    if (c_.closeSent_ && c_.onlyCloseWaited()) {
      c_.closeAnswered_ = true;
      c_.finishIfDone();
      return;
    }
    // Another station took the CP over, or the server ended the session: no answer to
    // what is still waiting will come.
    const std::string failure = "the server closed the session: " + str(fromCol(line, 10));
    c_.noAnswer("the session was closed before the answer");
    c_.stop(failure, kExitConnection, false);
  }

  void onClrPrmLst(std::string_view) {
    if (c_.lists_.empty()) return;
    c_.progressed_ = true;
    ListAsked& asked = c_.lists_.front();
    asked.begun = true;
    c_.listLines_ = 0;
    c_.listBytes_ = 0;
    if (asked.stale) return;
    if (c_.job_.command == Command::Params) {
      c_.rows_.clear();
      return;
    }
    if (c_.reading() || c_.job_.command == Command::Revert) {
      c_.read_[asked.block].params.clear();
      return;
    }
    wanted_.clear();
    for (const std::uint32_t row : c_.job_.plan.rowsOf(asked.block))
      wanted_.push_back({c_.job_.plan.change(row).param, row});
    std::sort(wanted_.begin(), wanted_.end());
    found_.assign(wanted_.size(), std::nullopt);
  }
  void onPrmLst(std::string_view line) {
    if (c_.lists_.empty() || !c_.lists_.front().begun) return;
    c_.progressed_ = true;
    if (!c_.countListLine(line) || c_.lists_.front().stale) return;
    params::ParamLine p = params::parseParamLine(line);
    if (p.name.empty()) return;
    if (c_.job_.command == Command::Params) {
      c_.addRow({std::move(p.name), std::move(p.value)});
      return;
    }
    if (c_.reading() || c_.job_.command == Command::Revert) {
      c_.keepRead(c_.lists_.front().block, std::move(p.name), std::move(p.value));
      return;
    }
    // A parameter listed twice: the last one counts.
    const auto [from, to] = std::equal_range(
        wanted_.begin(), wanted_.end(), std::pair<std::string_view, std::uint32_t>(p.name, 0),
        [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto it = from; it != to; ++it)
      found_[static_cast<std::size_t>(it - wanted_.begin())] = p.value;
  }
  void onDnPrmLst(std::string_view) {
    if (c_.lists_.empty() || !c_.lists_.front().begun) return;
    c_.progressed_ = true;
    if (!c_.lists_.front().stale &&
        (c_.job_.command == Command::Set || c_.job_.command == Command::Apply)) {
      for (std::size_t i = 0; i < wanted_.size(); ++i)
        if (found_[i]) c_.outcome_.setOldValue(wanted_[i].second, *found_[i]);
    }
    c_.listDone();
  }
  void onErrPrmLst(std::string_view line) {
    if (c_.lists_.empty()) return;
    c_.progressed_ = true;
    c_.listRefused(fromCol(line, 10));
  }

  void onDnPrmMod(std::string_view) { c_.modAnswered(BlockResult::Done, {}); }
  void onWrnPrmMod(std::string_view line) {
    c_.modAnswered(BlockResult::Warning, fromCol(line, kModMessageCol));
  }
  void onErrPrmMod(std::string_view line) {
    c_.modAnswered(BlockResult::Error, fromCol(line, kModMessageCol));
  }

 private:
  // A list of one request (cps, compounds, blocks) begins: the rows of the one waited for.
  // dump and diff read the block list as blocks does.
  Command listCommand() const { return c_.reading() ? Command::Blocks : c_.job_.command; }

  bool beginList(Command command) {
    if (listCommand() != command || c_.listRequests_.empty()) return false;
    c_.progressed_ = true;
    c_.listBegun_ = true;
    c_.listLines_ = 0;
    c_.listBytes_ = 0;
    if (c_.listRequests_.front()) return false;  // stale: passed over
    c_.rows_.clear();
    return true;
  }
  bool inList(Command command, std::string_view line) {
    if (listCommand() != command || !c_.listBegun_) return false;
    c_.progressed_ = true;
    return c_.countListLine(line) && !c_.listRequests_.front();
  }
  bool endList(Command command) {
    if (listCommand() != command || !c_.listBegun_) return false;
    c_.progressed_ = true;
    c_.listBegun_ = false;
    c_.listRequests_.pop_front();
    return true;
  }

  Conversation& c_;
  link::ReplyRouter router_;
  // The changes of the block whose list is being read, by parameter name, and the values
  // the list gave them so far.
  std::vector<std::pair<std::string_view, std::uint32_t>> wanted_;
  std::vector<std::optional<std::string>> found_;
};

// ---- the conversation ------------------------------------------------------------------

Conversation::Conversation(Job job)
    : job_(std::move(job)), outcome_(job_.plan), replies_(std::make_unique<Replies>(*this)) {
  job_.window = std::max<std::size_t>(job_.window, 1);
  if (job_.command == Command::Apply) outcome_.leaveOutUnchanged();
  if (job_.command == Command::Revert)
    for (std::size_t b = 0; b < job_.plan.blockCount(); ++b)
      read_.push_back({std::string(job_.plan.block(b)), {}});
}

Conversation::~Conversation() = default;

std::string Conversation::blockName(std::size_t block) const {
  if (reading()) return read_[block].name;
  return editing() ? str(job_.plan.block(block)) : job_.block;
}

void Conversation::blocksListed() {
  // The compounds and blocks to read, in plant order; those of the compounds named only.
  std::vector<bool> named(job_.compounds.size(), false);
  for (Row& row : rows_) {
    const std::string_view compound = records::compoundOf(row[0]);
    bool wanted = job_.compounds.empty();
    for (std::size_t k = 0; k < job_.compounds.size(); ++k)
      if (job_.compounds[k] == compound) wanted = named[k] = true;
    if (wanted) read_.push_back({std::move(row[0]), {}});
  }
  rows_.clear();
  rows_.shrink_to_fit();
  // A diff names the compounds of its file: one the CP lacks is a difference, not a problem.
  for (std::size_t k = 0; k < named.size() && job_.command == Command::Dump; ++k)
    if (!named[k])
      readProblems_.push_back("compound " + job_.compounds[k] + " not found in " + job_.cp);
  listed_ = true;
  fillWindow();
  closeWhenAllSent();
}

bool Conversation::keepRead(std::size_t block, std::string name, std::string value) {
  if (++readRows_ > kMaxReadRows || (readBytes_ += name.size() + value.size()) > kMaxReadBytes) {
    stop("the parameters read are more than " + (readRows_ > kMaxReadRows
                                                     ? std::to_string(kMaxReadRows) + " rows"
                                                     : std::to_string(kMaxReadBytes) + " bytes"),
         kExitRefused, true);
    return false;
  }
  read_[block].params.emplace_back(std::move(name), std::move(value));
  return true;
}

std::vector<std::string> Conversation::start() {
  if (started_) return {};
  started_ = true;
  switch (job_.command) {
    case Command::Cps:
      listRequests_.push_back(false);
      out_.push_back("GETCPS");
      break;
    case Command::Compounds:
      listRequests_.push_back(false);
      out_.push_back("GETCMPS");
      break;
    default: open(icc::openCpCommand(job_.cp, job_.localHost));
  }
  return std::exchange(out_, {});
}

void Conversation::open(std::string command) {
  // Whatever was asked behind an earlier open is answered as refused: passed over, and
  // asked again behind this one.
  std::vector<std::size_t> again;
  for (ListAsked& l : lists_) {
    if (l.stale) continue;
    l.stale = true;
    ++stale_;
    again.push_back(l.block);
  }
  for (auto&& stale : listRequests_) stale = true;

  opening_ = true;
  progressLines_ = 0;
  out_.push_back(std::move(command));
  switch (job_.command) {
    case Command::Blocks:
      listRequests_.push_back(false);
      out_.push_back((job_.ecb ? "GETBLKS 1 " : "GETBLKS 0 ") + job_.cp);
      closeAhead();
      break;
    case Command::Dump:
    case Command::Diff:
      // Once the list is in, each block's parameters are asked for behind it.
      listRequests_.push_back(false);
      out_.push_back((job_.ecb ? "GETBLKS 1 " : "GETBLKS 0 ") + job_.cp);
      break;
    case Command::Params:
      askList(0);
      // As the editor does when it closes: the server may let the block go.
      out_.push_back(params::modDoneCommand(job_.block));
      closeAhead();
      break;
    default:
      for (const std::size_t b : again) askList(b);
      fillWindow();
  }
}

void Conversation::closeAhead() {
  // Nothing else is asked in this session: the close can follow at once, and its answer
  // comes right behind the last one. Not while a lock may still be taken over: a close
  // between the refusal and the override is what declining it looks like.
  if (!job_.overrideLock || overridden_) close();
}

void Conversation::close() {
  if (closeSent_) return;
  closeSent_ = true;
  out_.push_back("CLOSEICC");
}

bool Conversation::onlyCloseWaited() const {
  return !opening_ && listRequests_.empty() && lists_.empty() && mods_.empty() &&
         next_ == blockTotal();
}

void Conversation::askList(std::size_t block) {
  out_.push_back(params::getParmsCommand(blockName(block)));
  lists_.push_back({block, ++seq_, false, false});
}

void Conversation::fillWindow() {
  if ((!editing() && !(reading() && listed_)) || finished_) return;
  while (next_ < blockTotal() && blocksInFlight() < job_.window) askList(next_++);
}

void Conversation::sendTransaction(std::size_t block) {
  std::vector<std::uint32_t> rows = job_.plan.rowsOf(block);
  // A value the list shows already need not be sent: a file read from the CP applied to
  // it sends nothing.
  std::erase_if(rows, [&](std::uint32_t row) { return outcome_.unchanged(job_.plan, row); });
  if (rows.empty()) {
    outcome_.set(block, BlockResult::Unchanged, {});
    fillWindow();
    return;
  }
  const std::string name = blockName(block);
  out_.push_back(params::modStartCommand(name));
  for (const std::uint32_t row : rows) {
    const Plan::Change c = job_.plan.change(row);
    out_.push_back(params::modParmCommand(c.param, c.value));
  }
  out_.push_back(params::modEndCommand(name));
  // As the editor does when it closes: the server may let the block go.
  out_.push_back(params::modDoneCommand(name));
  mods_.push_back({block, ++seq_});
}

void Conversation::listDone() {
  const ListAsked asked = lists_.front();
  lists_.pop_front();
  if (asked.stale) {
    --stale_;
    return;
  }
  if (job_.command == Command::Revert) {
    RevertDecision d = job_.decide ? job_.decide(asked.block, read_[asked.block])
                                   : RevertDecision{{}, BlockResult::NotSent, {}, {}};
    read_[asked.block].params = {};
    if (d.values.empty()) {
      outcome_.set(asked.block, d.result, d.message);
      fillWindow();
    } else {
      outcome_.set(asked.block, BlockResult::NotSent, d.message);
      sendValues(asked.block, d.values);
    }
    closeWhenAllSent();
  } else if (editing()) {
    sendTransaction(asked.block);
    closeWhenAllSent();
  } else if (reading()) {
    fillWindow();
    closeWhenAllSent();
  }
  finishIfDone();
}

void Conversation::sendValues(std::size_t block,
                              const std::vector<std::pair<std::string, std::string>>& values) {
  const std::string name = blockName(block);
  out_.push_back(params::modStartCommand(name));
  for (const auto& [param, value] : values) out_.push_back(params::modParmCommand(param, value));
  out_.push_back(params::modEndCommand(name));
  out_.push_back(params::modDoneCommand(name));
  mods_.push_back({block, ++seq_});
}

void Conversation::listRefused(std::string_view message) {
  const ListAsked asked = lists_.front();
  lists_.pop_front();
  if (asked.stale) {
    --stale_;
    return;
  }
  if (reading()) {
    // Gone since the block list was read: said, and the rest read on.
    readProblems_.push_back("the parameters of " + blockName(asked.block) +
                            " could not be read: " + str(message));
    read_[asked.block].params.clear();
    fillWindow();
    closeWhenAllSent();
    finishIfDone();
    return;
  }
  if (!editing()) {
    stop("the server refused the parameter list of " + job_.block + ": " + str(message),
         kExitRefused, true);
    return;
  }
  // Nothing to change in a block the server does not know.
  outcome_.set(asked.block, BlockResult::Error, message);
  fillWindow();
  closeWhenAllSent();
  finishIfDone();
}

void Conversation::closeWhenAllSent() {
  // The last transaction is out: the close goes right behind it, and its answer comes
  // right behind the transactions' answers.
  // A dump asks nothing after its lists: the close follows the last one at once.
  if (next_ == blockTotal() && (reading() || lists_.size() == stale_)) close();
}

void Conversation::modAnswered(BlockResult result, std::string_view message) {
  if (mods_.empty()) return;
  progressed_ = true;
  outcome_.set(mods_.front().block, result, message);
  mods_.pop_front();
  fillWindow();
  finishIfDone();
}

void Conversation::finishIfDone() {
  if (finished_ || opening_ || !listRequests_.empty() || blocksInFlight() > 0) return;
  if (next_ < blockTotal()) return;
  // Every answer is in. In a session, its close is waited for too: the CP is free for the
  // next run once the program has ended.
  if (inSession() && !closeAnswered_) {
    close();
    return;
  }
  finished_ = true;
}

void Conversation::stop(std::string failure, int exitCode, bool closeSession) {
  failure_ = std::move(failure);
  failureCode_ = exitCode;
  if (closeSession && inSession()) close();
  finished_ = true;
}

void Conversation::noAnswer(std::string_view why) {
  for (const ModSent& m : mods_) outcome_.set(m.block, BlockResult::NoAnswer, why);
}

std::vector<std::string> Conversation::lineReceived(std::string_view line) {
  progressed_ = false;
  if (!started_ || finished_) return {};
  replies_->lineReceived(line);
  return std::exchange(out_, {});
}

void Conversation::connectionLost() {
  if (!started_ || finished_) return;
  // The session ends with the connection: a close not yet answered is closed all the same.
  if (closeSent_ && onlyCloseWaited()) {
    finished_ = true;
    return;
  }
  const std::string failure = "the connection was lost while waiting for " + waitingFor();
  noAnswer(records::outcomeText(records::Outcome::ConnectionLost));
  stop(failure, kExitConnection, false);
}

std::vector<std::string> Conversation::timedOut(int seconds) {
  if (!started_ || finished_) return {};
  // A server need not answer a close; the connection's end closes the session anyway.
  if (closeSent_ && onlyCloseWaited()) {
    finished_ = true;
    return {};
  }
  const std::string within = "no answer within " + std::to_string(seconds) + " s";
  const std::string failure = within + " while waiting for " + waitingFor();
  noAnswer(within);
  // A session that may be open is ended before the connection goes.
  stop(failure, kExitConnection, true);
  return std::exchange(out_, {});
}

std::string Conversation::waitingFor() const {
  if (opening_) return "the session to CP " + job_.cp + " to open";
  switch (job_.command) {
    case Command::Cps: return "the CP list";
    case Command::Compounds: return "the compound list";
    case Command::Blocks: return "the block list";
    case Command::Dump:
    case Command::Diff:
      if (!listed_) return "the block list";
      break;
    default: break;
  }
  const ListAsked* list = nullptr;
  for (const ListAsked& l : lists_)
    if (!l.stale) {
      list = &l;
      break;
    }
  const ModSent* mod = mods_.empty() ? nullptr : &mods_.front();
  if (mod && (!list || mod->seq < list->seq))
    return "the answer to the changes of " + blockName(mod->block);
  if (list) return "the parameters of " + blockName(list->block);
  return "the session to close";
}

bool Conversation::countListLine(std::string_view line) {
  ++listLines_;
  listBytes_ += line.size();
  if (listLines_ <= kMaxRows && listBytes_ <= kMaxListBytes) return true;
  const std::string what = (editing() || reading()) && !lists_.empty()
                               ? "the parameter list of " + blockName(lists_.front().block)
                               : "the list";
  stop(what + " is longer than " +
           (listLines_ > kMaxRows ? std::to_string(kMaxRows) + " rows"
                                  : std::to_string(kMaxListBytes) + " bytes"),
       kExitRefused, true);
  return false;
}

void Conversation::addRow(Row row) {
  rows_.push_back(std::move(row));
}

int Conversation::exitCode() const {
  int code = failureCode_;
  if (!readProblems_.empty() && code < kExitRefused) code = kExitRefused;
  if (outcome_.count(BlockResult::Error) > 0 && code < kExitRefused) code = kExitRefused;
  if (outcome_.count(BlockResult::NoAnswer) > 0) code = kExitConnection;
  return code;
}

std::vector<std::string> Conversation::columns() const {
  switch (job_.command) {
    case Command::Cps: return {"cp", "description"};
    case Command::Compounds: return {"compound", "cp"};
    case Command::Blocks: return {"name", "type"};
    case Command::Params: return {"param", "value"};
    case Command::Set:
    case Command::Apply:
    case Command::Dump:
    case Command::Diff:
    case Command::Revert: break;
  }
  return {};
}

void Conversation::plannedCommands(Job job, const std::function<void(std::string&&)>& each) {
  Conversation c(std::move(job));
  for (std::string& command : c.start()) each(std::move(command));
  while (!c.finished()) {
    // The answer to the oldest request still waiting, as an agreeing server gives it.
    std::vector<std::string> answer;
    if (c.opening_) {
      answer = {"DNOPENCP" + c.job_.cp};
    } else if (c.closeSent_ && c.onlyCloseWaited()) {
      answer = {"CLOSEICC " + c.job_.cp};
    } else if (!c.listRequests_.empty()) {
      const std::string name = c.job_.command == Command::Cps         ? "CPLST"
                               : c.job_.command == Command::Compounds ? "CMPLST"
                                                                      : "BLKLST";
      answer = {"CLR" + name, "DN" + name};
    } else if (!c.mods_.empty() &&
               (c.lists_.empty() || c.mods_.front().seq < c.lists_.front().seq)) {
      answer = {"DNPRMMOD"};
    } else if (!c.lists_.empty()) {
      answer = {"CLRPRMLST", "DNPRMLST"};
    } else {
      break;
    }
    for (const std::string& line : answer)
      for (std::string& command : c.lineReceived(line)) each(std::move(command));
  }
}

std::vector<std::string> Conversation::plannedCommands(Job job) {
  std::vector<std::string> all;
  plannedCommands(std::move(job),
                  [&](std::string&& command) { all.push_back(std::move(command)); });
  return all;
}

}  // namespace tarvo::ctl

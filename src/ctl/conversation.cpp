#include "ctl/conversation.h"

#include <utility>

#include "browser/block_list.h"
#include "icc/session_commands.h"
#include "link/columns.h"
#include "link/reply_router.h"
#include "params/param_protocol.h"

namespace tarvo::ctl {

namespace {

constexpr std::size_t kModMessageCol = 91;

std::string str(std::string_view s) {
  return std::string(s);
}

}  // namespace

Job jobFor(const Options& options, std::vector<BlockEdit> edits, std::string localHost) {
  Job job;
  job.command = options.command;
  job.cp = options.cp;
  job.block = options.block;
  job.edits = std::move(edits);
  job.ecb = options.ecb;
  job.overrideLock = options.overrideLock;
  job.localHost = std::move(localHost);
  return job;
}

std::string_view blockResultText(BlockResult result) {
  switch (result) {
    case BlockResult::Done: return "done";
    case BlockResult::Warning: return "warning";
    case BlockResult::Error: return "error";
    case BlockResult::NoAnswer: return "no answer";
    case BlockResult::NotSent: return "not sent";
  }
  return "not sent";
}

// The conversation's side of the reply dispatch table: the same keyword tests as the client's.
// Every handler acts only when its reply is what the current step waits for.
class Conversation::Replies {
 public:
  explicit Replies(Conversation& c) : c_(c) {
    router_.bind(link::ReplyId::ClrCpLst, this, &Replies::onClrCpLst);
    router_.bind(link::ReplyId::CpLst, this, &Replies::onCpLst);
    router_.bind(link::ReplyId::DnCpLst, this, &Replies::onDnCpLst);
    router_.bind(link::ReplyId::ClrCmpLst, this, &Replies::onClrCmpLst);
    router_.bind(link::ReplyId::CmpLst, this, &Replies::onCmpLst);
    router_.bind(link::ReplyId::DnCmpLst, this, &Replies::onDnCmpLst);
    router_.bind(link::ReplyId::ClrBlkLst, this, &Replies::onClrBlkLst);
    router_.bind(link::ReplyId::BlkLst, this, &Replies::onBlkLst);
    router_.bind(link::ReplyId::DnBlkLst, this, &Replies::onDnBlkLst);
    router_.bind(link::ReplyId::ErrBlkLst, this, &Replies::onErrBlkLst);
    router_.bind(link::ReplyId::DnOpenCp, this, &Replies::onDnOpenCp);
    router_.bind(link::ReplyId::ErrOpenCp, this, &Replies::onErrOpenCp);
    router_.bind(link::ReplyId::LockOpenCp, this, &Replies::onLockOpenCp);
    router_.bind(link::ReplyId::Checkpoint, this, &Replies::onCheckpoint);
    router_.bind(link::ReplyId::CloseIcc, this, &Replies::onCloseIcc);
    router_.bind(link::ReplyId::ClrPrmLst, this, &Replies::onClrPrmLst);
    router_.bind(link::ReplyId::PrmLst, this, &Replies::onPrmLst);
    router_.bind(link::ReplyId::DnPrmLst, this, &Replies::onDnPrmLst);
    router_.bind(link::ReplyId::ErrPrmLst, this, &Replies::onErrPrmLst);
    router_.bind(link::ReplyId::DnPrmMod, this, &Replies::onDnPrmMod);
    router_.bind(link::ReplyId::WrnPrmMod, this, &Replies::onWrnPrmMod);
    router_.bind(link::ReplyId::ErrPrmMod, this, &Replies::onErrPrmMod);
  }

  void lineReceived(std::string_view line) { router_.dispatch(line); }

  void onClrCpLst(std::string_view) { clearIf(Step::CpList); }
  void onCpLst(std::string_view line) {
    if (!at(Step::CpList)) return;
    const std::string_view row = fromCol(line, 10);
    c_.addRow({str(trimBlanks(cols(row, 1, 6))), str(trimBlanks(fromCol(row, 7)))});
  }
  void onDnCpLst(std::string_view) { advanceIf(Step::CpList); }
  void onClrCmpLst(std::string_view) { clearIf(Step::CmpList); }
  void onCmpLst(std::string_view line) {
    if (!at(Step::CmpList)) return;
    // The compound's CP stands in characters 14 to 19 of the row, its name before them.
    const std::string_view row = fromCol(line, 13);
    c_.addRow({str(trimBlanks(cols(row, 1, 13))), str(trimBlanks(cols(row, 14, 19)))});
  }
  void onDnCmpLst(std::string_view) { advanceIf(Step::CmpList); }

  void onClrBlkLst(std::string_view) {
    if (clearIf(Step::BlockList)) c_.compound_.clear();
  }
  void onBlkLst(std::string_view line) {
    if (!at(Step::BlockList)) return;
    const browser::BlkLine l = browser::parseBlkLine(line);
    if (l.kind == browser::BlkLineKind::Compound) {
      c_.compound_ = str(l.cmpName);
      c_.addRow({c_.compound_, str(browser::kCompoundType)});
    } else if (l.kind == browser::BlkLineKind::Block && !c_.compound_.empty() &&
               !startsWith(l.blkName, "---")) {
      c_.addRow({c_.compound_ + ":" + str(l.blkName), str(l.type)});
    }
  }
  void onDnBlkLst(std::string_view) { advanceIf(Step::BlockList); }
  void onErrBlkLst(std::string_view line) {
    if (at(Step::BlockList))
      c_.stop("the server refused the block list: " + str(fromCol(line, 10)), kExitRefused, true);
  }

  void onDnOpenCp(std::string_view line) {
    if (!at(Step::Open)) return;
    c_.sessionCp_ = str(trimBlanks(cols(line, 9, 14)));
    c_.advance();
  }
  void onErrOpenCp(std::string_view line) {
    if (at(Step::Open))
      c_.stop("Can not open CP [" + str(fromCol(line, 10)) + "]", kExitConnection, false);
  }
  void onLockOpenCp(std::string_view line) {
    if (!at(Step::Open)) return;
    const std::string lock = str(fromCol(line, 12));
    if (c_.job_.overrideLock && !c_.overridden_) {
      c_.overridden_ = true;
      c_.out_.push_back("OVERRIDECP:" + lock);
      return;
    }
    c_.stop("[" + str(trimBlanks(cols(lock, 1, 6))) + "] is locked (" + lock + ")" +
                (c_.overridden_ ? ", and the did not take it" : "; --override-lock takes it over"),
            kExitConnection, true);
  }
  void onCheckpoint(std::string_view line) {
    if (at(Step::Open))
      c_.stop("[" + str(fromCol(line, 12)) + "] Checkpoint in Progress", kExitConnection, true);
  }
  void onCloseIcc(std::string_view line) {
    if (at(Step::Close)) {
      c_.finish();
      return;
    }
    // Another station took the CP over, or the server ended the session.
    if (at(Step::Modify)) {
      BlockReport& r = c_.reports_[c_.current()->edit];
      r.result = BlockResult::NoAnswer;
      r.message = "the session was closed before the answer";
    }
    c_.stop("the server closed the session: " + str(fromCol(line, 10)), kExitConnection, false);
  }

  void onClrPrmLst(std::string_view) {
    if (at(Step::ParamList)) c_.listed_.clear();
  }
  void onPrmLst(std::string_view line) {
    if (!at(Step::ParamList)) return;
    params::ParamLine p = params::parseParamLine(line);
    if (p.name.empty()) return;
    if (c_.job_.command == Command::Params && !c_.addRow({p.name, p.value})) return;
    c_.listed_.emplace_back(std::move(p.name), std::move(p.value));
  }
  void onDnPrmLst(std::string_view) {
    if (!at(Step::ParamList)) return;
    if (c_.job_.command != Command::Params) {
      for (records::ParamChange& change : c_.reports_[c_.current()->edit].changes)
        for (const auto& [name, value] : c_.listed_)
          if (name == change.param) change.oldValue = value;
    }
    c_.advance();
  }
  void onErrPrmLst(std::string_view line) {
    if (!at(Step::ParamList)) return;
    const std::string message = str(fromCol(line, 10));
    if (c_.job_.command == Command::Params) {
      c_.stop("the server refused the parameter list of " + c_.job_.block + ": " + message,
              kExitRefused, true);
      return;
    }
    BlockReport& r = c_.reports_[c_.current()->edit];
    r.result = BlockResult::Error;
    r.message = message;
    ++c_.at_;  // nothing to change in a block the server does not know
    c_.advance();
  }

  void onDnPrmMod(std::string_view) { answered(BlockResult::Done, {}); }
  void onWrnPrmMod(std::string_view line) {
    answered(BlockResult::Warning, fromCol(line, kModMessageCol));
  }
  void onErrPrmMod(std::string_view line) {
    answered(BlockResult::Error, fromCol(line, kModMessageCol));
  }

 private:
  bool at(Step step) const {
    const Stage* s = c_.current();
    return s && s->step == step;
  }
  bool clearIf(Step step) {
    if (!at(step)) return false;
    c_.rows_.clear();
    return true;
  }
  void advanceIf(Step step) {
    if (at(step)) c_.advance();
  }
  void answered(BlockResult result, std::string_view message) {
    if (!at(Step::Modify)) return;
    BlockReport& r = c_.reports_[c_.current()->edit];
    r.result = result;
    r.message = str(message);
    c_.advance();
  }

  Conversation& c_;
  link::ReplyRouter router_;
};

Conversation::Conversation(Job job)
    : job_(std::move(job)), stages_(stagesFor(job_)), replies_(std::make_unique<Replies>(*this)) {
  for (const BlockEdit& e : job_.edits) {
    BlockReport r;
    r.block = e.block;
    for (const Assignment& a : e.changes) r.changes.push_back({a.param, std::nullopt, a.value});
    reports_.push_back(std::move(r));
  }
}

Conversation::~Conversation() = default;

std::vector<Conversation::Stage> Conversation::stagesFor(const Job& job) {
  switch (job.command) {
    case Command::Cps: return {{Step::CpList}};
    case Command::Compounds: return {{Step::CmpList}};
    case Command::Blocks: return {{Step::Open}, {Step::BlockList}, {Step::Close}};
    case Command::Params: return {{Step::Open}, {Step::ParamList}, {Step::Release}, {Step::Close}};
    case Command::Set:
    case Command::Apply: break;
  }
  std::vector<Stage> stages{{Step::Open}};
  for (std::size_t i = 0; i < job.edits.size(); ++i) {
    stages.push_back({Step::ParamList, i});
    stages.push_back({Step::Modify, i});
  }
  stages.push_back({Step::Close});
  return stages;
}

std::vector<std::string> Conversation::commandsFor(const Job& job, const Stage& stage,
                                                   std::string_view cp) {
  const bool params = job.command == Command::Params;
  const std::string& block = params || job.edits.empty() ? job.block : job.edits[stage.edit].block;
  switch (stage.step) {
    case Step::CpList: return {"GETCPS"};
    case Step::CmpList: return {"GETCMPS"};
    case Step::Open: return {icc::openCpCommand(job.cp, job.localHost)};
    case Step::BlockList: return {(job.ecb ? "GETBLKS 1 " : "GETBLKS 0 ") + str(cp)};
    case Step::ParamList: return {params::getParmsCommand(block)};
    case Step::Release: return {params::modDoneCommand(block)};
    case Step::Close: return {"CLOSEICC"};
    case Step::Modify: {
      std::vector<std::string> out{params::modStartCommand(block)};
      for (const Assignment& a : job.edits[stage.edit].changes)
        out.push_back(params::modParmCommand(a.param, a.value));
      out.push_back(params::modEndCommand(block));
      // As the editor does when it closes: the server may let the block go.
      out.push_back(params::modDoneCommand(block));
      return out;
    }
  }
  return {};
}

std::vector<std::string> Conversation::plannedCommands(const Job& job) {
  std::vector<std::string> all;
  for (const Stage& s : stagesFor(job))
    for (std::string& c : commandsFor(job, s, job.cp)) all.push_back(std::move(c));
  return all;
}

const Conversation::Stage* Conversation::current() const {
  return started_ && !finished_ && at_ < stages_.size() ? &stages_[at_] : nullptr;
}

std::vector<std::string> Conversation::start() {
  if (started_) return {};
  started_ = true;
  at_ = 0;
  out_ = commandsFor(job_, stages_[0], job_.cp);
  return std::exchange(out_, {});
}

void Conversation::advance() {
  if (++at_ >= stages_.size()) {
    finish();
    return;
  }
  // The CP as the server confirmed it names the session from here on.
  for (std::string& c : commandsFor(job_, stages_[at_], sessionCp_.empty() ? job_.cp : sessionCp_))
    out_.push_back(std::move(c));
  if (stages_[at_].step == Step::Release) advance();
}

void Conversation::stop(std::string failure, int exitCode, bool closeSession) {
  failure_ = std::move(failure);
  failureCode_ = exitCode;
  if (closeSession && !stages_.empty() && stages_.back().step == Step::Close &&
      at_ + 1 < stages_.size()) {
    at_ = stages_.size() - 1;
    out_.push_back("CLOSEICC");
    return;
  }
  finish();
}

void Conversation::finish() {
  finished_ = true;
}

std::vector<std::string> Conversation::lineReceived(std::string_view line) {
  if (!current()) return {};
  replies_->lineReceived(line);
  return std::exchange(out_, {});
}

void Conversation::connectionLost() {
  const Stage* s = current();
  if (!s) return;
  if (s->step == Step::Close) {
    finish();
    return;
  }
  if (s->step == Step::Modify) {
    reports_[s->edit].result = BlockResult::NoAnswer;
    reports_[s->edit].message = str(records::outcomeText(records::Outcome::ConnectionLost));
  }
  stop("the connection was lost while waiting for " + waitingFor(), kExitConnection, false);
}

std::vector<std::string> Conversation::timedOut(int seconds) {
  const Stage* s = current();
  if (!s) return {};
  if (s->step == Step::Close) {
    finish();
    return {};
  }
  const std::string within = "no answer within " + std::to_string(seconds) + " s";
  if (s->step == Step::Modify) {
    reports_[s->edit].result = BlockResult::NoAnswer;
    reports_[s->edit].message = within;
  }
  const bool session = s->step != Step::CpList && s->step != Step::CmpList;
  stop(within + " while waiting for " + waitingFor(), kExitConnection, false);
  // A session that may be open is ended before the connection goes.
  if (session) return {"CLOSEICC"};
  return {};
}

std::string Conversation::waitingFor() const {
  const Stage* s = current();
  if (!s) return {};
  const std::string& block = job_.command == Command::Params || job_.edits.empty()
                                 ? job_.block
                                 : job_.edits[s->edit].block;
  switch (s->step) {
    case Step::CpList: return "the CP list";
    case Step::CmpList: return "the compound list";
    case Step::Open: return "the session to CP " + job_.cp + " to open";
    case Step::BlockList: return "the block list";
    case Step::ParamList: return "the parameters of " + block;
    case Step::Modify: return "the answer to the changes of " + block;
    case Step::Release: break;
    case Step::Close: return "the session to close";
  }
  return {};
}

bool Conversation::addRow(Row row) {
  if (rows_.size() >= kMaxRows) {
    stop("the list is longer than " + std::to_string(kMaxRows) + " rows", kExitRefused, true);
    return false;
  }
  rows_.push_back(std::move(row));
  return true;
}

int Conversation::exitCode() const {
  int code = failureCode_;
  for (const BlockReport& r : reports_) {
    if (r.result == BlockResult::Error && code < kExitRefused) code = kExitRefused;
    if (r.result == BlockResult::NoAnswer) code = kExitConnection;
  }
  return code;
}

std::vector<std::string> Conversation::columns() const {
  switch (job_.command) {
    case Command::Cps: return {"cp", "description"};
    case Command::Compounds: return {"compound", "cp"};
    case Command::Blocks: return {"name", "type"};
    case Command::Params: return {"param", "value"};
    case Command::Set:
    case Command::Apply: break;
  }
  return {};
}

}  // namespace tarvo::ctl

#pragma once
// tarvoctl revert: the changes named on the command line found in the journal, the blocks
// to read, the values each block is set back to once its live values are in, and what
// became of each change.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ctl/conversation.h"
#include "ctl/ctl_plan.h"
#include "records/journal.h"
#include "records/journal_changes.h"

namespace tarvo::ctl {

class RevertRun {
 public:
  // The journal's events (of any files, in any order) and the times named: each names the
  // changes whose request has that time, else those whose answer has it.
  RevertRun(std::vector<records::JournalEvent> events, const std::vector<std::int64_t>& times);

  // Times that name no change ("no change at ... in the journal"); nothing is sent then.
  const std::vector<std::string>& errors() const { return errors_; }
  // The CP and server of the newest change named: the session goes there.
  const std::string& cp() const { return cp_; }
  const std::string& serverHost() const { return serverHost_; }
  int serverPort() const { return serverPort_; }

  // A row per block and parameter to read, for the changes that may be reverted.
  Plan plan() const;
  // The values `block` of plan() is set back to, decided on its live values; `note` is
  // what the journal's revert event names.
  RevertDecision decide(std::size_t block, const records::LiveBlock& live);
  // As decide(), the live values taken to be what the newest change named set (a dry run).
  RevertDecision decideAsJournaled(std::size_t block);

  struct Line {
    std::string time;  // of the change
    std::string block;
    std::string result;  // "reverted", "refused", "unchanged", or the block's result
    std::string message;
  };
  // Each change named, oldest first, with what became of it.
  std::vector<Line> report(const Plan& plan, const Outcome& outcome) const;
  // Exit code for the report: 0 all reverted, 1 any refused or refused by the server,
  // 3 an answer missing.
  static int exitCode(const std::vector<Line>& lines);

 private:
  std::vector<records::JournalEvent> events_;
  std::vector<records::JournalChange> changes_;
  std::vector<std::size_t> chosen_;                  // indexes into changes_
  std::vector<std::optional<std::string>> refused_;  // per changes_ index
  std::vector<std::optional<std::size_t>> sentIn_;   // per changes_: the plan block
  std::vector<std::string> blocks_;                  // plan() blocks
  std::vector<std::string> errors_;
  std::string cp_;
  std::string serverHost_;
  int serverPort_ = 0;
};

std::string formatRevertReport(const std::string& cp, const std::vector<RevertRun::Line>& lines,
                               bool json);

}  // namespace tarvo::ctl

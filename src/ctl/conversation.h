#pragma once
// One tarvoctl run as a conversation with the server, without any I/O: it says which
// commands to send, is fed the reply lines, and ends with rows to print or a report per
// block, and an exit code. One step at a time: the next commands go out only when the
// server has answered the last, so every answer is known to belong to its request.
//
//   cps, compounds   GETCPS / GETCMPS and the list
//   blocks           OPENCP, GETBLKS, CLOSEICC
//   params           OPENCP, GETPARMS, MODDONE, CLOSEICC
//   set, apply       OPENCP, then per block GETPARMS (the old values; an unknown block is
//                    refused here) and MODSTART, MODPARM..., MODEND, MODDONE; CLOSEICC
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/ctl_args.h"
#include "ctl/ctl_plan.h"
#include "records/journal.h"

namespace tarvo::ctl {

struct Job {
  Command command = Command::Cps;
  std::string cp;
  std::string block;             // params
  std::vector<BlockEdit> edits;  // set, apply
  bool ecb = false;
  bool overrideLock = false;
  std::string localHost;  // named in OPENCP
};

// What tarvoctl was asked to do, as a Job. `edits` comes from the command line (set) or
// from the CSV file (apply).
Job jobFor(const Options& options, std::vector<BlockEdit> edits, std::string localHost);

enum class BlockResult { Done, Warning, Error, NoAnswer, NotSent };
std::string_view blockResultText(BlockResult result);

struct BlockReport {
  std::string block;
  BlockResult result = BlockResult::NotSent;
  std::string message;                     // the server's text, or why there was no answer
  std::vector<records::ParamChange> changes;  // old values from the block's parameter list
};

using Row = std::vector<std::string>;

class Conversation {
 public:
  // The longest list kept for printing.
  static constexpr std::size_t kMaxRows = 1000000;

  explicit Conversation(Job job);
  ~Conversation();
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;

  // The first commands, once connected.
  std::vector<std::string> start();
  // One reply line; returns the commands to send next.
  std::vector<std::string> lineReceived(std::string_view line);
  // The connection ended before the conversation did.
  void connectionLost();
  // Nothing came for too long; returns what to send before closing.
  std::vector<std::string> timedOut(int seconds);

  bool finished() const { return finished_; }
  int exitCode() const;
  // Why the run stopped short ("" when it did not).
  const std::string& failure() const { return failure_; }

  // The list asked for (cps, compounds, blocks, params), and the names of its columns.
  const std::vector<Row>& rows() const { return rows_; }
  std::vector<std::string> columns() const;
  // One report per block (set, apply), in the order of the edits.
  const std::vector<BlockReport>& reports() const { return reports_; }

  // Every command of a run in which the server agrees to everything: what --dry-run shows.
  static std::vector<std::string> plannedCommands(const Job& job);

 private:
  class Replies;

  enum class Step { CpList, CmpList, Open, BlockList, ParamList, Modify, Release, Close };
  struct Stage {
    Step step;
    std::size_t edit = 0;
  };

  static std::vector<Stage> stagesFor(const Job& job);
  static std::vector<std::string> commandsFor(const Job& job, const Stage& stage,
                                              std::string_view cp);
  const Stage* current() const;
  // Moves to the next stage and appends its commands to `out_`.
  void advance();
  // Jumps to closing the session (or ends at once when `closeSession` is false).
  void stop(std::string failure, int exitCode, bool closeSession);
  void finish();
  std::string waitingFor() const;
  bool addRow(Row row);

  Job job_;
  std::vector<Stage> stages_;
  std::size_t at_ = 0;
  bool started_ = false;
  bool finished_ = false;
  bool overridden_ = false;
  std::string sessionCp_;
  std::string compound_;                                     // of the block list being read
  std::vector<std::pair<std::string, std::string>> listed_;  // the parameter list being read
  std::vector<Row> rows_;
  std::vector<BlockReport> reports_;
  std::string failure_;
  int failureCode_ = kExitOk;
  std::vector<std::string> out_;
  std::unique_ptr<Replies> replies_;
};

}  // namespace tarvo::ctl

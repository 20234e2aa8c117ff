#pragma once
// One tarvoctl run as a conversation with the server, without any I/O: it says which
// commands to send, is fed the reply lines, and ends with rows to print or an outcome per
// block, and an exit code.
//
//   cps, compounds   GETCPS / GETCMPS and the list
//   blocks           OPENCP and GETBLKS together; CLOSEICC
//   params           OPENCP, GETPARMS and MODDONE together; CLOSEICC
//   set, apply       OPENCP, then per block GETPARMS (the old values; an unknown block is
//                    refused here) and, once its list is in, MODSTART, MODPARM..., MODEND,
//                    MODDONE; CLOSEICC. apply leaves out a change to the value the list
//                    shows already, and a block with nothing left to change.
//   revert           as set and apply, the values decided once the block's list is in
//   dump, diff       OPENCP and GETBLKS together; once the list is in, GETPARMS of each
//                    compound and block; CLOSEICC
//
// Commands go out without waiting for the answers before them: the server reads them in
// order and answers them in order, so each answer belongs to the oldest request of its
// kind still waiting. What does wait is what needs an answer first: a block's transaction
// goes out only once its parameter list is in (its old values, and nothing sent for a
// block the server does not know), and the session is closed once every answer is in.
// Requests that follow OPENCP do so at once; when the open fails their answers are passed
// over (after a lock is taken over, they are asked again). At most `window` blocks are
// between their GETPARMS and their answer at any time; a window of 1 is strict request and
// answer.
//
// "CLOSEICC" goes out as soon as nothing more will be asked (with the open itself for
// blocks and params), so its answer comes right behind the last one; it is waited for, so
// that the CP is free when the program ends, but a server that does not answer it only
// ends the run at the deadline, with nothing lost.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ctl/ctl_args.h"
#include "ctl/ctl_plan.h"
#include "records/config_diff.h"

namespace tarvo::ctl {

enum class BlockResult : std::uint8_t { Done, Warning, Error, NoAnswer, NotSent, Unchanged };
std::string_view blockResultText(BlockResult result);

// What a revert sends to one block, decided on the block's live values: the parameters and
// their values, or nothing and the result and reason to report.
struct RevertDecision {
  std::vector<std::pair<std::string, std::string>> values;
  BlockResult result = BlockResult::Error;  // when there are no values
  std::string message;
  std::string note;  // the revert note for the change journal
};

struct Job {
  Command command = Command::Cps;
  std::string cp;
  std::string block;                   // params
  std::vector<std::string> compounds;  // dump, diff: only these (all when empty)
  // set, apply: the changes. revert: a row per parameter concerned, the blocks whose
  // lists `decide` needs.
  Plan plan;
  std::function<RevertDecision(std::size_t block, const records::LiveBlock& live)> decide;
  bool ecb = false;
  bool overrideLock = false;
  std::string localHost;  // named in OPENCP
  std::size_t window = kDefaultWindow;
};

// What tarvoctl was asked to do, as a Job. `plan` comes from the command line (set) or
// from the CSV file (apply).
Job jobFor(const Options& options, Plan plan, std::string localHost);

// What became of each block of a plan: its result, the server's text or why there was no
// answer, and the old value of each change as the block's parameter list showed it.
class Outcome {
 public:
  explicit Outcome(const Plan& plan);

  BlockResult result(std::size_t block) const { return results_[block]; }
  std::string_view message(std::size_t block) const;
  // Nothing when the list did not show the parameter (or never came).
  std::optional<std::string_view> oldValue(std::uint32_t row) const;
  // A change left out: the list showed its value already (apply only leaves them out).
  bool unchanged(const Plan& plan, std::uint32_t row) const;
  void leaveOutUnchanged() { leaveOut_ = true; }

  void set(std::size_t block, BlockResult result, std::string_view message);
  void setOldValue(std::uint32_t row, std::string_view value);
  // How many blocks have `result`.
  std::size_t count(BlockResult result) const;

 private:
  static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;

  std::vector<BlockResult> results_;
  bool leaveOut_ = false;
  std::unordered_map<std::size_t, std::string> messages_;  // only the blocks that have one
  std::vector<std::array<std::uint32_t, 2>> old_;          // offset and size in oldText_
  std::string oldText_;
};

using Row = std::array<std::string, 2>;

class Conversation {
 public:
  // The longest list kept for printing, in rows and in bytes of text; a parameter list
  // read for its old values is held to the same.
  static constexpr std::size_t kMaxRows = 1000000;
  static constexpr std::size_t kMaxListBytes = 64 * 1024 * 1024;
  // All the parameters a dump or diff reads, together: rows and bytes of names and values.
  static constexpr std::size_t kMaxReadRows = 4000000;
  static constexpr std::size_t kMaxReadBytes = 256 * 1024 * 1024;
  // Progress lines of an open ("TRYOPENCP") that count as the server working on it.
  static constexpr std::size_t kMaxProgressLines = 100;

  explicit Conversation(Job job);
  ~Conversation();
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;

  // The first commands, once connected.
  std::vector<std::string> start();
  // One reply line; returns the commands to send next.
  std::vector<std::string> lineReceived(std::string_view line);
  // Whether the last line was part of an answer waited for: only such a line moves the
  // deadline for the answers. Lines nobody asked for do not.
  bool progressed() const { return progressed_; }
  // The connection ended before the conversation did.
  void connectionLost();
  // No answer came in time; returns what to send before closing.
  std::vector<std::string> timedOut(int seconds);

  bool finished() const { return finished_; }
  int exitCode() const;
  // Why the run stopped short ("" when it did not).
  const std::string& failure() const { return failure_; }

  // The list asked for (cps, compounds, blocks, params), and the names of its columns.
  const std::vector<Row>& rows() const { return rows_; }
  // dump, diff: every compound and block read, in plant order, with its parameters.
  const std::vector<records::LiveBlock>& blocksRead() const { return read_; }
  // dump, diff: what could not be read ("" when all was), and compounds named but not found.
  const std::vector<std::string>& readProblems() const { return readProblems_; }
  std::vector<std::string> columns() const;
  // The edits (set, apply) and what became of them.
  const Plan& plan() const { return job_.plan; }
  const Outcome& outcome() const { return outcome_; }
  // Blocks between their GETPARMS and their answer.
  std::size_t blocksInFlight() const { return lists_.size() + mods_.size() - stale_; }

  // Every command of a run in which the server agrees to everything and answers each
  // request as it comes: what --dry-run shows. Handed to `each` one at a time.
  static void plannedCommands(Job job, const std::function<void(std::string&&)>& each);
  static std::vector<std::string> plannedCommands(Job job);

 private:
  class Replies;

  // A parameter list asked for: of a block of the plan, or of the one `params` lists.
  struct ListAsked {
    std::size_t block = 0;
    std::uint64_t seq = 0;
    bool stale = false;  // asked before an open that failed: its answer is passed over
    bool begun = false;  // its CLRPRMLST has come
  };
  struct ModSent {
    std::size_t block = 0;
    std::uint64_t seq = 0;
  };

  bool editing() const {
    return job_.command == Command::Set || job_.command == Command::Apply ||
           job_.command == Command::Revert;
  }
  bool reading() const { return job_.command == Command::Dump || job_.command == Command::Diff; }
  // Blocks of the plan, or of the block list read; each gets a parameter list.
  std::size_t blockTotal() const { return reading() ? read_.size() : job_.plan.blockCount(); }
  void blocksListed();
  bool keepRead(std::size_t block, std::string name, std::string value);
  bool inSession() const {
    return job_.command != Command::Cps && job_.command != Command::Compounds;
  }
  std::string blockName(std::size_t block) const;

  // OPENCP (or OVERRIDECP) and the requests that may follow it at once.
  void open(std::string command);
  void closeAhead();
  void close();
  void closeWhenAllSent();
  bool onlyCloseWaited() const;
  void askList(std::size_t block);
  void fillWindow();
  void sendTransaction(std::size_t block);
  void sendValues(std::size_t block,
                  const std::vector<std::pair<std::string, std::string>>& values);
  void listDone();
  void listRefused(std::string_view message);
  void modAnswered(BlockResult result, std::string_view message);
  // Ends the run once nothing is waited for any more.
  void finishIfDone();
  void stop(std::string failure, int exitCode, bool closeSession);
  void noAnswer(std::string_view why);
  std::string waitingFor() const;
  void addRow(Row row);
  bool countListLine(std::string_view line);

  Job job_;
  Outcome outcome_;
  bool started_ = false;
  bool finished_ = false;
  bool progressed_ = false;
  std::uint64_t seq_ = 0;

  // The session.
  bool opening_ = false;
  bool overridden_ = false;
  bool closeSent_ = false;
  bool closeAnswered_ = false;
  std::size_t progressLines_ = 0;
  std::string sessionCp_;

  // Lists of one request (cps, compounds, blocks): asked, and stale as a ListAsked is.
  std::deque<bool> listRequests_;
  bool listBegun_ = false;
  std::string compound_;  // of the block list being read

  // Parameter lists and transactions waiting for their answers, oldest first.
  std::deque<ListAsked> lists_;
  std::deque<ModSent> mods_;
  std::size_t stale_ = 0;
  std::size_t next_ = 0;  // the next block of the plan to ask for
  std::size_t listLines_ = 0;
  std::size_t listBytes_ = 0;

  std::vector<Row> rows_;
  // dump, diff: the blocks read; revert: the list of each block until it is decided.
  std::vector<records::LiveBlock> read_;
  std::size_t readRows_ = 0;
  std::size_t readBytes_ = 0;
  bool listed_ = false;  // dump, diff: the block list is in
  std::vector<std::string> readProblems_;
  std::string failure_;
  int failureCode_ = kExitOk;
  std::vector<std::string> out_;
  std::unique_ptr<Replies> replies_;
};

}  // namespace tarvo::ctl

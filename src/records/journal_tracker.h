#pragma once
// Follows one connection, command by command and reply line by reply line, and turns the
// changes asked of the server, and the server's answers to them, into journal events.
//
// It sees exactly what goes over the wire, so the client and tarvoctl share it. The server
// answers each kind of change in the order it was asked, with one line, so every kind has
// its own queue of requests waiting for their answer. It remembers what the last parameter
// list of each block showed, which gives an edit its old values, and the CP of the session.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/journal.h"

namespace tarvo::records {

// Who works, and with which server: copied into every event.
struct JournalContext {
  std::string user;  // UTF-8
  std::string host;  // UTF-8
  std::string serverHost;
  int serverPort = 0;
};

std::int64_t systemTimeMs();

class JournalTracker {
 public:
  using Sink = std::function<void(const JournalEvent&)>;
  using Clock = std::function<std::int64_t()>;

  // Requests of one kind still waiting for their answer. Past this many the oldest is given
  // up (its answer, when it comes, is passed over), so a server that never answers cannot
  // make the tracker grow without end.
  static constexpr std::size_t kMaxOutstanding = 4096;
  // Blocks whose parameter list is remembered, and parameters per block.
  static constexpr std::size_t kMaxListedBlocks = 256;
  static constexpr std::size_t kMaxListedParams = 4096;
  // Parameters of one edit kept for the journal; the count of the rest goes into its detail.
  static constexpr std::size_t kMaxEditParams = 4096;

  explicit JournalTracker(Sink sink, Clock clock = systemTimeMs);
  ~JournalTracker();
  JournalTracker(const JournalTracker&) = delete;
  JournalTracker& operator=(const JournalTracker&) = delete;

  void setContext(JournalContext context);
  const JournalContext& context() const { return context_; }

  // A command as it went out (without the frame).
  void commandSent(std::string_view command);
  // The next edit of `block` sets earlier changes back: it is journaled with what "revert"
  // and `note` (revertNote()) after its detail. Call it before the edit's commands go out.
  void expectRevert(std::string_view block, std::string note);
  // A reply line as it came in (without its line feed).
  void lineReceived(std::string_view line);
  // The connection is gone: every request still waiting is journaled as never answered,
  // and what was known about the session is forgotten.
  void connectionEnded();

  const std::string& sessionCp() const { return sessionCp_; }
  // The value the last parameter list of `block` showed for `param`.
  std::optional<std::string> listedValue(std::string_view block, std::string_view param) const;
  // Requests of every kind still waiting for their answer.
  std::size_t outstanding() const;

 private:
  class Replies;

  enum Family {
    kEdit,
    kAdd,
    kCopy,
    kMove,
    kDelete,
    kSaveSource,
    kCompile,
    kInstall,
    kCpUtility,
    kOpen,  // OPENCP and OVERRIDECP share their answers; only an override is a change
    kFamilies
  };

  struct Pending {
    std::uint64_t seq = 0;
    std::optional<JournalEvent> request;  // none for a plain OPENCP
  };

  struct Queue {
    std::deque<Pending> pending;
    std::size_t givenUp = 0;  // answers still due to requests that were given up
  };

  struct Listing {
    std::string block;
    std::map<std::string, std::string, std::less<>> values;
    std::size_t bytes = 0;
  };

  JournalEvent newEvent(std::string_view what, std::string_view block, std::string detail);
  void request(Family family, std::optional<JournalEvent> event);
  void answer(Family family, Outcome outcome, std::string_view message);
  void finishEdit(std::string_view endBlock);
  void rememberEdit(const JournalEvent& request, Outcome outcome);
  void storeListing(Listing listing);

  Sink sink_;
  Clock clock_;
  JournalContext context_;
  std::unique_ptr<Replies> replies_;
  Queue queues_[kFamilies];
  std::uint64_t seq_ = 0;
  std::string sessionCp_;

  // An edit being sent: MODSTART seen, MODEND not yet.
  std::optional<JournalEvent> edit_;
  std::size_t editExtra_ = 0;  // parameters past kMaxEditParams
  std::string editNote_;       // of a revert
  // Reverts announced and not yet sent: block and note, oldest first.
  std::deque<std::pair<std::string, std::string>> reverts_;
  // A source upload being sent: SPUTSTART seen, SPUTEND not yet.
  std::optional<std::string> saveBlock_;
  std::size_t saveLines_ = 0;

  // Parameter lists asked for and not yet begun, the one arriving, and the last of each block.
  std::deque<std::string> listsAsked_;
  std::size_t listsGivenUp_ = 0;
  std::optional<Listing> listing_;
  std::deque<Listing> listed_;  // oldest first
};

}  // namespace tarvo::records

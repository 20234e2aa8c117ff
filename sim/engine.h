// The simulated Tarvo server without any I/O: connections come and go, each
// command gives the reply lines to send, each with the connection it goes to
// and how long to wait before it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/log_limiter.h"
#include "sim/plant.h"
#include "sim/ref_index.h"
#include "sim/xref.h"

namespace tarvo::sim {

using ConnId = std::uint64_t;

struct Outgoing {
  ConnId conn = 0;
  // Milliseconds to wait after the previous line to the same connection
  // has gone out: lines to one connection keep their order.
  int delayMs = 0;
  std::string line;  // without its line feed
  // Not 0: the outcome of checkpoint write `awaits` is not known yet. The line
  // (and every later one to the connection) is held until
  // Engine::checkpointWritten() gives its final text.
  std::uint64_t awaits = 0;
  friend bool operator==(const Outgoing&, const Outgoing&) = default;
};

// What clients can make the engine hold or write. Tests lower them.
struct EngineLimits {
  static constexpr std::size_t kMaxEditChanges = 1000;
  static constexpr std::size_t kMaxEditBytes = 64 * 1024;
  static constexpr std::size_t kMaxHostLength = 255;
  // Blocks, compounds, lines and bytes of source, bytes of parameter values.
  // A CP holds up to 8000 blocks. What the plant may hold keeps the server
  // near 100 MB even with blocks of the largest type, and a checkpoint of it
  // inside what a start reads (kMaxPlantFileBytes) even with every parameter
  // of every block written.
  static constexpr PlantSize kMaxPerCp{8000, 1000, 40'000, 2 << 20, 4 << 20};
  static constexpr PlantSize kMaxPlant{20'000, 5000, 160'000, 8 << 20, 8 << 20};
  static constexpr LogBudget kAllConnectionsLog{200, 50};

  // Parameters one MODSTART ... MODEND may change, and the bytes of their
  // names and values together; a larger edit is refused whole.
  std::size_t maxEditChanges = kMaxEditChanges;
  std::size_t maxEditBytes = kMaxEditBytes;
  // The host name of "OPENCP:", which other clients see as the lock holder.
  std::size_t maxHostLength = kMaxHostLength;
  // What adds, copies and saved sources may grow a CP and the whole plant
  // to; past it they are refused. A plant file may hold more: then nothing
  // more is added.
  PlantSize maxPerCp = kMaxPerCp;
  PlantSize maxPlant = kMaxPlant;
  // Log lines per connection, and for the lines about all connections
  // together (new connections come with budgets of their own).
  LogBudget log;
  LogBudget allConnectionsLog = kAllConnectionsLog;
};

struct EngineOptions {
  std::string version = "0.95.1";
  int workMs = 3000;         // how long upload, checkpoint and initialize take
  int xrefMsPerBlock = 100;  // simulated work per block read by a cross-reference generation
  EngineLimits limits = {};
};

class Engine {
 public:
  using Logger = std::function<void(const std::string&)>;
  // Stores the plant for a checkpoint; returns "" on success, otherwise the
  // reason it could not.
  using CheckpointSink = std::function<std::string(const Plant&)>;
  // Starts storing a snapshot of the plant for a checkpoint and returns at
  // once; whoever runs the engine calls checkpointWritten(ticket, ...) on the
  // engine's thread when the write has ended. Writes must end in the order
  // they were started, so that the file ends up with the latest snapshot.
  using CheckpointWriter =
      std::function<void(std::uint64_t ticket, std::shared_ptr<const Plant> snapshot)>;

  explicit Engine(Plant plant, EngineOptions options = {});

  ConnId connect();
  // Ends the connection's session and releases its lock.
  void disconnect(ConnId id);
  std::vector<Outgoing> handle(ConnId id, std::string_view command);

  void setLogger(Logger logger) { logger_ = std::move(logger); }
  // A writer, when set, is used instead of the sink: the checkpoint's answer
  // then waits for the write without holding up other clients.
  void setCheckpointSink(CheckpointSink sink) { checkpointSink_ = std::move(sink); }
  void setCheckpointWriter(CheckpointWriter writer) { checkpointWriter_ = std::move(writer); }
  // The write `ticket` has ended; problem is "" when it succeeded. Returns the
  // final text of the line that awaited it (awaits == ticket), for a
  // connection that may have gone since.
  std::vector<Outgoing> checkpointWritten(std::uint64_t ticket, const std::string& problem);

  const Plant& plant() const { return plant_; }
  // What the plant and one of its CPs hold, as the limits count it.
  const PlantSize& plantSize() const { return plantSize_; }
  PlantSize cpSize(std::string_view cp) const;
  const EngineOptions& options() const { return options_; }
  // CP of the connection's open ICC session, "" when it has none.
  std::string sessionCp(ConnId id) const;
  std::size_t connectionCount() const { return conns_.size(); }
  // Bytes of client text held between commands (unfinished edits and uploads,
  // host names): bounded per connection, whatever the client sends.
  std::size_t heldBytes() const;

  // --- the log --------------------------------------------------------------
  // Every line is escaped as it is written. A line about one connection counts
  // against the connection's budget (`closing`, the line that says why it
  // ends, does not) and against that of the lines about all connections
  // together; a line over either is counted and the count logged later. The
  // server's lines about its clients go the same way.
  void log(const std::string& message) const;
  void logConn(ConnId id, const std::string& message, bool closing = false);
  // A line about a connection that was never accepted: only the budget of all
  // connections' lines holds it.
  void logUnaccepted(const std::string& message);

 private:
  struct Transaction {
    std::string target;  // "CMP:BLK" or a compound name, as sent
    std::vector<std::pair<std::string, std::string>> changes;  // in arrival order, one per name
    std::map<std::string, std::size_t, std::less<>> index;     // name -> its place in changes
    std::size_t bytes = 0;                                     // of the names and values in changes
    std::string malformed;  // why it will be refused: the first unreadable MODPARM, or too much
    void setMalformed(std::string why);  // keeps the first reason and drops the changes
  };

  struct Connection {
    ConnId id = 0;
    std::string host;         // from "OPENCP:"; names the lock holder
    std::string sessionCp;    // "" when no session is open
    std::string attemptedCp;  // last CP asked for, reported by CLOSEICC without a session
    std::optional<Transaction> tx;
    // Option of the session's last block list (true: ECB and station blocks
    // included); unset until the session has listed its blocks.
    std::optional<bool> listedAll;
    LogLimiter logLimit;
  };

  struct Context {
    Connection& conn;
    std::vector<Outgoing>& out;
    void reply(std::string line, int delayMs = 0) {
      out.push_back({conn.id, delayMs, std::move(line)});
    }
  };

  using Handler = void (Engine::*)(Context&, std::string_view);
  struct CommandEntry {
    std::string_view keyword;
    bool prefix;  // the argument follows the keyword; otherwise the command is the keyword alone
    Handler handler;
  };
  static const std::vector<CommandEntry>& commandTable();

  // --- version, watchdog, lists (engine.cpp) ---
  void getVersion(Context& ctx, std::string_view arg);
  void ignore(Context& ctx, std::string_view arg);
  void getCps(Context& ctx, std::string_view arg);
  void getCompounds(Context& ctx, std::string_view arg);
  // --- ICC sessions (engine_session.cpp) ---
  void openCp(Context& ctx, std::string_view arg);
  void overrideCp(Context& ctx, std::string_view arg);
  void closeIcc(Context& ctx, std::string_view arg);
  void getBlocks(Context& ctx, std::string_view arg);
  // --- CP utilities (engine_utilities.cpp) ---
  void upload(Context& ctx, std::string_view arg);
  void checkpoint(Context& ctx, std::string_view arg);
  void initialize(Context& ctx, std::string_view arg);
  // --- parameters (engine_params.cpp) ---
  void getParams(Context& ctx, std::string_view arg);
  void modStart(Context& ctx, std::string_view arg);
  void modParam(Context& ctx, std::string_view arg);
  void modEnd(Context& ctx, std::string_view arg);
  void modDone(Context& ctx, std::string_view arg);

  // --- block and compound operations (engine_blocks.cpp) ---
  // "ADDNEW:", "CPYNEW:", "MOVEBLK:" and "DELBLK:" change the session's CP
  // and answer with one record (DELBLK: one line).
  void addNew(Context& ctx, std::string_view arg);
  void copyNew(Context& ctx, std::string_view arg);
  void moveBlock(Context& ctx, std::string_view arg);
  void deleteBlock(Context& ctx, std::string_view arg);
  // Whether the connection's block list shows blocks of this type. A change
  // to a block it does not show is confirmed with the "X" variant, which
  // leaves the client's selection where it is.
  static bool listShows(const Connection& conn, const BlockType& type);
  // The types "ADDNEW:" accepts, "COMPND" included; the block type list
  // sent after "DNOPENCP" offers exactly these.
  static bool acceptedByAdd(const BlockType& type);

  // --- Sequence blocks and PLB listings (engine_sequence.cpp) -----------------
 public:
  // What one source upload may hold; a larger one is refused whole.
  static constexpr std::size_t kMaxSourceLines = 10000;
  static constexpr std::size_t kMaxSourceBytes = 512 * 1024;

 private:
  // A source arriving line by line between SPUTSTART and SPUTEND.
  struct SourceUpload {
    std::string block;  // "CMP:BLK" as SPUTSTART named it
    std::vector<std::string> lines;
    // The last line came without its line end; SPUTEND repeats it.
    bool lastUnended = false;
    std::size_t bytes = 0;
    std::string refusal;  // why it will not be stored; the first reason stands
    void add(std::string_view line);
  };
  struct CompileRecord {
    std::vector<std::string> source;  // as compiled: install needs it unchanged since
    std::vector<std::string> listing;
    std::size_t errors = 0;
    std::size_t warnings = 0;
  };
  struct SequenceWork {
    std::map<std::string, ConnId, std::less<>> editors;          // "CMP:BLK" -> its editor
    std::map<ConnId, SourceUpload> uploads;                      // at most one per connection
    std::map<std::string, CompileRecord, std::less<>> compiles;  // last compile per block
    std::set<std::string, std::less<>> uninstalled;              // saved since last install
  };
  SequenceWork seq_;

  void editSeq(Context& ctx, std::string_view arg);
  void cancelSeq(Context& ctx, std::string_view arg);
  void getSource(Context& ctx, std::string_view arg);
  void sourceStart(Context& ctx, std::string_view arg);
  void sourcePut(Context& ctx, std::string_view arg);
  void sourceEnd(Context& ctx, std::string_view arg);
  void compileSeq(Context& ctx, std::string_view arg);
  void installSeq(Context& ctx, std::string_view arg);
  void getListing(Context& ctx, std::string_view arg);
  void plbListing(Context& ctx, std::string_view arg);
  // Why `conn` may not change sequence block `key`, "" when it may.
  std::string notEditor(const Connection& conn, const std::string& key) const;
  // Drops the connection's edit sessions and unfinished upload.
  void endSequenceWork(ConnId id);
  // ---------------------------------------------------------------------------

  void openSession(Context& ctx, std::string_view cpName, bool takeOver);
  // Answers ERROPENCP with `why` and returns true, unless why is empty.
  bool refusedOpen(Context& ctx, std::string_view why);
  void endSession(Connection& conn);
  std::string holderName(const Connection& conn) const;
  enum class Utility { Upload, Checkpoint, Initialize };
  void cpUtility(Context& ctx, Utility which);
  // Calls `change` for every block of CP `cp` that holds values tuned at the
  // CP, and counts the values it leaves (which are never more).
  void forTunedBlocks(const std::string& cp,
                      const std::function<void(const Compound&, Block&)>& change);
  void commit(Context& ctx, const Transaction& tx);
  const Cp* sessionCpOf(const Connection& conn) const;
  // Whether the overall budget lets a line about a connection through; writes
  // the count of those it held back first.
  bool allConnectionsAllow(std::int64_t now);

  // --- changing the plant ----------------------------------------------------
  // Reading goes through plant_ and its const pointers. A change goes through
  // these, which make what they return the plant's own first (a checkpoint
  // may share it): a pointer read before a change is not used after it.
  Cp* editCp(std::string_view cp) { return plant_.cps.edit(cp); }
  Compound* editCompound(std::string_view cp, std::string_view compound);
  Block* editBlock(std::string_view cp, std::string_view compound, std::string_view block);
  // Why CP `cp` may not grow by `added` while giving up `removed` (a source
  // replaced); "" when it may. Only growth is refused: a plant file may hold
  // more than the limits, and then shrinking still works.
  std::string growthRefused(const std::string& cp, const PlantSize& added,
                            const PlantSize& removed = {}) const;
  // What CP `cp` now holds more or less than before.
  void resized(const std::string& cp, const PlantSize& added, const PlantSize& removed = {});
  // A block's or compound's parameters change from `before` to `after`.
  void reindex(std::string_view owner, const ParamList& before, const ParamList& after);

  // A CP utility runs on a CP until its work time has passed and, for a
  // checkpoint written elsewhere, until the write has ended. Another one asked
  // for meanwhile is refused.
  struct UtilityRun {
    std::string what;  // "upload", "checkpoint", "initialize"
    ConnId conn = 0;
    std::int64_t endMs = 0;
    std::uint64_t ticket = 0;  // the checkpoint write still going on, 0 when none
  };
  std::map<std::string, UtilityRun, std::less<>> utilities_;  // CP -> what runs on it
  std::uint64_t nextTicket_ = 1;

  Plant plant_;
  EngineOptions options_;
  std::map<std::string, PlantSize, std::less<>> cpSizes_;
  PlantSize plantSize_;
  ReferenceIndex refs_;
  Logger logger_;
  LogLimiter allConnectionsLog_;
  CheckpointSink checkpointSink_;
  CheckpointWriter checkpointWriter_;
  std::map<ConnId, Connection> conns_;
  std::map<std::string, ConnId, std::less<>> holders_;  // CP -> connection holding its session
  ConnId nextId_ = 1;

  // --- cross-reference (engine_xref.cpp) -------------------------------------
  // The setup lists and the last generation belong to the server; uploads and
  // the following of a run to each connection. Runs advance with the clock,
  // read when a command comes: polls, not timers, deliver the output.
 public:
  using Clock = std::function<std::int64_t()>;  // monotonic milliseconds
  void setClock(Clock clock) { clock_ = std::move(clock); }
  const xref::Lists& xrefLists() const { return xrefLists_; }

 private:
  void xrefCfgGet(Context& ctx, std::string_view arg);
  void xrefCfgPut(Context& ctx, std::string_view arg);
  void xrefRunStart(Context& ctx, std::string_view arg);
  void xrefRunPoll(Context& ctx, std::string_view arg);
  void xrefRunEnd(Context& ctx, std::string_view arg);
  void xrefBlock(Context& ctx, std::string_view arg);
  void xrefSettle(ConnId cause, std::int64_t now);
  void xrefDeliver(Context& ctx, std::int64_t now);
  void xrefStopFollowing(ConnId id);  // a run nobody follows any more is stopped
  void xrefForget(ConnId id);         // the connection is gone

  Clock clock_ = xref::steadyMillis;
  xref::Lists xrefLists_ = xref::initialLists(plant_);
  std::map<ConnId, xref::Upload> xrefUploads_;      // between STRT and DONE
  std::map<ConnId, xref::Follower> xrefFollowers_;  // from XREFRUNS to XREFRUNDONE or XREFRUNE
  std::shared_ptr<const xref::Run> xrefRun_;        // the generation in progress
  std::shared_ptr<const xref::Run> xrefLatest_;     // the last one that finished
};

}  // namespace tarvo::sim

// The cross-reference of the simulated server, without any I/O: the three
// setup lists and their uploads, what a generation reads and reports, and the
// listing of one block or compound. The engine's handlers build on this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/plant.h"

namespace tarvo::sim::xref {

// The setup lists, one entry per line, kept exactly as uploaded.
struct Lists {
  std::vector<std::string> cps;          // "C": CP and volume names to read
  std::vector<std::string> displayDirs;  // "D": display base directories
  std::vector<std::string> historians;   // "H": historian names

  // The list a letter names; null for any letter but C, D and H.
  std::vector<std::string>* byLetter(char letter);
  const std::vector<std::string>* byLetter(char letter) const;
};

// What a server starts with: every CP and volume of the plant, and the display
// directories and historians of the demo installation.
Lists initialLists(const Plant& plant);

// "XREFCFGGETSTRT" + letter (column 15); "XREFCFGGETLINE", a blank, the
// letter (column 16), the entry (from column 17); "XREFCFGGETDONE" + letter.
std::string cfgStartLine(char letter);
std::string cfgLine(char letter, std::string_view entry);
std::string cfgDoneLine(char letter);

// Bounds of one uploaded list.
inline constexpr std::size_t kMaxListLines = 1000;
inline constexpr std::size_t kMaxEntryLength = 256;
inline constexpr std::size_t kMaxListBytes = 64 * 1024;

// One list arriving line by line. Once refused it keeps nothing more, so a
// client streaming garbage cannot grow it.
class Upload {
 public:
  explicit Upload(char letter) : letter_(letter) {}

  char letter() const { return letter_; }
  // payload is what follows "LINE:": a line that was ended carries one line
  // feed, the last line none. Any other control character refuses the upload.
  void addLine(std::string_view payload);
  // Keeps the first reason; the lines are dropped.
  void refuse(std::string reason);

  bool refused() const { return !refusal_.empty(); }
  const std::string& refusal() const { return refusal_; }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  char letter_;
  std::vector<std::string> lines_;
  std::size_t bytes_ = 0;
  std::string refusal_;
};

// "CMP:BLK.PARAM", or "CMP:BLK" when param is empty.
struct Point {
  std::string compound, block, param;
  std::string text() const;
  friend bool operator==(const Point&, const Point&) = default;
};

// One configured value that names another block: holder is the parameter
// holding it, named what it names. A connection carries a signal from named
// to holder; a block reference (an I/O block's module, an ECB's parent) names
// a whole block.
struct Reference {
  Point holder;
  Point named;
  bool blockRef = false;
  friend bool operator==(const Reference&, const Reference&) = default;
};

// The references held by one block's parameters, in parameter order.
std::vector<Reference> referencesOf(std::string_view compound, const Block& block);

// An ICC configurator session open while a generation starts.
struct Session {
  std::string cp, holder;
};

struct TimedLine {
  std::int64_t atMs = 0;  // after the start of the run
  std::string text;
};

// Everything a generation does, worked out when it starts: it reads the
// plant as it is then, so later changes wait for the next run.
struct Plan {
  std::vector<TimedLine> lines;  // progress output, in time order
  std::int64_t durationMs = 0;   // the last line comes at the end
  std::vector<Reference> references;
};

// Reads the CPs of the list in list order, each taking msPerBlock for every
// block it holds. Names that are no CP or volume of the plant, and names
// listed twice, are reported and skipped.
Plan plan(const Plant& plant, const Lists& lists, const std::vector<Session>& sessions,
          std::int64_t msPerBlock);

// A generation on its way, shared by the connections that follow it.
struct Run {
  Plan plan;
  std::int64_t startMs = 0;
  std::string startedBy;

  // How many lines of the output are due at nowMs.
  std::size_t linesDue(std::int64_t nowMs) const;
  bool finished(std::int64_t nowMs) const;
};

// A connection's view of a run: how much output it has been given, and notes
// meant for it alone that go out first.
struct Follower {
  std::shared_ptr<const Run> run;
  std::size_t delivered = 0;
  std::vector<std::string> notes;
};

// The listing text (what follows "XREFLST ") of every reference that begins or
// ends at key: a "CMP:BLK" block or a bare compound name. Each line reads
//   tag, blank, this side's point in 32 columns, blank, arrow, blank, the other side
// with tag IN (a signal into key), OUT (out of key), INT (both ends inside a
// compound) or REF (a block reference), and the arrow in the signal's direction
// ("<--", "-->") or, for REF, from the holder to the block it names ("==>",
// "<=="). Inputs come first, then internal links, outputs and references.
std::vector<std::string> listing(const std::vector<Reference>& references, std::string_view key);

// Milliseconds of a monotonic clock.
std::int64_t steadyMillis();

}  // namespace tarvo::sim::xref

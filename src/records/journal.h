#pragma once
// The change journal's record: one event per change asked of the server and one per answer,
// each written as one line of JSON. Pure: the file it goes to is JournalFile's business.
//
// A line holds, in this order:
//   time         UTC, ISO 8601 with milliseconds: "2026-12-03T10:15:02.123Z"
//   user, host   who asked, on which machine
//   server_host, server_port
//   cp           the CP of the session the change was made in ("" when none)
//   block        the block or compound concerned ("" for a CP utility)
//   what         the kind of change (the k... texts below)
//   detail       what else the command said, in words (type, place, source, new values)
//   changes      parameter edits only: [{"param", "old", "new"}], "old" null when unknown
//   result       "sent" for the request; for the answer "done", "warning", "error" or
//                "no answer: connection lost"
//   message      the server's text with a warning or an error, else ""
//   truncated    present (true) only when fields were cut to keep the line within its cap
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::records {

inline constexpr std::string_view kWhatEdit = "edit";
inline constexpr std::string_view kWhatAdd = "add";
inline constexpr std::string_view kWhatCopy = "copy";
inline constexpr std::string_view kWhatMove = "move";
inline constexpr std::string_view kWhatDelete = "delete";
inline constexpr std::string_view kWhatSaveSource = "save source";
inline constexpr std::string_view kWhatCompile = "compile";
inline constexpr std::string_view kWhatInstall = "install";
inline constexpr std::string_view kWhatUpload = "upload";
inline constexpr std::string_view kWhatCheckpoint = "checkpoint";
inline constexpr std::string_view kWhatInitialize = "initialize";
inline constexpr std::string_view kWhatOverrideLock = "override lock";
// An edit that sets parameters back to the old values of earlier changes; its detail names
// them (see journal_changes.h).
inline constexpr std::string_view kWhatRevert = "revert";

enum class Outcome { Sent, Done, Warning, Error, ConnectionLost };

std::string_view outcomeText(Outcome outcome);
std::optional<Outcome> outcomeFromText(std::string_view text);

struct ParamChange {
  std::string param;
  std::optional<std::string> oldValue;  // what the block's last parameter list showed
  std::string newValue;
  friend bool operator==(const ParamChange&, const ParamChange&) = default;
};

// Text fields from the wire (cp, block, what, detail, changes, message) are Latin-1, one
// byte per character, as everywhere in the core; user, host and server_host come from the
// system and are UTF-8.
struct JournalEvent {
  std::int64_t timeMs = 0;  // milliseconds since 1970-01-01T00:00:00Z
  std::string user;
  std::string host;
  std::string serverHost;
  int serverPort = 0;
  std::string cp;
  std::string block;
  std::string what;
  std::string detail;
  std::vector<ParamChange> changes;
  Outcome result = Outcome::Sent;
  std::string message;
  bool truncated = false;
  friend bool operator==(const JournalEvent&, const JournalEvent&) = default;
};

// No journal line is longer than this; a longer event has its texts cut and the parameter
// changes that do not fit left out, and says so ("truncated").
inline constexpr std::size_t kMaxJournalLine = 16 * 1024;

// One JSON object, without a line end.
std::string formatJournalLine(const JournalEvent& event);

// Reads a line written by formatJournalLine. Unknown members are ignored, so older readers
// keep working when members are added; a line that is not such an object gives nothing,
// and the reason in `error`.
std::optional<JournalEvent> parseJournalLine(std::string_view line, std::string* error = nullptr);

// Every line of a journal file that reads as an event, in file order. Returns how many
// non-empty lines did not.
std::size_t parseJournalText(std::string_view text, std::vector<JournalEvent>& out);

// "2026-12-03T10:15:02.123Z", and back.
std::string isoUtc(std::int64_t timeMs);
std::optional<std::int64_t> parseIsoUtc(std::string_view text);

// The file of the month a time falls in (UTC): "journal-2026-12.jsonl".
std::string journalFileName(std::int64_t timeMs);

}  // namespace tarvo::records

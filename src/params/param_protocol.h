#pragma once
// The parameter editor's side of the protocol: the commands it sends, the fields it reads
// from the server's replies, where a new editor window is placed, and which blocks still
// wait for the answer to their modification.
#include <cstddef>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo::params {

// One "PRMLST" line: the name in columns 8 to 13 and the value from column 14, both with
// the server's blank padding removed. Inner blanks of the value are kept.
struct ParamLine {
  std::string name;
  std::string value;
};
ParamLine parseParamLine(std::string_view line);

// The message of an "ERRPRMLST" line (from column 10, as sent).
std::string paramListError(std::string_view line);

// The message of an "ERRPRMMOD" or "WRNPRMMOD" line (from column 91, as sent). Columns 10
// to 90 carry nothing the client shows.
std::string paramModMessage(std::string_view line);

std::string getParmsCommand(std::string_view block);
std::string modStartCommand(std::string_view block);
// Name and value go out as they stand, joined by exactly " = "; nothing is quoted.
std::string modParmCommand(std::string_view name, std::string_view value);
std::string modEndCommand(std::string_view block);
std::string modDoneCommand(std::string_view block);

// Editor windows cascade through 13 positions, 325 twips apart.
inline constexpr int kEditorCascadePositions = 13;

struct TwipsPoint {
  int left = 0;
  int top = 0;
};
// Where the editor created at cascade position `editWindowCnt` goes.
TwipsPoint editorPositionTwips(int editWindowCnt);
// The cascade position after one more editor: 0, 1, ..., 12, 0, ...
int nextEditWindowCnt(int editWindowCnt);

// The blocks whose modification ("MODSTART:" ... "MODEND:") has been sent and not yet
// answered, oldest first. The server answers every modification with exactly one line and
// in the order received, so the oldest outstanding block is the one an answer is about.
class OutstandingEdits {
 public:
  void sent(std::string block);
  // Takes the oldest outstanding block; `fallback` when none is outstanding (an answer
  // we cannot place, e.g. to a modification sent before a reconnect was cleared away).
  std::string answered(std::string_view fallback);
  void clear();
  std::size_t size() const { return blocks_.size(); }

 private:
  std::deque<std::string> blocks_;
};

// What each "GETPARMS:" went out for: an editor (the block Edit was pressed for) or a read
// for the program's own use (the live values a revert checks). The server answers them in
// the order received, each with a list or an error, so one queue tells every answer's
// owner.
class ParamReads {
 public:
  void askedForEditor(std::string block);
  void askedForRead(std::string block);
  // Requests for editors not yet answered.
  std::size_t editorsWaiting() const { return editorsWaiting_; }

  // Whom a list or a refusal answers: a read, or else the editor of `editorFor`; neither
  // when nobody asked for it.
  struct Answer {
    bool read = false;
    std::optional<std::string> editorFor;
  };
  // A list begins ("CLRPRMLST") or is refused ("ERRPRMLST").
  Answer listBegins();
  Answer listRefused();
  // A row of the list arriving, and its end: true when the list answers a read. A read's
  // rows beyond kMaxParams are dropped.
  bool row(std::string_view line);
  bool listDone();

  // Reads asked for and not yet answered; when none is left the batch is complete.
  std::size_t readsWaiting() const { return readsWaiting_; }
  // The values read, block -> parameter -> value, and the blocks whose list arrived
  // (in the order asked), for the batch so far.
  const std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>>&
  values() const {
    return values_;
  }
  const std::vector<std::string>& blocksRead() const { return blocksRead_; }
  // Starts a new batch (the values of the last are forgotten).
  void clearBatch();
  // The connection is gone: nothing asked will be answered.
  void clear();

  static constexpr std::size_t kMaxParams = 4096;

 private:
  struct Asked {
    bool read = false;
    std::string block;
  };
  void giveUpReading();
  std::optional<Asked> takeOldest();

  std::deque<Asked> asked_;
  std::optional<std::string> reading_;  // the block whose list is arriving for a read
  std::size_t readsWaiting_ = 0;
  std::size_t editorsWaiting_ = 0;
  std::map<std::string, std::map<std::string, std::string, std::less<>>, std::less<>> values_;
  std::vector<std::string> blocksRead_;
};

}  // namespace tarvo::params

// Feeds arbitrary server bytes, cut at arbitrary points, through the line splitter and the
// reply dispatcher into the pure readers each reply's handler uses: the block list builder,
// parameter lines, the add/copy/move record, the sequence, PLB and cross-reference fields,
// and the change journal's tracker. A short or odd line that a reader mishandles, or state
// that grows without bound, shows up here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "blocks/block_ops.h"
#include "browser/block_list.h"
#include "link/columns.h"
#include "link/dispatcher.h"
#include "records/journal_tracker.h"
#include "link/line_splitter.h"
#include "params/param_protocol.h"
#include "sequence/seq_protocol.h"
#include "xref/xref_protocol.h"

namespace {

using namespace tarvo;

class Readers : public link::ReplyHandler {
 public:
  std::size_t sink = 0;

  void take(std::string_view s) { sink += s.size(); }
  void record(std::string_view l, blocks::RecordColumns columns) {
    const blocks::BlockRecord r = blocks::parseBlockRecord(l, columns);
    take(r.relKey);
    take(blocks::insertedNodeText(r.name, r.type));
    sink += blocks::selectsNode(l) ? 1 : 0;
  }

  void onVersion(std::string_view l) override { take(fromCol(l, 8)); }
  void onCpLst(std::string_view l) override { take(fromCol(l, 10)); }
  void onCmpLst(std::string_view l) override { take(fromCol(l, 13)); }
  void onBlkTyp(std::string_view l) override { take(fromCol(l, 10)); }
  void onBlkLst(std::string_view l) override { take(builder.feed(l).node.text); }
  void onClrBlkLst(std::string_view) override { builder.reset(); }
  void onPrmLst(std::string_view l) override { take(params::parseParamLine(l).value); }
  void onErrPrmLst(std::string_view l) override { take(params::paramListError(l)); }
  void onErrPrmMod(std::string_view l) override { take(params::paramModMessage(l)); }
  void onDnAddNew(std::string_view l) override { record(l, blocks::RecordColumns::AddCopy); }
  void onErrAddNew(std::string_view l) override { record(l, blocks::RecordColumns::AddCopy); }
  void onDnCpyNew(std::string_view l) override {
    record(l, blocks::RecordColumns::AddCopy);
    take(blocks::compoundCopyNodeText(l));
  }
  void onDnMoveBlk(std::string_view l) override { record(l, blocks::RecordColumns::Move); }
  void onLockOpenCp(std::string_view l) override { take(fromCol(l, 12)); }
  void onSeqSrc(std::string_view l) override { take(sequence::sourceLine(l)); }
  void onSeqLst(std::string_view l) override { take(sequence::sourceLine(l)); }
  void onErrCplSeq(std::string_view l) override { take(sequence::replyMessage(l)); }
  void onClrPlbList(std::string_view l) override { take(sequence::plbListingName(l)); }
  void onPlbList(std::string_view l) override { take(sequence::plbListingLine(l)); }
  void onXrefLst(std::string_view l) override { take(xref::listingText(l)); }
  void onXrefCfgGetStrt(std::string_view l) override { take(xref::cfgStrtLetter(l)); }
  void onXrefCfgGetLine(std::string_view l) override {
    take(xref::cfgLineLetter(l));
    take(xref::cfgLineText(l));
  }
  void onXrefCfgGetDone(std::string_view l) override { take(xref::cfgDoneLetter(l)); }
  void onXrefRunLine(std::string_view l) override { take(xref::runLineText(l)); }

  browser::BlockListBuilder builder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  link::LineSplitter splitter(512);  // small, so over-long lines are cut here too
  Readers readers;
  std::size_t events = 0;
  records::JournalTracker tracker([&](const records::JournalEvent&) { ++events; }, [] { return 0; });
  // The journal sees a few requests go out, so the replies have something to answer.
  for (std::string_view command :
       {"GETPARMS:A:B", "MODSTART:A:B", "MODPARM:HI = 1", "MODEND:A:B", "ADDNEW:A:N A:B AIN",
        "DELBLK:A:B", "UPLOADCP", "SPUTSTART:A:S", "SPUTEND"})
    tracker.commandSent(command);
  std::vector<std::string> lines;
  // The first byte decides where arrivals are cut, so partial lines are exercised too.
  const std::size_t step = size ? (static_cast<std::size_t>(data[0]) % 17) + 1 : 1;
  for (std::size_t at = 0; at < size; at += step) {
    lines.clear();
    splitter.feed(bytes.substr(at, step), lines);
    for (const auto& line : lines) {
      link::dispatchLine(line, readers);
      tracker.lineReceived(line);
      // A line the tracker sees as a command too: sent and answered texts are alike.
      tracker.commandSent(line);
    }
  }
  tracker.connectionEnded();
  if (tracker.outstanding() != 0) __builtin_trap();
  return 0;
}

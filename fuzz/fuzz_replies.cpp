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
#include "link/line_splitter.h"
#include "link/reply_router.h"
#include "params/param_protocol.h"
#include "records/journal_tracker.h"
#include "sequence/seq_protocol.h"
#include "xref/xref_protocol.h"

namespace {

using namespace tarvo;

class Readers {
 public:
  std::size_t sink = 0;

  void take(std::string_view s) { sink += s.size(); }
  void record(std::string_view l, blocks::RecordColumns columns) {
    const blocks::BlockRecord r = blocks::parseBlockRecord(l, columns);
    take(r.relKey);
    take(blocks::insertedNodeText(r.name, r.type));
    sink += blocks::selectsNode(l) ? 1 : 0;
  }

  Readers() {
    const auto on = [this](link::ReplyId id, link::ReplyRouter::Handler h) {
      router.bind(id, std::move(h));
    };
    on(link::ReplyId::Version, [this](std::string_view l) { take(fromCol(l, 8)); });
    on(link::ReplyId::CpLst, [this](std::string_view l) { take(fromCol(l, 10)); });
    on(link::ReplyId::CmpLst, [this](std::string_view l) { take(fromCol(l, 13)); });
    on(link::ReplyId::BlkTyp, [this](std::string_view l) { take(fromCol(l, 10)); });
    on(link::ReplyId::BlkLst, [this](std::string_view l) { take(builder.feed(l).node.text); });
    on(link::ReplyId::ClrBlkLst, [this](std::string_view) { builder.reset(); });
    on(link::ReplyId::PrmLst,
       [this](std::string_view l) { take(params::parseParamLine(l).value); });
    on(link::ReplyId::ErrPrmLst, [this](std::string_view l) { take(params::paramListError(l)); });
    on(link::ReplyId::ErrPrmMod, [this](std::string_view l) { take(params::paramModMessage(l)); });
    on(link::ReplyId::DnAddNew,
       [this](std::string_view l) { record(l, blocks::RecordColumns::AddCopy); });
    on(link::ReplyId::ErrAddNew,
       [this](std::string_view l) { record(l, blocks::RecordColumns::AddCopy); });
    on(link::ReplyId::DnCpyNew, [this](std::string_view l) {
      record(l, blocks::RecordColumns::AddCopy);
      take(blocks::compoundCopyNodeText(l));
    });
    on(link::ReplyId::DnMoveBlk,
       [this](std::string_view l) { record(l, blocks::RecordColumns::Move); });
    on(link::ReplyId::LockOpenCp, [this](std::string_view l) { take(fromCol(l, 12)); });
    on(link::ReplyId::SeqSrc, [this](std::string_view l) { take(sequence::sourceLine(l)); });
    on(link::ReplyId::SeqLst, [this](std::string_view l) { take(sequence::sourceLine(l)); });
    on(link::ReplyId::ErrCplSeq, [this](std::string_view l) { take(sequence::replyMessage(l)); });
    on(link::ReplyId::ClrPlbList,
       [this](std::string_view l) { take(sequence::plbListingName(l)); });
    on(link::ReplyId::PlbList, [this](std::string_view l) { take(sequence::plbListingLine(l)); });
    on(link::ReplyId::XrefLst, [this](std::string_view l) { take(xref::listingText(l)); });
    on(link::ReplyId::XrefCfgGetStrt, [this](std::string_view l) { take(xref::cfgStrtLetter(l)); });
    on(link::ReplyId::XrefCfgGetLine, [this](std::string_view l) {
      take(xref::cfgLineLetter(l));
      take(xref::cfgLineText(l));
    });
    on(link::ReplyId::XrefCfgGetDone, [this](std::string_view l) { take(xref::cfgDoneLetter(l)); });
    on(link::ReplyId::XrefRunLine, [this](std::string_view l) { take(xref::runLineText(l)); });
  }

  link::ReplyRouter router;
  browser::BlockListBuilder builder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  link::LineSplitter splitter(512);  // small, so over-long lines are cut here too
  Readers readers;
  std::size_t events = 0;
  records::JournalTracker tracker([&](const records::JournalEvent&) { ++events; },
                                  [] { return 0; });
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
      readers.router.dispatch(line);
      tracker.lineReceived(line);
      // A line the tracker sees as a command too: sent and answered texts are alike.
      tracker.commandSent(line);
    }
  }
  tracker.connectionEnded();
  if (tracker.outstanding() != 0) __builtin_trap();
  return 0;
}

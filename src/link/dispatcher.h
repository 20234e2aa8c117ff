#pragma once
// The reply keywords of the protocol, in the order the tests run, each with the id of the
// reply it stands for. This table alone decides which handler a line reaches; the router
// (reply_router.h) holds the handlers, which each subsystem binds to its own ids.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarvo::link {

enum class Match {
  Prefix,     // the line starts with the keyword; the rest is payload
  WholeLine,  // the line is the keyword and nothing else
  // A prefix test run only when the route just before it did not match: "BLKTYP" must not
  // also fire for every "BLKTYPNEW" line.
  PrefixIfPreviousFailed,
};

// One id per route of the table, in the table's order. "ERREDTSEQ" is tested twice, and
// each test has its id.
enum class ReplyId : std::uint8_t {
  Version,
  ClrCpLst,
  CpLst,
  DnCpLst,
  ClrCmpLst,
  CmpLst,
  DnCmpLst,
  BlkTypNew,
  BlkTyp,
  ClrPrmLst,
  PrmLst,
  DnPrmLst,
  ErrPrmLst,
  ClrBlkLst,
  BlkLst,
  DnBlkLst,
  ErrBlkLst,
  ErrPrmMod,
  WrnPrmMod,
  DnPrmMod,
  ErrDelBlk,
  WrnDelBlk,
  DnDelBlk,
  DnAddNew,
  WrnAddNew,
  ErrAddNew,
  DnCpyNew,
  WrnCpyNew,
  ErrCpyNew,
  DnMoveBlk,
  WrnMoveBlk,
  ErrMoveBlk,
  TryOpenCp,
  DnOpenCp,
  ErrOpenCp,
  LockOpenCp,
  Checkpoint,
  CloseIcc,
  ErrEdtSeq,
  DnEdtSeq,
  ErrEdtSeqSecond,
  WrnEdtSeq,
  ClrSeqSrc,
  SeqSrc,
  DnSeqSrc,
  ErrSeqSrc,
  DnPutSrc,
  ErrPutSrc,
  WrnPutSrc,
  DnCplSeq,
  ErrCplSeq,
  WrnCplSeq,
  DnInsSeq,
  ErrInsSeq,
  WrnInsSeq,
  ClrGetLst,
  SeqLst,
  DnSeqLst,
  ErrSeqLst,
  WrnSeqLst,
  DnCanSeq,
  DnCpUtil,
  ErrCpUtil,
  ClrPlbList,
  PlbList,
  PlbEndList,
  ClrXrefLst,
  XrefLst,
  EndXrefLst,
  NoneXrefLst,
  XrefCfgGetStrt,
  XrefCfgGetLine,
  XrefCfgGetDone,
  XrefRunLine,
  XrefRunDone
};
inline constexpr std::size_t kReplyIdCount = static_cast<std::size_t>(ReplyId::XrefRunDone) + 1;

struct Route {
  std::string_view keyword;
  std::string_view alternative;  // a second keyword served by the same id, or ""
  Match test;
  ReplyId id;
};

// Every reply keyword in the order the tests run. A line goes through all of them: it may
// match more than one route, and each handler sees the effects of the ones before it.
std::span<const Route> replyRoutes();

bool routeMatches(const Route& route, std::string_view line);

// The indexes in replyRoutes() of the routes a line can match at all (those whose keyword
// begins with the line's first character), in table order.
std::span<const std::uint8_t> candidateRoutes(std::string_view line);

// Runs one reply line through the table: calls `matched(id)` for every route it passes, in
// table order. Returns how many it passed.
template <class Matched>
int dispatchLine(std::string_view line, Matched&& matched) {
  const std::span<const Route> routes = replyRoutes();
  int ran = 0;
  // The route that matched last. Routes left out of the walk cannot match the line, so
  // "the route just before matched" is the same as "it was the last one to match".
  std::size_t lastMatched = routes.size();
  for (const std::uint8_t i : candidateRoutes(line)) {
    const Route& route = routes[i];
    if (route.test == Match::PrefixIfPreviousFailed && i > 0 && lastMatched == i - 1u) continue;
    if (routeMatches(route, line)) {
      lastMatched = i;
      ++ran;
      matched(route.id);
    }
  }
  return ran;
}

}  // namespace tarvo::link

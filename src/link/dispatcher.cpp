#include "link/dispatcher.h"

#include <array>
#include <iterator>
#include <vector>

namespace tarvo::link {
namespace {

// clang-format off
constexpr Route kRoutes[] = {
    // keyword          alternative  test                           handler
    {"VERSION", "", Match::Prefix, &ReplyHandler::onVersion},
    {"CLRCPLST", "", Match::WholeLine, &ReplyHandler::onClrCpLst},
    {"CPLST", "", Match::Prefix, &ReplyHandler::onCpLst},
    {"DNCPLST", "", Match::Prefix, &ReplyHandler::onDnCpLst},
    {"CLRCMPLST", "", Match::WholeLine, &ReplyHandler::onClrCmpLst},
    {"CMPLST", "", Match::Prefix, &ReplyHandler::onCmpLst},
    {"DNCMPLST", "", Match::Prefix, &ReplyHandler::onDnCmpLst},
    {"BLKTYPNEW", "", Match::Prefix, &ReplyHandler::onBlkTypNew},
    {"BLKTYP", "", Match::PrefixIfPreviousFailed, &ReplyHandler::onBlkTyp},
    {"CLRPRMLST", "", Match::WholeLine, &ReplyHandler::onClrPrmLst},
    {"PRMLST", "", Match::Prefix, &ReplyHandler::onPrmLst},
    {"DNPRMLST", "", Match::WholeLine, &ReplyHandler::onDnPrmLst},
    {"ERRPRMLST", "", Match::Prefix, &ReplyHandler::onErrPrmLst},
    {"CLRBLKLST", "", Match::WholeLine, &ReplyHandler::onClrBlkLst},
    {"BLKLST", "", Match::Prefix, &ReplyHandler::onBlkLst},
    {"DNBLKLST", "", Match::WholeLine, &ReplyHandler::onDnBlkLst},
    {"ERRBLKLST", "", Match::Prefix, &ReplyHandler::onErrBlkLst},
    {"ERRPRMMOD", "", Match::Prefix, &ReplyHandler::onErrPrmMod},
    {"WRNPRMMOD", "", Match::Prefix, &ReplyHandler::onWrnPrmMod},
    {"DNPRMMOD", "", Match::Prefix, &ReplyHandler::onDnPrmMod},
    {"ERRDELBLK", "", Match::Prefix, &ReplyHandler::onErrDelBlk},
    {"WRNDELBLK", "", Match::Prefix, &ReplyHandler::onWrnDelBlk},
    {"DNDELBLK", "DNDELBLX", Match::Prefix, &ReplyHandler::onDnDelBlk},
    {"DNADDNEW", "DNADDNEX", Match::Prefix, &ReplyHandler::onDnAddNew},
    {"WRNADDNEW", "", Match::Prefix, &ReplyHandler::onWrnAddNew},
    {"ERRADDNEW", "", Match::Prefix, &ReplyHandler::onErrAddNew},
    {"DNCPYNEW", "DNCPYNEX", Match::Prefix, &ReplyHandler::onDnCpyNew},
    {"WRNCPYNEW", "", Match::Prefix, &ReplyHandler::onWrnCpyNew},
    {"ERRCPYNEW", "", Match::Prefix, &ReplyHandler::onErrCpyNew},
    {"DNMOVEBLK", "DNMOVEBLX", Match::Prefix, &ReplyHandler::onDnMoveBlk},
    {"WRNMOVEBLK", "", Match::Prefix, &ReplyHandler::onWrnMoveBlk},
    {"ERRMOVEBLK", "", Match::Prefix, &ReplyHandler::onErrMoveBlk},
    {"TRYOPENCP", "", Match::Prefix, &ReplyHandler::onTryOpenCp},
    {"DNOPENCP", "", Match::Prefix, &ReplyHandler::onDnOpenCp},
    {"ERROPENCP", "", Match::Prefix, &ReplyHandler::onErrOpenCp},
    {"LOCKOPENCP", "", Match::Prefix, &ReplyHandler::onLockOpenCp},
    {"CHECKPOINT", "", Match::Prefix, &ReplyHandler::onCheckpoint},
    {"CLOSEICC", "", Match::Prefix, &ReplyHandler::onCloseIcc},
    {"ERREDTSEQ", "", Match::Prefix, &ReplyHandler::onErrEdtSeq},
    {"DNEDTSEQ", "", Match::Prefix, &ReplyHandler::onDnEdtSeq},
    {"ERREDTSEQ", "", Match::Prefix, &ReplyHandler::onErrEdtSeqEditor},
    {"WRNEDTSEQ", "", Match::Prefix, &ReplyHandler::onWrnEdtSeq},
    {"CLRSEQSRC", "", Match::Prefix, &ReplyHandler::onClrSeqSrc},
    {"SEQSRC", "", Match::Prefix, &ReplyHandler::onSeqSrc},
    {"DNSEQSRC", "", Match::Prefix, &ReplyHandler::onDnSeqSrc},
    {"ERRSEQSRC", "", Match::Prefix, &ReplyHandler::onErrSeqSrc},
    {"DNPUTSRC", "", Match::Prefix, &ReplyHandler::onDnPutSrc},
    {"ERRPUTSRC", "", Match::Prefix, &ReplyHandler::onErrPutSrc},
    {"WRNPUTSRC", "", Match::Prefix, &ReplyHandler::onWrnPutSrc},
    {"DNCPLSEQ", "", Match::Prefix, &ReplyHandler::onDnCplSeq},
    {"ERRCPLSEQ", "", Match::Prefix, &ReplyHandler::onErrCplSeq},
    {"WRNCPLSEQ", "", Match::Prefix, &ReplyHandler::onWrnCplSeq},
    {"DNINSSEQ", "", Match::Prefix, &ReplyHandler::onDnInsSeq},
    {"ERRINSSEQ", "", Match::Prefix, &ReplyHandler::onErrInsSeq},
    {"WRNINSSEQ", "", Match::Prefix, &ReplyHandler::onWrnInsSeq},
    {"CLRGETLST", "", Match::Prefix, &ReplyHandler::onClrGetLst},
    {"SEQLST", "", Match::Prefix, &ReplyHandler::onSeqLst},
    {"DNSEQLST", "", Match::Prefix, &ReplyHandler::onDnSeqLst},
    {"ERRSEQLST", "", Match::Prefix, &ReplyHandler::onErrSeqLst},
    {"WRNSEQLST", "", Match::Prefix, &ReplyHandler::onWrnSeqLst},
    {"DNCANSEQ", "", Match::Prefix, &ReplyHandler::onDnCanSeq},
    {"DNCPUTIL", "", Match::WholeLine, &ReplyHandler::onDnCpUtil},
    {"ERRCPUTIL", "", Match::Prefix, &ReplyHandler::onErrCpUtil},
    {"CLRPLBLIST", "", Match::Prefix, &ReplyHandler::onClrPlbList},
    {"PLBLIST", "", Match::Prefix, &ReplyHandler::onPlbList},
    {"PLBENDLIST", "", Match::Prefix, &ReplyHandler::onPlbEndList},
    {"CLRXREFLST", "", Match::Prefix, &ReplyHandler::onClrXrefLst},
    {"XREFLST", "", Match::Prefix, &ReplyHandler::onXrefLst},
    {"ENDXREFLST", "", Match::Prefix, &ReplyHandler::onEndXrefLst},
    {"NONEXREFLST", "", Match::Prefix, &ReplyHandler::onNoneXrefLst},
    {"XREFCFGGETSTRT", "", Match::Prefix, &ReplyHandler::onXrefCfgGetStrt},
    {"XREFCFGGETLINE", "", Match::Prefix, &ReplyHandler::onXrefCfgGetLine},
    {"XREFCFGGETDONE", "", Match::Prefix, &ReplyHandler::onXrefCfgGetDone},
    {"XREFRUNLINE", "", Match::Prefix, &ReplyHandler::onXrefRunLine},
    {"XREFRUNDONE", "", Match::Prefix, &ReplyHandler::onXrefRunDone},};
// clang-format on

}  // namespace

std::span<const Route> replyRoutes() {
  return kRoutes;
}

bool routeMatches(const Route& route, std::string_view line) {
  auto matches = [&](std::string_view keyword) {
    if (keyword.empty()) return false;
    if (route.test == Match::WholeLine) return line == keyword;
    return line.substr(0, keyword.size()) == keyword;
  };
  return matches(route.keyword) || matches(route.alternative);
}

namespace {

// For each first character, the routes whose keyword (or alternative) begins with it, in
// table order. A line can only match those, so it is tested against a handful of routes
// rather than against all of them; on a list of a hundred thousand lines that is most of
// the dispatcher's time.
class RoutesByFirstChar {
 public:
  RoutesByFirstChar() {
    for (std::size_t i = 0; i < std::size(kRoutes); ++i) {
      for (std::string_view keyword : {kRoutes[i].keyword, kRoutes[i].alternative}) {
        if (keyword.empty()) continue;
        auto& list = byChar_[static_cast<unsigned char>(keyword.front())];
        if (list.empty() || list.back() != i) list.push_back(i);
      }
    }
  }
  const std::vector<std::size_t>& candidates(std::string_view line) const {
    return byChar_[line.empty() ? 0 : static_cast<unsigned char>(line.front())];
  }

 private:
  std::array<std::vector<std::size_t>, 256> byChar_;
};

}  // namespace

int dispatchLine(std::string_view line, ReplyHandler& handler) {
  static const RoutesByFirstChar index;
  int ran = 0;
  // The route that matched last. Routes left out of the walk cannot match the line, so
  // "the route just before matched" is the same as "it was the last one to match".
  std::size_t lastMatched = std::size(kRoutes);
  for (const std::size_t i : index.candidates(line)) {
    const Route& route = kRoutes[i];
    if (route.test == Match::PrefixIfPreviousFailed && i > 0 && lastMatched == i - 1) continue;
    if (routeMatches(route, line)) {
      (handler.*route.handler)(line);
      lastMatched = i;
      ++ran;
    }
  }
  return ran;
}

}  // namespace tarvo::link

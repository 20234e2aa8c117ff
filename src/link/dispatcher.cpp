#include "link/dispatcher.h"

#include <iterator>

namespace tarvo::link {
namespace {

// Every reply keyword in the order the tests run. A line goes through all of them: it may
// run more than one handler, and each handler sees the effects of the ones before it.
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

bool routeMatches(const Route& route, std::string_view line) {
  auto matches = [&](std::string_view keyword) {
    if (keyword.empty()) return false;
    if (route.test == Match::WholeLine) return line == keyword;
    return line.substr(0, keyword.size()) == keyword;
  };
  return matches(route.keyword) || matches(route.alternative);
}

int dispatchLine(std::string_view line, ReplyHandler& handler) {
  int ran = 0;
  bool previousMatched = false;
  for (const Route& route : kRoutes) {
    if (route.test == Match::PrefixIfPreviousFailed && previousMatched) {
      previousMatched = false;
      continue;
    }
    previousMatched = routeMatches(route, line);
    if (previousMatched) {
      (handler.*route.handler)(line);
      ++ran;
    }
  }
  return ran;
}

}  // namespace tarvo::link

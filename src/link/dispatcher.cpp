#include "link/dispatcher.h"

#include <array>
#include <iterator>
#include <vector>

namespace tarvo::link {
namespace {

// clang-format off
constexpr Route kRoutes[] = {
    // keyword        alternative  test            id
    {"VERSION", "", Match::Prefix, ReplyId::Version},
    {"CLRCPLST", "", Match::WholeLine, ReplyId::ClrCpLst},
    {"CPLST", "", Match::Prefix, ReplyId::CpLst},
    {"DNCPLST", "", Match::Prefix, ReplyId::DnCpLst},
    {"CLRCMPLST", "", Match::WholeLine, ReplyId::ClrCmpLst},
    {"CMPLST", "", Match::Prefix, ReplyId::CmpLst},
    {"DNCMPLST", "", Match::Prefix, ReplyId::DnCmpLst},
    {"BLKTYPNEW", "", Match::Prefix, ReplyId::BlkTypNew},
    {"BLKTYP", "", Match::PrefixIfPreviousFailed, ReplyId::BlkTyp},
    {"CLRPRMLST", "", Match::WholeLine, ReplyId::ClrPrmLst},
    {"PRMLST", "", Match::Prefix, ReplyId::PrmLst},
    {"DNPRMLST", "", Match::WholeLine, ReplyId::DnPrmLst},
    {"ERRPRMLST", "", Match::Prefix, ReplyId::ErrPrmLst},
    {"CLRBLKLST", "", Match::WholeLine, ReplyId::ClrBlkLst},
    {"BLKLST", "", Match::Prefix, ReplyId::BlkLst},
    {"DNBLKLST", "", Match::WholeLine, ReplyId::DnBlkLst},
    {"ERRBLKLST", "", Match::Prefix, ReplyId::ErrBlkLst},
    {"ERRPRMMOD", "", Match::Prefix, ReplyId::ErrPrmMod},
    {"WRNPRMMOD", "", Match::Prefix, ReplyId::WrnPrmMod},
    {"DNPRMMOD", "", Match::Prefix, ReplyId::DnPrmMod},
    {"ERRDELBLK", "", Match::Prefix, ReplyId::ErrDelBlk},
    {"WRNDELBLK", "", Match::Prefix, ReplyId::WrnDelBlk},
    {"DNDELBLK", "DNDELBLX", Match::Prefix, ReplyId::DnDelBlk},
    {"DNADDNEW", "DNADDNEX", Match::Prefix, ReplyId::DnAddNew},
    {"WRNADDNEW", "", Match::Prefix, ReplyId::WrnAddNew},
    {"ERRADDNEW", "", Match::Prefix, ReplyId::ErrAddNew},
    {"DNCPYNEW", "DNCPYNEX", Match::Prefix, ReplyId::DnCpyNew},
    {"WRNCPYNEW", "", Match::Prefix, ReplyId::WrnCpyNew},
    {"ERRCPYNEW", "", Match::Prefix, ReplyId::ErrCpyNew},
    {"DNMOVEBLK", "DNMOVEBLX", Match::Prefix, ReplyId::DnMoveBlk},
    {"WRNMOVEBLK", "", Match::Prefix, ReplyId::WrnMoveBlk},
    {"ERRMOVEBLK", "", Match::Prefix, ReplyId::ErrMoveBlk},
    {"TRYOPENCP", "", Match::Prefix, ReplyId::TryOpenCp},
    {"DNOPENCP", "", Match::Prefix, ReplyId::DnOpenCp},
    {"ERROPENCP", "", Match::Prefix, ReplyId::ErrOpenCp},
    {"LOCKOPENCP", "", Match::Prefix, ReplyId::LockOpenCp},
    {"CHECKPOINT", "", Match::Prefix, ReplyId::Checkpoint},
    {"CLOSEICC", "", Match::Prefix, ReplyId::CloseIcc},
    {"ERREDTSEQ", "", Match::Prefix, ReplyId::ErrEdtSeq},
    {"DNEDTSEQ", "", Match::Prefix, ReplyId::DnEdtSeq},
    {"ERREDTSEQ", "", Match::Prefix, ReplyId::ErrEdtSeqSecond},
    {"WRNEDTSEQ", "", Match::Prefix, ReplyId::WrnEdtSeq},
    {"CLRSEQSRC", "", Match::Prefix, ReplyId::ClrSeqSrc},
    {"SEQSRC", "", Match::Prefix, ReplyId::SeqSrc},
    {"DNSEQSRC", "", Match::Prefix, ReplyId::DnSeqSrc},
    {"ERRSEQSRC", "", Match::Prefix, ReplyId::ErrSeqSrc},
    {"DNPUTSRC", "", Match::Prefix, ReplyId::DnPutSrc},
    {"ERRPUTSRC", "", Match::Prefix, ReplyId::ErrPutSrc},
    {"WRNPUTSRC", "", Match::Prefix, ReplyId::WrnPutSrc},
    {"DNCPLSEQ", "", Match::Prefix, ReplyId::DnCplSeq},
    {"ERRCPLSEQ", "", Match::Prefix, ReplyId::ErrCplSeq},
    {"WRNCPLSEQ", "", Match::Prefix, ReplyId::WrnCplSeq},
    {"DNINSSEQ", "", Match::Prefix, ReplyId::DnInsSeq},
    {"ERRINSSEQ", "", Match::Prefix, ReplyId::ErrInsSeq},
    {"WRNINSSEQ", "", Match::Prefix, ReplyId::WrnInsSeq},
    {"CLRGETLST", "", Match::Prefix, ReplyId::ClrGetLst},
    {"SEQLST", "", Match::Prefix, ReplyId::SeqLst},
    {"DNSEQLST", "", Match::Prefix, ReplyId::DnSeqLst},
    {"ERRSEQLST", "", Match::Prefix, ReplyId::ErrSeqLst},
    {"WRNSEQLST", "", Match::Prefix, ReplyId::WrnSeqLst},
    {"DNCANSEQ", "", Match::Prefix, ReplyId::DnCanSeq},
    {"DNCPUTIL", "", Match::WholeLine, ReplyId::DnCpUtil},
    {"ERRCPUTIL", "", Match::Prefix, ReplyId::ErrCpUtil},
    {"CLRPLBLIST", "", Match::Prefix, ReplyId::ClrPlbList},
    {"PLBLIST", "", Match::Prefix, ReplyId::PlbList},
    {"PLBENDLIST", "", Match::Prefix, ReplyId::PlbEndList},
    {"CLRXREFLST", "", Match::Prefix, ReplyId::ClrXrefLst},
    {"XREFLST", "", Match::Prefix, ReplyId::XrefLst},
    {"ENDXREFLST", "", Match::Prefix, ReplyId::EndXrefLst},
    {"NONEXREFLST", "", Match::Prefix, ReplyId::NoneXrefLst},
    {"XREFCFGGETSTRT", "", Match::Prefix, ReplyId::XrefCfgGetStrt},
    {"XREFCFGGETLINE", "", Match::Prefix, ReplyId::XrefCfgGetLine},
    {"XREFCFGGETDONE", "", Match::Prefix, ReplyId::XrefCfgGetDone},
    {"XREFRUNLINE", "", Match::Prefix, ReplyId::XrefRunLine},
    {"XREFRUNDONE", "", Match::Prefix, ReplyId::XrefRunDone},
};
// clang-format on

static_assert(std::size(kRoutes) == kReplyIdCount, "one route per reply id");
static_assert(std::size(kRoutes) < 256, "route indexes are kept in bytes");

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
        if (list.empty() || list.back() != i) list.push_back(static_cast<std::uint8_t>(i));
      }
    }
  }
  std::span<const std::uint8_t> candidates(std::string_view line) const {
    return byChar_[line.empty() ? 0 : static_cast<unsigned char>(line.front())];
  }

 private:
  std::array<std::vector<std::uint8_t>, 256> byChar_;
};

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

std::span<const std::uint8_t> candidateRoutes(std::string_view line) {
  static const RoutesByFirstChar index;
  return index.candidates(line);
}

}  // namespace tarvo::link

#pragma once
#include <string_view>

namespace tarvo::link {

// The receiving end of the reply dispatcher: one method per reply handler, each given the
// whole line (handlers read their own columns). The defaults ignore the line, so a
// subsystem overrides only what it handles.
class ReplyHandler {
 public:
  virtual ~ReplyHandler() = default;

  virtual void onVersion(std::string_view /*line*/) {}
  virtual void onClrCpLst(std::string_view /*line*/) {}
  virtual void onCpLst(std::string_view /*line*/) {}
  virtual void onDnCpLst(std::string_view /*line*/) {}
  virtual void onClrCmpLst(std::string_view /*line*/) {}
  virtual void onCmpLst(std::string_view /*line*/) {}
  virtual void onDnCmpLst(std::string_view /*line*/) {}
  virtual void onBlkTypNew(std::string_view /*line*/) {}
  virtual void onBlkTyp(std::string_view /*line*/) {}
  virtual void onClrPrmLst(std::string_view /*line*/) {}
  virtual void onPrmLst(std::string_view /*line*/) {}
  virtual void onDnPrmLst(std::string_view /*line*/) {}
  virtual void onErrPrmLst(std::string_view /*line*/) {}
  virtual void onClrBlkLst(std::string_view /*line*/) {}
  virtual void onBlkLst(std::string_view /*line*/) {}
  virtual void onDnBlkLst(std::string_view /*line*/) {}
  virtual void onErrBlkLst(std::string_view /*line*/) {}
  virtual void onErrPrmMod(std::string_view /*line*/) {}
  virtual void onWrnPrmMod(std::string_view /*line*/) {}
  virtual void onDnPrmMod(std::string_view /*line*/) {}
  virtual void onErrDelBlk(std::string_view /*line*/) {}
  virtual void onWrnDelBlk(std::string_view /*line*/) {}
  virtual void onDnDelBlk(std::string_view /*line*/) {}
  virtual void onDnAddNew(std::string_view /*line*/) {}
  virtual void onWrnAddNew(std::string_view /*line*/) {}
  virtual void onErrAddNew(std::string_view /*line*/) {}
  virtual void onDnCpyNew(std::string_view /*line*/) {}
  virtual void onWrnCpyNew(std::string_view /*line*/) {}
  virtual void onErrCpyNew(std::string_view /*line*/) {}
  virtual void onDnMoveBlk(std::string_view /*line*/) {}
  virtual void onWrnMoveBlk(std::string_view /*line*/) {}
  virtual void onErrMoveBlk(std::string_view /*line*/) {}
  virtual void onTryOpenCp(std::string_view /*line*/) {}
  virtual void onDnOpenCp(std::string_view /*line*/) {}
  virtual void onErrOpenCp(std::string_view /*line*/) {}
  virtual void onLockOpenCp(std::string_view /*line*/) {}
  virtual void onCheckpoint(std::string_view /*line*/) {}
  virtual void onCloseIcc(std::string_view /*line*/) {}
  virtual void onErrEdtSeq(std::string_view /*line*/) {}
  virtual void onDnEdtSeq(std::string_view /*line*/) {}
  virtual void onErrEdtSeqEditor(std::string_view /*line*/) {}
  virtual void onWrnEdtSeq(std::string_view /*line*/) {}
  virtual void onClrSeqSrc(std::string_view /*line*/) {}
  virtual void onSeqSrc(std::string_view /*line*/) {}
  virtual void onDnSeqSrc(std::string_view /*line*/) {}
  virtual void onErrSeqSrc(std::string_view /*line*/) {}
  virtual void onDnPutSrc(std::string_view /*line*/) {}
  virtual void onErrPutSrc(std::string_view /*line*/) {}
  virtual void onWrnPutSrc(std::string_view /*line*/) {}
  virtual void onDnCplSeq(std::string_view /*line*/) {}
  virtual void onErrCplSeq(std::string_view /*line*/) {}
  virtual void onWrnCplSeq(std::string_view /*line*/) {}
  virtual void onDnInsSeq(std::string_view /*line*/) {}
  virtual void onErrInsSeq(std::string_view /*line*/) {}
  virtual void onWrnInsSeq(std::string_view /*line*/) {}
  virtual void onClrGetLst(std::string_view /*line*/) {}
  virtual void onSeqLst(std::string_view /*line*/) {}
  virtual void onDnSeqLst(std::string_view /*line*/) {}
  virtual void onErrSeqLst(std::string_view /*line*/) {}
  virtual void onWrnSeqLst(std::string_view /*line*/) {}
  virtual void onDnCanSeq(std::string_view /*line*/) {}
  virtual void onDnCpUtil(std::string_view /*line*/) {}
  virtual void onErrCpUtil(std::string_view /*line*/) {}
  virtual void onClrPlbList(std::string_view /*line*/) {}
  virtual void onPlbList(std::string_view /*line*/) {}
  virtual void onPlbEndList(std::string_view /*line*/) {}
  virtual void onClrXrefLst(std::string_view /*line*/) {}
  virtual void onXrefLst(std::string_view /*line*/) {}
  virtual void onEndXrefLst(std::string_view /*line*/) {}
  virtual void onNoneXrefLst(std::string_view /*line*/) {}
  virtual void onXrefCfgGetStrt(std::string_view /*line*/) {}
  virtual void onXrefCfgGetLine(std::string_view /*line*/) {}
  virtual void onXrefCfgGetDone(std::string_view /*line*/) {}
  virtual void onXrefRunLine(std::string_view /*line*/) {}
  virtual void onXrefRunDone(std::string_view /*line*/) {}
};

}  // namespace tarvo::link

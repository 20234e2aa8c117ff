#include "params/param_protocol.h"

#include <utility>

#include "link/columns.h"

namespace tarvo::params {

namespace {

std::string joined(std::string_view keyword, std::string_view argument) {
  std::string s;
  s.reserve(keyword.size() + argument.size());
  s.append(keyword).append(argument);
  return s;
}

}  // namespace

ParamLine parseParamLine(std::string_view line) {
  return ParamLine{std::string(trimBlanks(cols(line, 8, 13))),
                   std::string(trimBlanks(fromCol(line, 14)))};
}

std::string paramListError(std::string_view line) {
  return std::string(fromCol(line, 10));
}

std::string paramModMessage(std::string_view line) {
  return std::string(fromCol(line, 91));
}

std::string getParmsCommand(std::string_view block) {
  return joined("GETPARMS:", block);
}

std::string modStartCommand(std::string_view block) {
  return joined("MODSTART:", block);
}

std::string modParmCommand(std::string_view name, std::string_view value) {
  std::string s = joined("MODPARM:", name);
  s.append(" = ").append(value);
  return s;
}

std::string modEndCommand(std::string_view block) {
  return joined("MODEND:", block);
}

std::string modDoneCommand(std::string_view block) {
  return joined("MODDONE:", block);
}

TwipsPoint editorPositionTwips(int editWindowCnt) {
  return TwipsPoint{6420 + 325 * editWindowCnt, 150 + 325 * editWindowCnt};
}

int nextEditWindowCnt(int editWindowCnt) {
  const int next = editWindowCnt + 1;
  return (next >= kEditorCascadePositions || next < 0) ? 0 : next;
}

void OutstandingEdits::sent(std::string block) {
  blocks_.push_back(std::move(block));
}

std::string OutstandingEdits::answered(std::string_view fallback) {
  if (blocks_.empty()) return std::string(fallback);
  std::string block = std::move(blocks_.front());
  blocks_.pop_front();
  return block;
}

void OutstandingEdits::clear() {
  blocks_.clear();
}

void ParamReads::askedForEditor(std::string block) {
  asked_.push_back({false, std::move(block)});
  ++editorsWaiting_;
}

void ParamReads::askedForRead(std::string block) {
  asked_.push_back({true, std::move(block)});
  ++readsWaiting_;
}

void ParamReads::giveUpReading() {
  // A read whose list never ended: its block counts as not read.
  if (!reading_) return;
  values_.erase(*reading_);
  reading_.reset();
  if (readsWaiting_ > 0) --readsWaiting_;
}

std::optional<ParamReads::Asked> ParamReads::takeOldest() {
  giveUpReading();
  if (asked_.empty()) return std::nullopt;
  Asked a = std::move(asked_.front());
  asked_.pop_front();
  if (!a.read) --editorsWaiting_;
  return a;
}

ParamReads::Answer ParamReads::listBegins() {
  std::optional<Asked> a = takeOldest();
  if (!a) return {};
  if (!a->read) return {false, std::move(a->block)};
  values_[a->block].clear();
  reading_ = std::move(a->block);
  return {true, std::nullopt};
}

ParamReads::Answer ParamReads::listRefused() {
  std::optional<Asked> a = takeOldest();
  if (!a) return {};
  if (!a->read) return {false, std::move(a->block)};
  if (readsWaiting_ > 0) --readsWaiting_;
  return {true, std::nullopt};
}

bool ParamReads::row(std::string_view line) {
  if (!reading_) return false;
  auto& params = values_[*reading_];
  const ParamLine p = parseParamLine(line);
  if (!p.name.empty() && params.size() < kMaxParams) params.insert_or_assign(p.name, p.value);
  return true;
}

bool ParamReads::listDone() {
  if (!reading_) return false;
  blocksRead_.push_back(std::move(*reading_));
  reading_.reset();
  if (readsWaiting_ > 0) --readsWaiting_;
  return true;
}

void ParamReads::clearBatch() {
  values_.clear();
  blocksRead_.clear();
}

void ParamReads::clear() {
  asked_.clear();
  reading_.reset();
  readsWaiting_ = 0;
  editorsWaiting_ = 0;
  clearBatch();
}

}  // namespace tarvo::params

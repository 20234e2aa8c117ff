#include "ctl/ctl_revert.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "records/json_text.h"

namespace tarvo::ctl {

RevertRun::RevertRun(std::vector<records::JournalEvent> events,
                     const std::vector<std::int64_t>& times)
    : events_(std::move(events)), changes_(records::pairJournalEvents(events_)) {
  refused_.resize(changes_.size());
  sentIn_.resize(changes_.size());
  std::unordered_map<std::int64_t, std::vector<std::size_t>> byRequest, byAnswer;
  for (std::size_t c = 0; c < changes_.size(); ++c) {
    if (changes_[c].request) byRequest[events_[*changes_[c].request].timeMs].push_back(c);
    if (changes_[c].answer) byAnswer[events_[*changes_[c].answer].timeMs].push_back(c);
  }
  std::unordered_set<std::size_t> seen;
  for (const std::int64_t t : times) {
    const std::vector<std::size_t>* named = nullptr;
    if (const auto r = byRequest.find(t); r != byRequest.end())
      named = &r->second;
    else if (const auto a = byAnswer.find(t); a != byAnswer.end())
      named = &a->second;
    if (!named) {
      errors_.push_back("no change at " + records::isoUtc(t) + " in the journal");
      continue;
    }
    for (const std::size_t c : *named)
      if (seen.insert(c).second) chosen_.push_back(c);
  }
  std::stable_sort(chosen_.begin(), chosen_.end(), [&](std::size_t a, std::size_t b) {
    return records::changeTime(changes_[a], events_) < records::changeTime(changes_[b], events_);
  });
  if (chosen_.empty()) return;
  const records::JournalEvent& newest = records::changeEvent(changes_[chosen_.back()], events_);
  cp_ = newest.cp;
  serverHost_ = newest.serverHost;
  serverPort_ = newest.serverPort;

  std::vector<std::size_t> accepted;
  for (const std::size_t c : chosen_) {
    refused_[c] = records::revertProblem(events_, changes_[c], cp_);
    if (!refused_[c]) accepted.push_back(c);
  }
  for (auto& [block, params] : records::revertReads(events_, changes_, accepted))
    blocks_.push_back(block);
}

Plan RevertRun::plan() const {
  std::vector<std::size_t> accepted;
  for (const std::size_t c : chosen_)
    if (!refused_[c]) accepted.push_back(c);
  Plan plan;
  for (const auto& [block, params] : records::revertReads(events_, changes_, accepted))
    for (const std::string& param : params) plan.add(block, param, {});
  return plan;
}

RevertDecision RevertRun::decide(std::size_t block, const records::LiveBlock& live) {
  std::vector<std::size_t> mine;
  for (const std::size_t c : chosen_)
    if (!refused_[c] && records::changeEvent(changes_[c], events_).block == blocks_[block])
      mine.push_back(c);
  records::LiveValues values;
  auto& params = values[live.name];
  // A parameter listed twice: the last one counts.
  for (const auto& [param, value] : live.params) params.insert_or_assign(param, value);
  const records::RevertPlan plan = records::planRevert(events_, changes_, mine, cp_, values);
  RevertDecision d;
  for (const records::RevertRefusal& r : plan.refusals) refused_[r.change] = r.reason;
  if (plan.sets.empty()) {
    d.result = BlockResult::Error;
    d.message = plan.refusals.empty() ? std::string() : plan.refusals.front().reason;
    return d;
  }
  const records::RevertSet& set = plan.sets.front();
  for (const std::size_t c : set.changes) sentIn_[c] = block;
  d.values = set.values;
  d.note = set.note;
  if (d.values.empty()) d.result = BlockResult::Unchanged;
  return d;
}

RevertDecision RevertRun::decideAsJournaled(std::size_t block) {
  records::LiveBlock live{blocks_[block], {}};
  std::unordered_set<std::string> named;
  // Newest first: the value the newest change set is the one the parameter holds.
  for (auto it = chosen_.rbegin(); it != chosen_.rend(); ++it) {
    const records::JournalEvent& e = records::changeEvent(changes_[*it], events_);
    if (refused_[*it] || e.block != blocks_[block]) continue;
    for (const records::ParamChange& p : e.changes)
      if (named.insert(p.param).second) live.params.emplace_back(p.param, p.newValue);
  }
  return decide(block, live);
}

std::vector<RevertRun::Line> RevertRun::report(const Plan& plan, const Outcome& outcome) const {
  std::unordered_map<std::string_view, std::size_t> blockAt;
  for (std::size_t b = 0; b < plan.blockCount(); ++b) blockAt.emplace(plan.block(b), b);
  std::vector<Line> lines;
  for (const std::size_t c : chosen_) {
    const records::JournalEvent& e = records::changeEvent(changes_[c], events_);
    Line line{records::isoUtc(records::changeTime(changes_[c], events_)), e.block, {}, {}};
    if (refused_[c]) {
      line.result = "refused";
      line.message = *refused_[c];
    } else {
      const auto at =
          sentIn_[c] ? std::optional<std::size_t>(*sentIn_[c])
                     : (blockAt.count(e.block) ? std::optional<std::size_t>(blockAt.at(e.block))
                                               : std::nullopt);
      const BlockResult r = at ? outcome.result(*at) : BlockResult::NotSent;
      line.result = r == BlockResult::Done || r == BlockResult::Warning
                        ? "reverted"
                        : std::string(blockResultText(r));
      if (at) line.message = std::string(outcome.message(*at));
      if (r == BlockResult::Unchanged) line.message = "the values are so already";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

int RevertRun::exitCode(const std::vector<Line>& lines) {
  int code = kExitOk;
  for (const Line& l : lines) {
    if (l.result == "no answer" || l.result == "not sent") return kExitConnection;
    if (l.result == "refused" || l.result == "error") code = kExitRefused;
  }
  return code;
}

std::string formatRevertReport(const std::string& cp, const std::vector<RevertRun::Line>& lines,
                               bool json) {
  using records::json::appendLatin1;
  std::string out;
  if (json) {
    out = "{\"cp\": ";
    appendLatin1(out, cp);
    out += ", \"changes\": [";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out += i == 0 ? "\n  {\"time\": " : ",\n  {\"time\": ";
      appendLatin1(out, lines[i].time);
      out += ", \"block\": ";
      appendLatin1(out, lines[i].block);
      out += ", \"result\": ";
      appendLatin1(out, lines[i].result);
      out += ", \"message\": ";
      appendLatin1(out, lines[i].message);
      out += '}';
    }
    out += lines.empty() ? "]}\n" : "\n]}\n";
    return out;
  }
  std::size_t blockWidth = 0;
  for (const auto& l : lines) blockWidth = std::max(blockWidth, l.block.size());
  for (const auto& l : lines) {
    std::string line = l.time + "  " + l.block;
    line.append(blockWidth - l.block.size(), ' ');
    line += "  " + l.result;
    if (!l.message.empty()) {
      line.append(l.result.size() < 9 ? 9 - l.result.size() : 0, ' ');
      line += "  " + l.message;
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace tarvo::ctl

#include "records/journal_changes.h"

#include <algorithm>
#include <deque>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

namespace tarvo::records {

namespace {

// How many waiting requests of one key an answer looks through for one with its own
// detail; past them it is taken as an answer whose request was not read.
constexpr std::size_t kMatchScan = 64;

constexpr std::string_view kReverts = "reverts ";

std::string pairKey(const JournalEvent& e) {
  std::string key;
  for (const std::string* s : {&e.user, &e.host, &e.serverHost, &e.cp, &e.block, &e.what}) {
    key += *s;
    key += '\0';
  }
  key += std::to_string(e.serverPort);
  return key;
}

bool sameRequest(const JournalEvent& request, const JournalEvent& answer) {
  if (request.truncated || answer.truncated) return true;
  return request.detail == answer.detail && request.changes == answer.changes;
}

std::string quoted(std::string_view s) {
  std::string q = "\"";
  q.append(s).append("\"");
  return q;
}

}  // namespace

std::vector<JournalChange> pairJournalEvents(const std::vector<JournalEvent>& events) {
  std::vector<std::size_t> order(events.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return events[a].timeMs < events[b].timeMs;
  });

  std::vector<JournalChange> changes;
  changes.reserve(events.size());
  // Per key, the changes whose request waits for its answer, oldest first.
  std::unordered_map<std::string, std::deque<std::size_t>> waiting;
  for (const std::size_t i : order) {
    const JournalEvent& e = events[i];
    std::deque<std::size_t>& queue = waiting[pairKey(e)];
    if (e.result == Outcome::Sent) {
      queue.push_back(changes.size());
      changes.push_back({i, std::nullopt});
      continue;
    }
    const std::size_t scan = std::min(queue.size(), kMatchScan);
    std::size_t k = 0;
    while (k < scan && !sameRequest(events[*changes[queue[k]].request], e)) ++k;
    if (k < scan) {
      changes[queue[k]].answer = i;
      queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(k));
    } else {
      changes.push_back({std::nullopt, i});
    }
  }
  return changes;
}

const JournalEvent& changeEvent(const JournalChange& change,
                                const std::vector<JournalEvent>& events) {
  return events[change.request ? *change.request : *change.answer];
}

std::int64_t changeTime(const JournalChange& change, const std::vector<JournalEvent>& events) {
  return changeEvent(change, events).timeMs;
}

Outcome changeOutcome(const JournalChange& change, const std::vector<JournalEvent>& events) {
  return change.answer ? events[*change.answer].result : Outcome::Sent;
}

std::string revertNote(const std::vector<std::int64_t>& times) {
  std::string note(kReverts);
  for (std::size_t i = 0; i < times.size(); ++i) {
    if (i > 0) note += ", ";
    note += isoUtc(times[i]);
  }
  return note;
}

std::vector<std::int64_t> revertedTimes(std::string_view detail) {
  std::vector<std::int64_t> times;
  // The note comes last: the edit's own part may quote any value, "reverts " too.
  const auto at = detail.rfind(kReverts);
  if (at == std::string_view::npos || (at != 0 && (at < 2 || detail.substr(at - 2, 2) != "; ")))
    return times;
  std::string_view rest = detail.substr(at + kReverts.size());
  while (!rest.empty()) {
    const auto comma = rest.find(", ");
    const auto time = parseIsoUtc(rest.substr(0, comma));
    if (!time) return {};
    times.push_back(*time);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 2);
  }
  return times;
}

namespace {

// The chosen changes without repeats, newest first.
std::vector<std::size_t> newestFirst(const std::vector<JournalEvent>& events,
                                     const std::vector<JournalChange>& changes,
                                     const std::vector<std::size_t>& chosen) {
  std::vector<std::size_t> order;
  std::unordered_set<std::size_t> seen;
  for (const std::size_t c : chosen)
    if (c < changes.size() && seen.insert(c).second) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const std::int64_t ta = changeTime(changes[a], events), tb = changeTime(changes[b], events);
    return ta != tb ? ta > tb : a > b;
  });
  return order;
}

bool isEdit(const JournalEvent& e) {
  return e.what == kWhatEdit || e.what == kWhatRevert;
}

}  // namespace

std::vector<std::pair<std::string, std::vector<std::string>>> revertReads(
    const std::vector<JournalEvent>& events, const std::vector<JournalChange>& changes,
    const std::vector<std::size_t>& chosen) {
  std::vector<std::pair<std::string, std::vector<std::string>>> reads;
  std::unordered_map<std::string, std::size_t> blockAt;
  std::unordered_set<std::string> seen;  // block and parameter
  for (const std::size_t c : newestFirst(events, changes, chosen)) {
    const JournalEvent& e = changeEvent(changes[c], events);
    if (!isEdit(e)) continue;
    auto [it, fresh] = blockAt.try_emplace(e.block, reads.size());
    if (fresh) reads.push_back({e.block, {}});
    for (const ParamChange& p : e.changes)
      if (seen.insert(e.block + '\0' + p.param).second) reads[it->second].second.push_back(p.param);
  }
  return reads;
}

std::optional<std::string> revertProblem(const std::vector<JournalEvent>& events,
                                         const JournalChange& change, std::string_view sessionCp) {
  const JournalEvent& e = changeEvent(change, events);
  if (!isEdit(e)) return "only parameter changes can be reverted, not a " + e.what;
  if (!change.request) return "its request is not in the journal read";
  switch (changeOutcome(change, events)) {
    case Outcome::Sent: return "it was never answered: whether it took is not known";
    case Outcome::ConnectionLost:
      return "the connection was lost before its answer: whether it took is not known";
    case Outcome::Error: return "the server refused it: there is nothing to set back";
    case Outcome::Done:
    case Outcome::Warning: break;
  }
  if (e.cp != sessionCp)
    return "it was made on CP " + e.cp + ", not on " + std::string(sessionCp) +
           ", the CP of this session";
  if (e.truncated) return "its journal line was cut short: not every parameter it changed is known";
  if (e.changes.empty()) return "it changed no parameter";
  for (const ParamChange& p : e.changes)
    if (!p.oldValue) return "the old value of " + p.param + " is unknown (?)";
  return std::nullopt;
}

RevertPlan planRevert(const std::vector<JournalEvent>& events,
                      const std::vector<JournalChange>& changes,
                      const std::vector<std::size_t>& chosen, std::string_view sessionCp,
                      const LiveValues& live) {
  RevertPlan plan;
  // What each parameter concerned holds once the changes taken so far are set back: the
  // live value at first. A change older than one set back must have set what it is now.
  struct Param {
    std::string live;
    std::string value;
  };
  struct Block {
    std::optional<std::size_t> set;
    std::map<std::string, Param, std::less<>> params;
  };
  std::map<std::string, Block, std::less<>> blocks;
  std::vector<std::vector<std::int64_t>> times;

  for (const std::size_t c : newestFirst(events, changes, chosen)) {
    const JournalChange& change = changes[c];
    const JournalEvent& e = changeEvent(change, events);
    auto refuse = [&](std::string reason) { plan.refusals.push_back({c, std::move(reason)}); };
    if (auto problem = revertProblem(events, change, sessionCp)) {
      refuse(std::move(*problem));
      continue;
    }
    const auto liveBlock = live.find(e.block);
    if (liveBlock == live.end()) {
      refuse(e.block + " is not in CP " + std::string(sessionCp) + " now");
      continue;
    }
    Block& block = blocks[e.block];
    std::string why;
    for (const ParamChange& p : e.changes) {
      const auto known = block.params.find(p.param);
      std::string now;
      if (known != block.params.end()) {
        now = known->second.value;
      } else if (const auto v = liveBlock->second.find(p.param); v != liveBlock->second.end()) {
        now = v->second;
      } else {
        why = e.block + " has no parameter " + p.param + " now";
        break;
      }
      if (now != p.newValue) {
        why = p.param + " is now " + quoted(now) + ", not the " + quoted(p.newValue) +
              " this change set: it was changed again since (revert that change first)";
        break;
      }
    }
    if (!why.empty()) {
      refuse(std::move(why));
      continue;
    }
    // Taken: the block's set gets these parameters' old values.
    if (!block.set) {
      block.set = plan.sets.size();
      plan.sets.push_back({e.block, {}, {}, {}});
      times.emplace_back();
    }
    RevertSet& set = plan.sets[*block.set];
    for (const ParamChange& p : e.changes) {
      auto [it, fresh] = block.params.try_emplace(p.param);
      if (fresh) it->second.live = liveBlock->second.find(p.param)->second;
      it->second.value = *p.oldValue;
      const auto at = std::find_if(set.values.begin(), set.values.end(),
                                   [&](const auto& v) { return v.first == p.param; });
      if (at == set.values.end())
        set.values.emplace_back(p.param, *p.oldValue);
      else
        at->second = *p.oldValue;
    }
    set.changes.push_back(c);
    times[*block.set].push_back(changeTime(change, events));
  }
  for (std::size_t s = 0; s < plan.sets.size(); ++s) {
    RevertSet& set = plan.sets[s];
    const Block& block = blocks.find(set.block)->second;
    // What is already so need not be sent.
    std::erase_if(set.values, [&](const auto& v) {
      const Param& p = block.params.find(v.first)->second;
      return p.value == p.live;
    });
    std::vector<std::int64_t>& t = times[s];
    std::sort(t.begin(), t.end());
    set.note = revertNote(t);
  }
  return plan;
}

}  // namespace tarvo::records

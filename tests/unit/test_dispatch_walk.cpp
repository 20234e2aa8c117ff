// The dispatcher tests a line only against the routes whose keyword begins with the line's
// first character. It must reach exactly the ids, in the same order, that a walk through
// the whole table reaches, for every keyword there is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/dispatcher.h"

using namespace tarvo::link;

namespace {

// Every route in table order; a route that runs only when the one before it failed is
// passed over when that one matched.
std::vector<ReplyId> wholeTableWalk(std::string_view line) {
  std::vector<ReplyId> reached;
  bool previousMatched = false;
  for (const Route& route : replyRoutes()) {
    if (route.test == Match::PrefixIfPreviousFailed && previousMatched) {
      previousMatched = false;
      continue;
    }
    previousMatched = routeMatches(route, line);
    if (previousMatched) reached.push_back(route.id);
  }
  return reached;
}

std::vector<ReplyId> dispatched(std::string_view line) {
  std::vector<ReplyId> reached;
  dispatchLine(line, [&](ReplyId id) { reached.push_back(id); });
  return reached;
}

}  // namespace

TEST(DispatchWalk, ReachesWhatTheWholeTableReachesForEveryKeyword) {
  std::vector<std::string> lines = {"", "\xE9t\xE9", "MSG:0006GETCPS", "x"};
  for (const Route& route : replyRoutes()) {
    for (std::string_view keyword : {route.keyword, route.alternative}) {
      if (keyword.empty()) continue;
      // The keyword alone runs at least its own handler.
      EXPECT_GE(dispatched(keyword).size(), 1u) << keyword;
      lines.emplace_back(keyword);
      lines.push_back(std::string(keyword) + " 12 payload");
      lines.emplace_back(keyword.substr(0, keyword.size() - 1));
    }
  }
  for (const std::string& line : lines)
    EXPECT_EQ(dispatched(line), wholeTableWalk(line)) << '"' << line << '"';
}

TEST(DispatchWalk, EachRouteHasItsOwnIdInTableOrder) {
  // The router keeps one slot per id: two routes sharing an id would share a handler.
  std::size_t i = 0;
  for (const Route& route : replyRoutes())
    EXPECT_EQ(static_cast<std::size_t>(route.id), i++) << route.keyword;
  EXPECT_EQ(i, kReplyIdCount);
}

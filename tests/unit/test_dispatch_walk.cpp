// The dispatcher tests a line only against the routes whose keyword begins with the line's
// first character. It must run exactly the handlers that a walk through the whole table
// runs, for every keyword there is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/dispatcher.h"

using namespace tarvo::link;

namespace {

// Every route in table order; a route that runs only when the one before it failed is
// passed over when that one matched.
int wholeTableWalk(std::string_view line) {
  int ran = 0;
  bool previousMatched = false;
  for (const Route& route : replyRoutes()) {
    if (route.test == Match::PrefixIfPreviousFailed && previousMatched) {
      previousMatched = false;
      continue;
    }
    previousMatched = routeMatches(route, line);
    ran += previousMatched ? 1 : 0;
  }
  return ran;
}

}  // namespace

TEST(DispatchWalk, RunsWhatTheWholeTableRunsForEveryKeyword) {
  ReplyHandler ignoring;
  std::vector<std::string> lines = {"", "\xE9t\xE9", "MSG:0006GETCPS", "x"};
  for (const Route& route : replyRoutes()) {
    for (std::string_view keyword : {route.keyword, route.alternative}) {
      if (keyword.empty()) continue;
      // The keyword alone runs at least its own handler.
      EXPECT_GE(dispatchLine(keyword, ignoring), 1) << keyword;
      lines.emplace_back(keyword);
      lines.push_back(std::string(keyword) + " 12 payload");
      lines.emplace_back(keyword.substr(0, keyword.size() - 1));
    }
  }
  for (const std::string& line : lines)
    EXPECT_EQ(dispatchLine(line, ignoring), wholeTableWalk(line)) << '"' << line << '"';
}

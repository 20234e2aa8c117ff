#pragma once
#include <span>
#include <string_view>

#include "link/reply_handler.h"

namespace tarvo::link {

enum class Match {
  Prefix,     // the line starts with the keyword; the rest is payload
  WholeLine,  // the line is the keyword and nothing else
  // A prefix test run only when the route just before it did not match: "BLKTYP" must not
  // also fire for every "BLKTYPNEW" line.
  PrefixIfPreviousFailed,
};

struct Route {
  std::string_view keyword;
  std::string_view alternative;  // a second keyword served by the same handler, or ""
  Match test;
  void (ReplyHandler::*handler)(std::string_view line);
};

// Every reply keyword in the order the tests run. A line goes through all of them: it may
// run more than one handler, and each handler sees the effects of the ones before it.
std::span<const Route> replyRoutes();

bool routeMatches(const Route& route, std::string_view line);

// Runs one reply line through every route in order. Returns how many handlers ran.
int dispatchLine(std::string_view line, ReplyHandler& handler);

}  // namespace tarvo::link

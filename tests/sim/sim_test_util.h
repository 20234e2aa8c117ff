// Helpers for the simulator tests: drive an Engine connection by connection and read its
// replies with the client's own column reads and parsers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "browser/block_list.h"
#include "demo_plant.h"
#include "engine.h"
#include "link/columns.h"
#include "link/framing.h"

namespace tarvo::sim::testing {

using Lines = std::vector<std::string>;
using link::frameCommand;

// The lines among outgoing that go to one connection, in order.
inline Lines linesFor(const std::vector<Outgoing>& out, ConnId conn) {
  Lines lines;
  for (const auto& o : out)
    if (o.conn == conn) lines.push_back(o.line);
  return lines;
}

// The first line that starts with keyword, or "" when there is none.
inline std::string firstWith(const Lines& lines, std::string_view keyword) {
  for (const auto& l : lines)
    if (startsWith(l, keyword)) return l;
  return {};
}

// Whether `lines` is one line: `keyword` followed by a reason that mentions `mention`.
inline ::testing::AssertionResult refused(const Lines& lines, std::string_view keyword,
                                          std::string_view mention = {}) {
  if (lines.size() == 1 && startsWith(lines[0], keyword) &&
      lines[0].find(mention, keyword.size()) != std::string::npos &&
      lines[0].size() > keyword.size())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << lines.size() << " lines, first " << (lines.empty() ? "" : lines[0]);
}

// A block list as the client's tree takes it: node keys in order, with the line number and
// the whole type (the client shows its first six characters) each line carries.
struct TreeNode {
  std::string key;
  std::string type;
  long long lineNo;
};
inline std::vector<TreeNode> treeOf(const Lines& lines) {
  browser::BlockListBuilder builder;
  std::vector<TreeNode> nodes;
  for (const auto& line : lines) {
    if (!startsWith(line, "BLKLST")) continue;
    const browser::BuildStep& step = builder.feed(line);
    EXPECT_NE(step.node.placement, browser::Placement::None) << "the client skips " << line;
    nodes.push_back({step.node.key, std::string(trimBlanks(fromCol(line, 35))), step.lineNo});
  }
  return nodes;
}

// An engine on the demo plant with quick utilities.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : engine(buildDemoPlant(), EngineOptions{"0.95.1", 25}) {}

  // Sends one command on conn and returns the lines that come back to it.
  Lines send(ConnId conn, std::string_view command) {
    return linesFor(engine.handle(conn, command), conn);
  }

  // Opens a session the way the client does and checks that it opened.
  ConnId openOn(std::string_view cp, std::string_view host = "WS01") {
    const ConnId c = engine.connect();
    const auto lines = send(c, "OPENCP:" + std::string(cp) + " ALL " + std::string(host));
    EXPECT_EQ(firstWith(lines, "DNOPENCP"), "DNOPENCP" + std::string(cp));
    return c;
  }

  Engine engine;
};

}  // namespace tarvo::sim::testing

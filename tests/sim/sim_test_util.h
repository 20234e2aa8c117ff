// Helpers for the simulator tests: drive an Engine connection by connection and read its
// replies with the client's own column reads and parsers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "browser/block_list.h"
#include "link/columns.h"
#include "link/framing.h"
#include "sim/demo_plant.h"
#include "sim/engine.h"

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

// The configured value of `name` in block "CMP:BLK" or compound `key`, "<none>" when there is
// no such block or value.
inline std::string valueOf(const Plant& plant, std::string_view key, std::string_view name) {
  const BlockName bn = splitBlockName(key);
  const Compound* compound = plant.findCompound(bn.compound);
  const Block* block = compound && !bn.block.empty() ? compound->findBlock(bn.block) : nullptr;
  const std::string* v =
      !compound ? nullptr : findValue(block ? block->params : compound->params, name);
  return v ? *v : "<none>";
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

// An engine on the demo plant with quick utilities, whose log the test keeps.
class EngineTest : public ::testing::Test {
 protected:
  explicit EngineTest(EngineOptions options = {"0.95.1", 25})
      : engine(buildDemoPlant(), std::move(options)) {
    engine.setLogger([this](const std::string& l) { log.push_back(l); });
  }

  // The engine's clock becomes `now`: work and runs advance only when the test moves it.
  void driveClock() {
    engine.setClock([this] { return now; });
  }

  // Sends one command on conn and returns the lines that come back to it.
  Lines send(ConnId conn, std::string_view command) {
    return linesFor(engine.handle(conn, command), conn);
  }

  // Sends each command on conn and returns all the lines that come back to it.
  Lines sendAll(ConnId conn, const Lines& commands) {
    Lines replies;
    for (const auto& command : commands)
      for (auto& line : send(conn, command)) replies.push_back(std::move(line));
    return replies;
  }

  // One parameter transaction on `block` with changes written "NAME = value"; its replies.
  Lines modify(ConnId conn, const std::string& block, const Lines& changes) {
    Lines commands{"MODSTART:" + block};
    for (const auto& change : changes) commands.push_back("MODPARM:" + change);
    commands.push_back("MODEND:" + block);
    return sendAll(conn, commands);
  }

  std::string value(std::string_view key, std::string_view name) const {
    return valueOf(engine.plant(), key, name);
  }

  // Opens a session the way the client does and checks that it opened.
  ConnId openOn(std::string_view cp, std::string_view host = "WS01") {
    const ConnId c = engine.connect();
    const auto lines = send(c, "OPENCP:" + std::string(cp) + " ALL " + std::string(host));
    EXPECT_EQ(firstWith(lines, "DNOPENCP"), "DNOPENCP" + std::string(cp));
    return c;
  }

  std::int64_t now = 0;
  Lines log;
  Engine engine;
};

}  // namespace tarvo::sim::testing

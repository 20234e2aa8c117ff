// Helpers for the simulator tests: read reply lines at 1-based columns the way
// the client does, and drive an Engine connection by connection.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "demo_plant.h"
#include "engine.h"

namespace tarvo::sim::testing {

// Column k to the end of the line; "" past the end.
inline std::string fromCol(std::string_view line, std::size_t k) {
  return k - 1 < line.size() ? std::string(line.substr(k - 1)) : std::string();
}

// Columns first to last, inclusive; cut short at the end of the line.
inline std::string cols(std::string_view line, std::size_t first, std::size_t last) {
  if (first - 1 >= line.size()) return {};
  return std::string(line.substr(first - 1, last - first + 1));
}

inline std::string trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

inline bool startsWith(std::string_view s, std::string_view p) {
  return s.substr(0, p.size()) == p;
}

// "MSG:" + length (at least 4 digits) + text, as the client frames a command.
inline std::string frame(std::string_view command) {
  std::string length = std::to_string(command.size());
  if (length.size() < 4) length.insert(0, 4 - length.size(), '0');
  return "MSG:" + length + std::string(command);
}

// The lines among outgoing that go to one connection, in order.
inline std::vector<std::string> linesFor(const std::vector<Outgoing>& out, ConnId conn) {
  std::vector<std::string> lines;
  for (const auto& o : out)
    if (o.conn == conn) lines.push_back(o.line);
  return lines;
}

// The first line that starts with keyword, or "" when there is none.
inline std::string firstWith(const std::vector<std::string>& lines, std::string_view keyword) {
  for (const auto& l : lines)
    if (startsWith(l, keyword)) return l;
  return {};
}

// Whether `lines` is one line: `keyword` followed by a reason that mentions `mention`.
inline ::testing::AssertionResult refused(const std::vector<std::string>& lines,
                                          std::string_view keyword, std::string_view mention = {}) {
  if (lines.size() != 1) return ::testing::AssertionFailure() << lines.size() << " lines";
  const std::string reason = fromCol(lines[0], keyword.size() + 1);
  if (startsWith(lines[0], keyword) && !reason.empty() && reason.find(mention) != std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << lines[0];
}

// An engine on the demo plant with quick utilities.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : engine(buildDemoPlant(), EngineOptions{"0.95.1", 25}) {}

  // Sends one command on conn and returns the lines that come back to it.
  std::vector<std::string> send(ConnId conn, std::string_view command) {
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

// Cutting a text box's text into upload lines: which characters end a line, what is kept
// for the last line, and where each CR stands for the progress bar.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/upload_split.h"

using namespace tarvo::link;

TEST(UploadSplit, CrEndsALineLfIsDroppedAndTheRestIsTheLastLine) {
  using Ended = std::vector<std::pair<std::string, std::size_t>>;  // text, position of its CR
  const struct {
    std::string text;
    Ended ended;
    std::string pending;
  } cases[] = {
      {"A\r\nB", {{"A", 2}}, "B"},
      {"A\r\nB\r\n", {{"A", 2}, {"B", 5}}, ""},
      {"", {}, ""},
      {"\n", {}, ""},
      {"\r", {{"", 1}}, ""},
      {"A\r\n\r\nB", {{"A", 2}, {"", 4}}, "B"},
      {"A\nB", {}, "AB"},
      {"A\rB", {{"A", 2}}, "B"},
      {"A\n\rB", {{"A", 3}}, "B"},
      {"  caf\xE9\t\x01\r\n\xFF ", {{"  caf\xE9\t\x01", 9}}, "\xFF "},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(::testing::PrintToString(tc.text));
    const UploadLines u = splitForUpload(tc.text);
    Ended ended;
    for (const auto& l : u.ended) ended.emplace_back(l.text, l.crPos);
    EXPECT_EQ(ended, tc.ended);
    EXPECT_EQ(u.pending, tc.pending);
  }
}

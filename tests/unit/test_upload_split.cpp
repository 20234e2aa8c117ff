// Cutting a text box's text into upload lines: which characters end a line, what is kept
// for the last line, and where each CR stands for the progress bar.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/upload_split.h"

using namespace tarvo::link;

namespace {

using Ended = std::vector<std::pair<std::string, std::size_t>>;  // text, CR position

Ended endedOf(const UploadLines& u) {
  Ended out;
  for (const auto& l : u.ended) out.emplace_back(l.text, l.crPos);
  return out;
}

}  // namespace

TEST(UploadSplit, CrEndsALineLfIsDroppedAndTheRestIsTheLastLine) {
  const struct {
    const char* name;
    std::string text;
    Ended ended;
    std::string pending;
  } cases[] = {
      {"two lines, the last without a line end", "A\r\nB", {{"A", 2}}, "B"},
      {"text ending in CR LF", "A\r\nB\r\n", {{"A", 2}, {"B", 5}}, ""},
      {"empty text", "", {}, ""},
      {"lone LF", "\n", {}, ""},
      {"lone CR", "\r", {{"", 1}}, ""},
      {"A, empty line, B", "A\r\n\r\nB", {{"A", 2}, {"", 4}}, "B"},
      {"bare LF joins", "A\nB", {}, "AB"},
      {"bare CR splits", "A\rB", {{"A", 2}}, "B"},
      {"LF before CR", "A\n\rB", {{"A", 3}}, "B"},
      {"only LFs", "\n\n\n", {}, ""},
      {"8-bit characters and blanks kept", "  caf\xE9\t\r\n\xFF ", {{"  caf\xE9\t", 8}}, "\xFF "},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    const UploadLines u = splitForUpload(tc.text);
    EXPECT_EQ(endedOf(u), tc.ended);
    EXPECT_EQ(u.pending, tc.pending);
  }
}

TEST(UploadSplit, EveryCharacterButLineEndsArrivesOnceInOrder) {
  // A long text with every byte value: nothing but CR and LF may go missing.
  std::string text;
  for (int round = 0; round < 40; ++round)
    for (int c = 0; c < 256; ++c) text += static_cast<char>(c);
  const UploadLines u = splitForUpload(text);
  std::string joined;
  for (const auto& l : u.ended) {
    EXPECT_EQ(text[l.crPos - 1], '\r');
    joined += l.text;
  }
  joined += u.pending;
  std::string expected;
  for (char c : text)
    if (c != '\r' && c != '\n') expected += c;
  EXPECT_EQ(joined, expected);
  EXPECT_EQ(u.ended.size(), 40u);
}

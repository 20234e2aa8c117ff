#include "frame_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using testing::frame;
using Kind = FrameDecoder::EventKind;

std::vector<std::string> commandsOf(const std::vector<FrameDecoder::Event>& events) {
  std::vector<std::string> out;
  for (const auto& e : events)
    if (e.kind == Kind::Command) out.push_back(e.text);
  return out;
}

std::size_t countOf(const std::vector<FrameDecoder::Event>& events, Kind kind) {
  std::size_t n = 0;
  for (const auto& e : events) n += e.kind == kind ? 1 : 0;
  return n;
}

TEST(FrameDecoderTest, FramesInOneSegmentComeOutWholeAndInOrder) {
  using Commands = std::vector<std::string>;
  // The length decides where a command ends, not its content.
  const std::string odd = "SRCPUT:A := 1;\nMSG:0003";
  const std::pair<std::string, Commands> cases[] = {
      {frame("GETVERSION") + frame("GETCPS") + frame("GETCMPS"),
       {"GETVERSION", "GETCPS", "GETCMPS"}},
      {frame(odd), {odd}},
      {"MSG:0000" + frame("GETCPS"), {"", "GETCPS"}},  // an empty command is a frame
      {"MSG:1000" + std::string(1000, 'A'), {std::string(1000, 'A')}},  // at the limit
  };
  for (const auto& [bytes, commands] : cases) {
    FrameDecoder d(1000);
    EXPECT_EQ(commandsOf(d.feed(bytes)), commands) << bytes.substr(0, 40);
    EXPECT_EQ(d.buffered(), 0u);
    EXPECT_FALSE(d.closed());
  }
}

TEST(FrameDecoderTest, FrameSplitAtEveryByteIsReassembled) {
  const std::string bytes = frame("OPENCP:CP6001 ALL WS01") + frame("WATCHDOG");
  FrameDecoder d;
  std::vector<std::string> got;
  for (char c : bytes) {
    for (auto& cmd : commandsOf(d.feed(std::string(1, c)))) got.push_back(cmd);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"OPENCP:CP6001 ALL WS01", "WATCHDOG"}));
}

TEST(FrameDecoderTest, FiveDigitLengthCarriesLongCommand) {
  const std::string text = "XREFCFGPUT" + std::string(10'000, 'A');
  const std::string bytes = "MSG:" + std::to_string(text.size()) + text;
  ASSERT_EQ(bytes.substr(4, 5), "10010");
  FrameDecoder d;
  auto first = d.feed(bytes.substr(0, 6000));
  EXPECT_TRUE(first.empty());
  auto rest = d.feed(bytes.substr(6000) + frame("WATCHDOG"));
  EXPECT_EQ(commandsOf(rest), (std::vector<std::string>{text, "WATCHDOG"}));
}

TEST(FrameDecoderTest, GarbageBeforeAFrameIsReportedOnceAndSkipped) {
  FrameDecoder d;
  const auto events = d.feed("GETVERSION" + frame("GETCPS"));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, Kind::Garbage);
  EXPECT_EQ(events[0].byteCount, 10u);
  EXPECT_EQ(events[0].text, "GETVERSION");
  EXPECT_EQ(commandsOf(events), std::vector<std::string>{"GETCPS"});
}

TEST(FrameDecoderTest, BadLengthFieldsResynchroniseAtNextHeader) {
  struct Case {
    const char* bad;
    const char* why;
  };
  for (const Case& c : {Case{"MSG:GETCPS", "not a number"}, Case{"MSG:12X4GETCPS", "fewer than 4"},
                        Case{"MSG:12345678901GETCPS", "too many"}}) {
    SCOPED_TRACE(c.bad);
    FrameDecoder d;
    const auto events = d.feed(std::string(c.bad) + frame("GETVERSION"));
    ASSERT_EQ(countOf(events, Kind::Garbage), 1u);
    EXPECT_NE(events[0].reason.find(c.why), std::string::npos) << events[0].reason;
    EXPECT_EQ(commandsOf(events), std::vector<std::string>{"GETVERSION"});
    EXPECT_FALSE(d.closed());
  }
}

TEST(FrameDecoderTest, HeaderSplitAcrossGarbageBoundaryIsNotLost) {
  FrameDecoder d;
  const std::string f = frame("GETCPS");
  auto a = d.feed("noise" + f.substr(0, 2));  // "noiseMS"
  EXPECT_EQ(countOf(a, Kind::Garbage), 1u);
  EXPECT_EQ(a[0].byteCount, 5u);
  auto b = d.feed(f.substr(2));
  EXPECT_EQ(commandsOf(b), std::vector<std::string>{"GETCPS"});
}

TEST(FrameDecoderTest, EndlessGarbageIsNotBuffered) {
  FrameDecoder d;
  for (int i = 0; i < 100; ++i) d.feed(std::string(10'000, 'x'));
  EXPECT_LT(d.buffered(), 4u);
  EXPECT_EQ(commandsOf(d.feed(frame("GETCPS"))), std::vector<std::string>{"GETCPS"});
}

TEST(FrameDecoderTest, OversizeLengthClosesTheDecoder) {
  FrameDecoder d(1000);
  auto events = d.feed(frame("GETCPS") + "MSG:0001001" + std::string(20, 'A'));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].text, "GETCPS");
  EXPECT_EQ(events[1].kind, Kind::Oversize);
  EXPECT_EQ(events[1].byteCount, 1001u);
  EXPECT_TRUE(d.closed());
  EXPECT_EQ(d.buffered(), 0u);
  EXPECT_TRUE(d.feed(frame("GETCPS")).empty());
}

}  // namespace
}  // namespace tarvo::sim

#include "frame_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using testing::frameCommand;
using testing::Lines;
using Kind = FrameDecoder::EventKind;

Lines commandsOf(const std::vector<FrameDecoder::Event>& events) {
  Lines out;
  for (const auto& e : events)
    if (e.kind == Kind::Command) out.push_back(e.text);
  return out;
}

TEST(FrameDecoderTest, FramesComeOutWholeAndInOrderHoweverTheBytesArrive) {
  // The length decides where a command ends, not its content.
  const std::string odd = "SRCPUT:A := 1;\nMSG:0003";
  const std::pair<std::string, Lines> cases[] = {
      {frameCommand("GETVERSION") + frameCommand("GETCPS"), {"GETVERSION", "GETCPS"}},
      {frameCommand(odd), {odd}},
      {"MSG:0000" + frameCommand("GETCPS"), {"", "GETCPS"}},  // an empty command is a frame
      {"MSG:1000" + std::string(1000, 'A'), {std::string(1000, 'A')}},  // at the limit
  };
  for (const auto& [bytes, commands] : cases) {
    FrameDecoder d(1000);
    EXPECT_EQ(commandsOf(d.feed(bytes)), commands) << bytes.substr(0, 40);
    EXPECT_EQ(d.buffered(), 0u);
    EXPECT_FALSE(d.closed());
  }
  // One byte at a time.
  FrameDecoder d;
  Lines got;
  for (char c : frameCommand("OPENCP:CP6001 ALL WS01") + frameCommand("WATCHDOG"))
    for (auto& cmd : commandsOf(d.feed(std::string(1, c)))) got.push_back(cmd);
  EXPECT_EQ(got, (Lines{"OPENCP:CP6001 ALL WS01", "WATCHDOG"}));
  // A five-digit length, in two parts.
  const std::string text = "XREFCFGPUT" + std::string(10'000, 'A');
  const std::string bytes = "MSG:10010" + text;
  EXPECT_TRUE(d.feed(bytes.substr(0, 6000)).empty());
  EXPECT_EQ(commandsOf(d.feed(bytes.substr(6000) + frameCommand("WATCHDOG"))),
            (Lines{text, "WATCHDOG"}));
}

TEST(FrameDecoderTest, GarbageAndBadLengthsAreReportedOnceAndSkippedToTheNextHeader) {
  const struct {
    std::string bad;
    const char* why;
  } cases[] = {{"GETVERSION", "outside a frame"},
               {"MSG:GETCPS", "not a number"},
               {"MSG:12X4GETCPS", "fewer than 4"},
               {"MSG:12345678901GETCPS", "too many"}};
  for (const auto& c : cases) {
    FrameDecoder d;
    const auto events = d.feed(c.bad + frameCommand("GETVERSION"));
    ASSERT_EQ(events.size(), 2u) << c.bad;
    EXPECT_EQ(events[0].kind, Kind::Garbage);
    EXPECT_NE(events[0].reason.find(c.why), std::string::npos) << events[0].reason;
    EXPECT_EQ(commandsOf(events), Lines{"GETVERSION"});
  }
  FrameDecoder d;
  const auto garbage = d.feed("GETVERSION" + frameCommand("GETCPS"));
  EXPECT_EQ(garbage[0].byteCount, 10u);
  EXPECT_EQ(garbage[0].text, "GETVERSION");
  // A header cut off after the garbage is not lost.
  const auto a = d.feed("noiseMS");
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].byteCount, 5u);
  EXPECT_EQ(commandsOf(d.feed("G:0006GETCPS")), Lines{"GETCPS"});
  // Endless garbage is not kept.
  for (int i = 0; i < 100; ++i) d.feed(std::string(10'000, 'x'));
  EXPECT_LT(d.buffered(), 4u);
  EXPECT_EQ(commandsOf(d.feed(frameCommand("GETCPS"))), Lines{"GETCPS"});
  // Bad headers in a row are one stretch of garbage.
  std::string flood;
  for (int i = 0; i < 1000; ++i) flood += "MSG:x";
  const auto events = d.feed(flood + "MSG:12" + frameCommand("GETCPS") + "junk");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].byteCount, 5006u);
  EXPECT_EQ(commandsOf(events), Lines{"GETCPS"});
  EXPECT_EQ(events[2].byteCount, 4u);
}

TEST(FrameDecoderTest, OversizeLengthClosesTheDecoder) {
  FrameDecoder d(1000);
  auto events = d.feed(frameCommand("GETCPS") + "MSG:0001001" + std::string(20, 'A'));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].text, "GETCPS");
  EXPECT_EQ(events[1].kind, Kind::Oversize);
  EXPECT_EQ(events[1].byteCount, 1001u);
  EXPECT_TRUE(d.closed());
  EXPECT_EQ(d.buffered(), 0u);
  EXPECT_TRUE(d.feed(frameCommand("GETCPS")).empty());
}

}  // namespace
}  // namespace tarvo::sim

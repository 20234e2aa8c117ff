// The decoder that cuts a client's bytes into commands: whole frames however the bytes
// arrive, garbage skipped to the next header, and a frame announced too long closing it.
#include "frame_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using testing::frameCommand;
using Kind = FrameDecoder::EventKind;

// Events as one line: a command as its text, skipped garbage as "?" and an oversize frame
// as "!" with their byte counts, each followed by "|".
std::string show(const std::vector<FrameDecoder::Event>& events) {
  std::string out;
  for (const auto& e : events)
    out += (e.kind == Kind::Command
                ? e.text
                : (e.kind == Kind::Garbage ? "?" : "!") + std::to_string(e.byteCount)) +
           "|";
  return out;
}

TEST(FrameDecoderTest, FramesComeOutWholeAndInOrderHoweverTheBytesArriveUpToTheLimit) {
  // The length decides where a command ends, not its content.
  const std::string odd = "SRCPUT:A := 1;\nMSG:0003";
  const std::string full(1000, 'A');
  const std::pair<std::string, std::string> cases[] = {
      {frameCommand("GETVERSION") + frameCommand("GETCPS"), "GETVERSION|GETCPS|"},
      {frameCommand(odd), odd + "|"},
      {"MSG:0000" + frameCommand("GETCPS"), "|GETCPS|"},  // an empty command is a frame
      {"MSG:1000" + full, full + "|"},                    // at the limit
  };
  for (const auto& [bytes, commands] : cases) {
    FrameDecoder d(1000);
    EXPECT_EQ(show(d.feed(bytes)), commands) << bytes.substr(0, 40);
    EXPECT_EQ(d.buffered(), 0u);
  }
  // One byte at a time.
  FrameDecoder d;
  std::string got;
  for (char c : frameCommand("OPENCP:CP6001 ALL WS01") + frameCommand("WATCHDOG"))
    got += show(d.feed(std::string(1, c)));
  EXPECT_EQ(got, "OPENCP:CP6001 ALL WS01|WATCHDOG|");
  // A five-digit length, in two parts.
  const std::string text = "XREFCFGPUT" + std::string(10'000, 'A');
  const std::string bytes = "MSG:10010" + text;
  EXPECT_TRUE(d.feed(bytes.substr(0, 6000)).empty());
  EXPECT_EQ(show(d.feed(bytes.substr(6000) + frameCommand("WATCHDOG"))), text + "|WATCHDOG|");
  // A frame announced longer than the limit closes the decoder for good.
  FrameDecoder small(1000);
  EXPECT_EQ(show(small.feed(frameCommand("GETCPS") + "MSG:0001001" + std::string(20, 'A'))),
            "GETCPS|!1001|");
  EXPECT_TRUE(small.closed());
  EXPECT_EQ(small.buffered(), 0u);
  EXPECT_TRUE(small.feed(frameCommand("GETCPS")).empty());
}

TEST(FrameDecoderTest, GarbageAndBadLengthsAreReportedOnceAndSkippedToTheNextHeader) {
  const std::pair<std::string, const char*> cases[] = {{"GETVERSION", "outside a frame"},
                                                       {"MSG:GETCPS", "not a number"},
                                                       {"MSG:12X4GETCPS", "fewer than 4"},
                                                       {"MSG:12345678901GETCPS", "too many"}};
  for (const auto& [bad, why] : cases) {
    FrameDecoder d;
    const auto events = d.feed(bad + frameCommand("GETVERSION"));
    EXPECT_EQ(show(events), "?" + std::to_string(bad.size()) + "|GETVERSION|");
    EXPECT_NE(events.at(0).reason.find(why), std::string::npos) << events[0].reason;
  }
  // A header cut off after the garbage is not lost.
  FrameDecoder d;
  EXPECT_EQ(show(d.feed("noiseMS")), "?5|");
  EXPECT_EQ(show(d.feed("G:0006GETCPS")), "GETCPS|");
  // Endless garbage is not kept.
  for (int i = 0; i < 100; ++i) d.feed(std::string(10'000, 'x'));
  EXPECT_LT(d.buffered(), 4u);
  // Bad headers in a row are one stretch of garbage.
  std::string flood;
  for (int i = 0; i < 1000; ++i) flood += "MSG:x";
  EXPECT_EQ(show(d.feed(flood + "MSG:12" + frameCommand("GETCPS") + "junk")), "?5006|GETCPS|?4|");
}

}  // namespace
}  // namespace tarvo::sim

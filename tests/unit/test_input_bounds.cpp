// What the client holds of the server's input stays bounded, whatever the server sends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/line_splitter.h"

using tarvo::link::LineSplitter;
using Lines = std::vector<std::string>;

TEST(LineBound, AnOverLongLineIsCutToTheLimitAndTheNextComesWhole) {
  LineSplitter splitter(8);
  Lines out;
  // One that never ends is held at the limit, however much more arrives.
  for (int i = 0; i < 1000; ++i) splitter.feed("0123456789", out);
  EXPECT_EQ(splitter.pending().size(), 8u);
  splitter.feed("tail\nNEXT\n", out);
  EXPECT_EQ(out, (Lines{"01234567", "NEXT"}));
  EXPECT_EQ(splitter.takeCutLines(), 1u);
  EXPECT_EQ(splitter.takeCutLines(), 0u);
  // Within one arrival, and exactly at the limit (not cut).
  out.clear();
  splitter.feed("ABCDEFGHIJK\n12345678\n", out);
  EXPECT_EQ(out, (Lines{"ABCDEFGH", "12345678"}));
  EXPECT_EQ(splitter.takeCutLines(), 1u);
  // A new connection starts clean even in the middle of dropping.
  splitter.feed("0123456789", out);
  splitter.reset();
  out.clear();
  splitter.feed("OK\n", out);
  EXPECT_EQ(out, Lines{"OK"});
}

// What the sequence editor's Save sends for a text, and how the editor's text becomes wire
// text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sequence/seq_protocol.h"

using namespace tarvo::sequence;

TEST(SeqSave, OneCommandPerLineTheLastAgainAfterSputendAndTheBarAtEachCr) {
  using Commands = std::vector<std::string>;
  const struct {
    std::string text;
    Commands commands;
    std::vector<std::size_t> progress;
  } cases[] = {
      {"A\r\nB", {"SPUTSTART:C:S", "SRCPUT:A\n", "SRCPUT:B", "SPUTENDB"}, {0, 2, 0, 0}},
      {"A\r\nB\r\n", {"SPUTSTART:C:S", "SRCPUT:A\n", "SRCPUT:B\n", "SPUTEND"}, {0, 2, 5, 0}},
      {"", {"SPUTSTART:C:S", "SPUTEND"}, {0, 0}},
      {"A\nB", {"SPUTSTART:C:S", "SRCPUT:AB", "SPUTENDAB"}, {0, 0, 0}},
      {"A\rB", {"SPUTSTART:C:S", "SRCPUT:A\n", "SRCPUT:B", "SPUTENDB"}, {0, 2, 0, 0}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(::testing::PrintToString(tc.text));
    const SaveCommands save = saveCommands("C:S", tc.text);
    EXPECT_EQ(save.commands, tc.commands);
    EXPECT_EQ(save.progress, tc.progress);
    EXPECT_EQ(save.length, tc.text.size());
  }
}

TEST(SeqSave, EditorTextGoesAsSingleBytesWithCrLfOrNamesItsFirstWideCharacter) {
  const struct {
    std::u16string raw;
    std::string text;
    std::size_t badLine;
    char32_t badChar;
  } cases[] = {
      {u"A\u2029\u2029B\u2028C\nD", "A\r\n\r\nB\r\nC\r\nD", 0, 0},
      {u"caf\u00e9\u00a0\u00ff\t", "caf\xe9\xa0\xff\t", 0, 0},
      {u"ok\u2029x \u20ac", "", 2, 0x20ac},
      {u"\u2029\u2029\U0001F600", "", 3, 0x1F600},
  };
  for (const auto& tc : cases) {
    const WireText wire = toWireText(tc.raw);
    EXPECT_EQ(wire.text, tc.text);
    EXPECT_EQ(wire.badLine, tc.badLine);
    EXPECT_EQ(wire.badChar, tc.badChar);
  }
}

TEST(SeqReplies, PayloadsStartRightAfterTheirKeywords) {
  EXPECT_EQ(sourceLine("SEQSRC  x"), "  x");
  EXPECT_EQ(replyMessage("ERRCPLSEQ: 2 errors"), ": 2 errors");
  EXPECT_EQ(plbListingName("CLRPLBLIST:N"), "N");
  EXPECT_EQ(plbListingLine("PLBLIST!"), "");
  EXPECT_EQ(compileCommand("C:S", "IND"), "COMPLSEQ:C:S IND");
}

// What the sequence editor's Save sends for a text (the cutting into lines is the upload
// split's), and how the editor's text becomes wire text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sequence/seq_protocol.h"

using namespace tarvo::sequence;

TEST(SeqSave, OneCommandPerLineAndTheBarAtEachCr) {
  // The last line without a CR, sent twice, is in the editor's tests.
  const SaveCommands save = saveCommands("C:S", "A\r\n\r\nB\r\n");
  EXPECT_EQ(save.commands, (std::vector<std::string>{"SPUTSTART:C:S", "SRCPUT:A\n", "SRCPUT:\n",
                                                     "SRCPUT:B\n", "SPUTEND"}));
  EXPECT_EQ(save.progress, (std::vector<std::size_t>{0, 2, 4, 7, 0}));
  EXPECT_EQ(save.length, 8u);
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

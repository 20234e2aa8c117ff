// Cutting a text box's text into upload lines (which characters end a line, what is kept
// for the last line, where each CR stands for the progress bar), and what the sequence
// editor's Save and the cross-reference list editor send for a text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "link/upload_split.h"
#include "link/wire_text.h"
#include "sequence/seq_protocol.h"
#include "xref/xref_protocol.h"

using namespace tarvo;
using Strings = std::vector<std::string>;

TEST(UploadSplit, CrEndsALineLfIsDroppedAndTheRestIsTheLastLine) {
  // The ended lines as "text@position of its CR", then "+" and the last line.
  const std::pair<std::string, std::string> cases[] = {
      // clang-format off
      {"A\r\nB", "A@2 +B"},   {"A\r\nB\r\n", "A@2 B@5 +"},  {"", "+"},         {"\n", "+"},
      {"\r", "@1 +"},         {"A\r\n\r\nB", "A@2 @4 +B"},  {"A\nB", "+AB"},   {"A\rB", "A@2 +B"},
      {"A\n\rB", "A@3 +B"},   {"  caf\xE9\t\x01\r\n\xFF ", "  caf\xE9\t\x01@9 +\xFF "},
      // clang-format on
  };
  for (const auto& [text, expected] : cases) {
    const link::UploadLines u = link::splitForUpload(text);
    std::string lines;
    for (const auto& l : u.ended) lines += l.text + "@" + std::to_string(l.crPos) + " ";
    EXPECT_EQ(lines + "+" + u.pending, expected) << ::testing::PrintToString(text);
  }
}

TEST(SeqSave, OneCommandPerLineAndTheBarAtEachCr) {
  // The last line without a CR, sent twice, is in the editor's tests.
  const sequence::SaveCommands save = sequence::saveCommands("C:S", "A\r\n\r\nB\r\n");
  EXPECT_EQ(save.commands,
            (Strings{"SPUTSTART:C:S", "SRCPUT:A\n", "SRCPUT:\n", "SRCPUT:B\n", "SPUTEND"}));
  EXPECT_EQ(save.progress, (std::vector<std::size_t>{0, 2, 4, 7, 0}));
  EXPECT_EQ(save.length, 8u);
}

TEST(SeqSave, EditorTextGoesAsSingleBytesWithCrLfOrNamesItsFirstWideCharacter) {
  // The editor's text, the wire text, and the line and character that have no single byte.
  const std::tuple<std::u16string, std::string, std::size_t, char32_t> cases[] = {
      {u"A\u2029\u2029B\u2028C\nD", "A\r\n\r\nB\r\nC\r\nD", 0, 0},
      {u"caf\u00e9\u00a0\u00ff\t", "caf\xe9\xa0\xff\t", 0, 0},
      {u"\u2029\u2029\U0001F600", "", 3, 0x1F600},
  };
  for (const auto& [raw, text, badLine, badChar] : cases) {
    const link::WireText wire = link::toWireText(raw);
    EXPECT_TRUE(wire.text == text && wire.badLine == badLine && wire.badChar == badChar)
        << wire.text << " " << wire.badLine << " " << static_cast<std::uint32_t>(wire.badChar);
  }
}

TEST(XrefProtocol, AListGoesBackOneLinePerCrWithItsLfAndALastLineWithoutOne) {
  // The editor's tests show a list of lines going back; line feeds alone end no line, and
  // a letter that names no list goes back as it came.
  EXPECT_EQ(xref::cfgUploadCommands("Z", "\n\n\n"),
            Strings({"XREFCFGPUTZSTRT", "XREFCFGPUTZDONE"}));
}

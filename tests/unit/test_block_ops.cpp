#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "blocks/block_ops.h"
#include "support/BlockLines.h"

using namespace tarvo::blocks;
using tarvo::test::pad;
using tarvo::test::recordLine;

namespace {

// The fields of the record read from `line`, joined by "|".
std::string fields(std::string_view line, RecordColumns columns) {
  const BlockRecord r = parseBlockRecord(line, columns);
  return r.keyword + "|" + r.relKey + "|" + r.name + "|" + r.type + "|" + r.message;
}

}  // namespace

// ---- the reply record ------------------------------------------------------------------

TEST(BlockRecord, AddCopyAndMoveColumnsWithTrimmedFields) {
  const std::string k(28, 'K'), n(26, 'N');
  const std::string full = recordLine(10, "WRNMOVEBLK", k, n, "ABCDEF", "  a b  ");
  ASSERT_EQ(full.find("a b"), 92u);  // the message starts at column 91
  using enum RecordColumns;
  const std::tuple<std::string, RecordColumns, std::string> cases[] = {
      // Every field filled to its last column; blanks inside the message kept.
      {full, Move, "WRNMOVEBLK|" + k + "|" + n + "|ABCDEF|a b"},
      // The same line one column off: the add and copy columns.
      {full, AddCopy, "WRNMOVEBL|" + k + "|K" + n.substr(1) + "|NABCDE|a b"},
      // Blanks at both ends of a field go.
      {recordLine(9, " DNCPYNEX", "  A:B", "  A:C  ", " PID", ""), AddCopy,
       "DNCPYNEX|A:B|A:C|PID|"},
      // Short lines: past the end is blank, a field cut by the end is kept.
      {"DNADDNEW ***END***", AddCopy, "DNADDNEW|***END***|||"},
      {pad("DNMOVEBLK A:B", 38) + "A:C", Move, "DNMOVEBLK|A:B|A:C||"},
      {"", Move, "||||"},
  };
  for (const auto& [line, columns, expected] : cases)
    EXPECT_EQ(fields(line, columns), expected) << '"' << line << '"';
}

TEST(BlockRecord, OnlyTheWFormsAndKFormsMoveTheSelection) {
  // The GUI's answer tests show the add, move and delete forms; here copy and the lines that
  // select nothing.
  const std::pair<const char*, bool> cases[] = {
      {"DNCPYNEW A:B", true},    {"DNCPYNEX A:B", false}, {"WRNADDNEW A:B", false},
      {"ERRMOVEBLK A:B", false}, {"DNADDNE", false},      {"", false},
  };
  for (const auto& [line, selects] : cases) EXPECT_EQ(selectsNode(line), selects) << line;
}

// ---- node texts -------------------------------------------------------------------------

TEST(InsertedNodeText, BlockPartAfterLastColonCutTo12PaddedTo18ThenType) {
  const std::pair<std::pair<const char*, const char*>, std::string> cases[] = {
      {{"CMP:ABCDEFGHIJKLMNO", "PID"}, "ABCDEFGHIJKL" + std::string(6, ' ') + "PID"},
      {{"A:B:C", "AIN"}, "C" + std::string(17, ' ') + "AIN"},
      {{"CMP: B1 ", "AIN"}, "B1" + std::string(16, ' ') + "AIN"},
      // Cut first, then trimmed: the 13th character never counts.
      {{"CMP:            XY", "AIN"}, std::string("AIN")},
      {{"NOCOLON", "CALC"}, "NOCOLON" + std::string(11, ' ') + "CALC"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(insertedNodeText(in.first, in.second), out) << in.first;
}

TEST(CompoundCopyNodeText, FromColumn38Trimmed) {
  EXPECT_EQ(compoundCopyNodeText(std::string(37, 'x') + "  X  Y "), "X  Y");
  EXPECT_EQ(compoundCopyNodeText("DNCPYNEW short"), "");
}

TEST(AddDecision, CompoundForCompoundNodesAndEndOfListBlockOtherwise) {
  using enum AddKind;
  // Nothing selected yet adds a compound; a block without a type is still a block; any
  // type means a block is selected.
  const std::tuple<const char*, const char*, AddKind> cases[] = {
      {"***END***", "END_ZONE", Compound},
      {"MYCMP", "", Compound},
      {"", "", Compound},
      {"MYCMP:AIN1", "", Block},
      {"MYCMP", "PID", Block}};
  for (const auto& [sel, typ, kind] : cases)
    EXPECT_EQ(addKind(sel, typ), kind) << sel << "/" << typ;
}

TEST(AddDecision, CommandNamesTheSelectionAsLocation) {
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {"MYCMP:AIN1", "NEW1", "pid", "ADDNEW:MYCMP:NEW1 MYCMP:AIN1 PID"},
      {"***END***", "NEWC", "compnd", "ADDNEW:NEWC ***END*** COMPND"},
  };
  for (const auto& [sel, name, type, command] : cases)
    EXPECT_EQ(addBlockCommand(sel, name, type), command);
  EXPECT_EQ(addBlockCommand("MYCMP:AIN1", "NEW1", ""), std::nullopt);
  EXPECT_EQ(pasteFullName("MYCMP:---END_MYCMP", "COPY1"), "MYCMP:COPY1");
}

TEST(MovedNode, SameNameInTreeOrTheAnsweredSourceWithTheSameBlockPartElseUnknown) {
  // The confirmed name, whether the tree holds it, the pending source, whether this reply
  // answers it, and the key of the node the move takes away. The block GUI tests answer a
  // move into another compound with the source's block part, and show an "X" form, no
  // source or another block's source reloading the list.
  const std::tuple<const char*, bool, const char*, bool, std::optional<std::string>> cases[] = {
      // Within one compound the node keeps its key, whatever the source or the form.
      {"A:B1", true, "A:B1", true, "A:B1"},
      {"A:B1", true, "", false, "A:B1"},
      {"A:B1", true, "C:D1", true, "A:B1"},
      // Not known: a compound as the source or as the name.
      {"C:B1", false, "A", true, std::nullopt},
      {"C", false, "A:", true, std::nullopt},
  };
  for (const auto& [name, inTree, source, answers, oldKey] : cases)
    EXPECT_EQ(movedNodeKey(name, inTree, source, answers), oldKey)
        << name << " from " << source << (answers ? " answered" : "");
}

// ---- typed names --------------------------------------------------------------------------

TEST(TypedNames, LettersAreUpperCasedAndBlanksColonsAndControlCharactersRefused) {
  // The Latin-1 small letters too: each capital is 0x20 below, the division sign is no
  // letter, and sharp s, y with diaeresis and the micro sign have no Latin-1 capital.
  EXPECT_EQ(upperName("\xe9t\xe9z"), "\xc9T\xc9Z");
  EXPECT_EQ(upperName("\xe0\xfe\xf7\xdf\xff\xb5\xc9"), "\xc0\xde\xf7\xdf\xff\xb5\xc9");
  for (const char* ok : {"AIN1", "A_B", "LONGERTHANTWELVE", "1ABC", "A-B", ""})
    EXPECT_EQ(nameProblem(ok), "") << ok;
  // Refused; the block GUI tests show the refusal's text and upper-casing an ASCII name.
  for (const char* bad :
       {"A B", " AIN1", "AIN1 ", "A:B", "A\tB", "A\nB", "A\rB", "\x7f", "\x01", "A\x85"})
    EXPECT_NE(nameProblem(bad), "") << '"' << bad << '"';
}

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "params/param_grid.h"
#include "params/param_protocol.h"

using namespace tarvo::params;
using Strings = std::vector<std::string>;
using Params = std::vector<std::pair<std::string, std::string>>;

namespace {

// A "PRMLST" line as the server lays it out: name padded to columns 8-13, value from 14.
std::string prmLine(std::string name, const std::string& value) {
  name.resize(6, ' ');
  return "PRMLST " + name + value;
}

ParamGrid gridOf(const Params& params) {
  ParamGrid g;
  for (const auto& [name, value] : params) g.addParameterLine(prmLine(name, value));
  g.listDone();
  return g;
}

// Rows 2..5 are four steps a, b, c, d; row 6 is the blank last row.
ParamGrid stepGrid() {
  return gridOf(
      {{"NAME", "SEQ1"}, {"STEP01", "a"}, {"STEP02", "b"}, {"STEP03", "c"}, {"STEP04", "d"}});
}

Strings newValues(const ParamGrid& g) {
  Strings v;
  for (int r = 1; r < g.rowCount(); ++r) v.push_back(g.row(r).newValue);
  return v;
}

std::vector<bool> marks(const ParamGrid& g) {
  std::vector<bool> v;
  for (int r = 1; r < g.rowCount(); ++r) v.push_back(g.row(r).changed);
  return v;
}

}  // namespace

// ---- the protocol side ------------------------------------------------------------------

TEST(ParamProtocol, PrmLstFieldsAtFixedColumns) {
  const std::pair<const char*, std::pair<const char*, const char*>> cases[] = {
      {"PRMLST HILIM  100.0   ", {"HILIM", "100.0"}},
      {"PRMLST DESCRP   FEED  PUMP   A  ", {"DESCRP", "FEED  PUMP   A"}},
      {"PRMLST LONGNAME 5", {"LONGNA", "ME 5"}},  // cut to six; the rest starts the value
      {"PRMLST MA", {"MA", ""}},
      {"PRMLST", {"", ""}},
  };
  for (const auto& [line, field] : cases) {
    const auto p = parseParamLine(line);
    EXPECT_EQ(p.name, field.first) << line;
    EXPECT_EQ(p.value, field.second) << line;
  }
}

TEST(ParamProtocol, MessagesAndCommands) {
  EXPECT_EQ(paramListError("ERRPRMLSTBlock not found"), "Block not found");
  const std::string head = "ERRPRMMOD" + std::string(81, 'x');  // columns 1..90
  EXPECT_EQ(paramModMessage(head + "Bad value"), "Bad value");
  EXPECT_EQ(paramModMessage("ERRPRMMOD short"), "");
  EXPECT_EQ(modParmCommand("DESCRP", ""), "MODPARM:DESCRP = ");
}

// ---- building the grid ------------------------------------------------------------------

TEST(ParamGridList, BlankNamesAddNothingAndTheBlankRowStaysLast) {
  ParamGrid g;
  EXPECT_TRUE(g.addParameterLine(prmLine("NAME", "X")));
  EXPECT_FALSE(g.addParameterLine(prmLine("", "stray")));
  EXPECT_FALSE(g.addParameterLine("PRMLST"));
  EXPECT_TRUE(g.addParameterLine(prmLine("TYPE", "AIN")));
  g.listDone();
  ASSERT_EQ(g.rowCount(), 4);
  EXPECT_EQ(g.row(0).newValue, "New Value");
  EXPECT_EQ(g.row(2).name, "TYPE");
  EXPECT_EQ(g.row(3).name, "");
  EXPECT_EQ(g.currentRow(), 2);
}

TEST(ParamGridList, EmptyListChoosesNothingAndSurvivesEveryAction) {
  ParamGrid g = gridOf({});
  ASSERT_EQ(g.rowCount(), 2);
  EXPECT_EQ(g.currentRow(), 1);  // stays on the blank row
  g.clickRow(0);
  g.clickRow(5);
  g.entryEdited("junk");
  EXPECT_EQ(g.pressEnter().row, 1);
  g.addStep();
  g.deleteStep();
  g.commitEntry();
  EXPECT_EQ(g.editRow(), 0);
  EXPECT_FALSE(g.entry().visible);
  EXPECT_EQ(g.rowCount(), 2);
  EXPECT_FALSE(g.row(0).changed || g.row(1).changed);
  EXPECT_TRUE(g.submission("C:B").empty());
}

// ---- choosing a row ---------------------------------------------------------------------

TEST(ChooseEditRow, WhichRowIsChosen) {
  ParamGrid g = gridOf({{"NAME", "X"}, {"DESCRP", "d"}, {"HILIM", "5"}});
  g.clickRow(0);
  EXPECT_EQ(g.editRow(), 2);
  g.clickRow(1);
  EXPECT_EQ(g.editRow(), 2);
  g.clickRow(4);  // the blank row stands for the last parameter
  EXPECT_EQ(g.editRow(), 3);
  EXPECT_EQ(g.currentRow(), 3);

  ParamGrid one = gridOf({{"HILIM", "5"}});
  one.chooseEditRow();
  EXPECT_EQ(one.editRow(), 1);
}

TEST(ChooseEditRow, WhatTheEntryOffers) {
  ParamGrid g = gridOf({{"NAME", "X"},
                        {"TYPE", "PID"},
                        {"MA", "1"},
                        {"INITMA", "2"},
                        {"HILIM", "100"},
                        {"STEP01", "a"},
                        {"step02", "b"}});
  g.clickRow(3);
  EXPECT_EQ(g.entry().items, (Strings{"0", "1"}));
  EXPECT_EQ(g.entry().text, "1");
  EXPECT_EQ(g.entry().caption, "MA");
  g.clickRow(4);
  EXPECT_EQ(g.entry().items, (Strings{"0", "1", "2"}));
  g.entryEdited("10");  // "10" is no 0/1 value, so it is offered too
  g.clickRow(3);
  g.clickRow(4);
  EXPECT_EQ(g.entry().items, (Strings{"0", "1", "10", "2"}));
  EXPECT_EQ(g.entry().text, "10");

  g.clickRow(5);
  EXPECT_EQ(g.entry().items, (Strings{"100", ""}));
  EXPECT_FALSE(g.entry().stepButtonsEnabled);
  g.entryEdited("120");
  g.clickRow(6);
  EXPECT_TRUE(g.entry().stepButtonsEnabled);
  g.clickRow(5);
  EXPECT_EQ(g.entry().items, (Strings{"120", "100"}));
  EXPECT_EQ(g.entry().text, "120");
  g.clickRow(7);  // the prefix test is case-sensitive
  EXPECT_FALSE(g.entry().stepButtonsEnabled);

  g.clickRow(6);
  g.clickRow(2);
  EXPECT_FALSE(g.entry().visible);
  EXPECT_FALSE(g.entry().stepButtonsEnabled);
}

// ---- committing the entry ---------------------------------------------------------------

TEST(CommitEntry, ChangeRevertAndUntouched) {
  ParamGrid g = gridOf({{"NAME", "X"}, {"HILIM", "100"}, {"LOLIM", "0"}, {"DESCRP", ""}});
  g.clickRow(2);
  g.entryEdited("120");
  g.pressEnter();
  EXPECT_EQ(g.row(2).newValue, "120");
  EXPECT_TRUE(g.row(2).changed);

  g.clickRow(2);
  g.entryEdited("100");
  g.pressEnter();
  EXPECT_EQ(g.row(2).newValue, "");
  EXPECT_FALSE(g.row(2).changed);

  // Choosing rows without typing marks nothing, an empty original value included.
  g.clickRow(3);
  g.clickRow(4);
  g.clickRow(2);
  EXPECT_EQ(marks(g), (std::vector<bool>{false, false, false, false, false}));
}

TEST(CommitEntry, PickingTheEmptyItemSendsAnEmptyValueEvenAfterTheRowIsChosenAgain) {
  ParamGrid g = gridOf({{"NAME", "X"}, {"DESCRP", "old text"}, {"MA", "1"}, {"HILIM", "5"}});
  for (int row : {2, 3}) {
    g.clickRow(row);
    g.entryEdited(g.entry().items.back());  // "" for DESCRP; the original 1 for MA
    if (row == 3) g.entryEdited("");
    g.pressEnter();
  }
  // Chosen again, a row changed to nothing shows its empty new value, not the original,
  // and leaving it keeps the change.
  for (int row : {2, 3}) {
    g.clickRow(row);
    EXPECT_EQ(g.entry().text, "") << row;
    EXPECT_EQ(g.entry().items.front(), row == 2 ? "" : "0") << row;
    g.clickRow(4);
  }
  EXPECT_EQ(g.submission("C:B"),
            (Strings{"MODSTART:C:B", "MODPARM:DESCRP = ", "MODPARM:MA = ", "MODEND:C:B"}));
}

TEST(CommitEntry, LeavingTypeNeverWritesIntoIt) {
  ParamGrid g = gridOf({{"NAME", "X"}, {"TYPE", "PID"}, {"HILIM", "5"}, {"LOLIM", "0"}});
  g.clickRow(3);
  g.clickRow(2);  // the commit of row 3 leaves "" in the hidden entry
  g.clickRow(4);
  EXPECT_FALSE(g.row(2).changed);
  g.clickRow(2);
  g.pressEnter();  // a stray key reaching the hidden entry changes nothing either
  EXPECT_FALSE(g.row(2).changed);
  EXPECT_TRUE(g.submission("C:B").empty());
}

// ---- Enter ------------------------------------------------------------------------------

TEST(EnterSequence, MovesOnUntilTheLastParameter) {
  ParamGrid g = gridOf({{"NAME", "X"}, {"HILIM", "100"}, {"LOLIM", "0"}});
  g.clickRow(2);
  EXPECT_EQ(g.pressEnter().row, 3);
  EXPECT_EQ(g.editRow(), 3);
  EXPECT_EQ(g.entry().caption, "LOLIM");
  EXPECT_EQ(g.entry().text, "0");
  g.entryEdited("-5");
  EXPECT_EQ(g.pressEnter().row, 4);  // the blank row ...
  EXPECT_EQ(g.editRow(), 3);         // ... stands for the last parameter
  EXPECT_EQ(g.row(3).newValue, "-5");
  EXPECT_EQ(marks(g), (std::vector<bool>{false, false, true, false}));
}

TEST(EnterSequence, ScrollTargetStaysInsideTheGrid) {
  Params many{{"NAME", "X"}};
  for (int i = 0; i < 30; ++i) many.push_back({"P" + std::to_string(i), std::to_string(i)});
  ParamGrid g = gridOf(many);  // rows 0..32
  EXPECT_EQ(g.scrollTopFor(2), 1);
  EXPECT_EQ(g.scrollTopFor(7), 2);
  EXPECT_EQ(g.scrollTopFor(100), 32);
  g.clickRow(20);
  EXPECT_EQ(g.pressEnter().scrollTop, 16);
}

// ---- step shifts ------------------------------------------------------------------------

TEST(StepShift, EachSourceRowGivesItsOwnEffectiveValue) {
  using Marks = std::vector<bool>;
  const struct {
    const char* what;
    std::function<void(ParamGrid&)> act;
    Strings values;
    Marks marks;        // checked when given
    const char* entry;  // checked when given
  } cases[] = {
      {"delete at STEP02",
       [](ParamGrid& g) {
         g.clickRow(3);
         g.deleteStep();
       },
       {"", "", "c", "d", "", ""},
       {false, false, true, true, true, false},
       "c"},
      {"add at STEP02",
       [](ParamGrid& g) {
         g.clickRow(3);
         g.addStep();
       },
       {"", "", "", "b", "c", ""},
       {false, false, true, true, true, false},
       ""},
      {"delete: the edited STEP03 moves up as X",
       [](ParamGrid& g) {
         g.clickRow(4);
         g.entryEdited("X");
         g.clickRow(3);
         g.deleteStep();
       },
       {"", "", "X", "d", "", ""},
       {},
       nullptr},
      {"delete: the edited STEP02 takes STEP03's value",
       [](ParamGrid& g) {
         g.clickRow(3);
         g.entryEdited("Y");
         g.clickRow(2);
         g.clickRow(3);
         g.deleteStep();
       },
       {"", "", "c", "d", "", ""},
       {},
       nullptr},
      {"add: the edited STEP02 moves down as Y",
       [](ParamGrid& g) {
         g.clickRow(3);
         g.entryEdited("Y");
         g.clickRow(3);
         g.addStep();
       },
       {"", "", "", "Y", "c", ""},
       {},
       nullptr},
      {"add: an edited destination takes the plain c",
       [](ParamGrid& g) {
         g.clickRow(5);
         g.entryEdited("Z");
         g.clickRow(3);
         g.addStep();
       },
       {"", "", "", "b", "c", ""},
       {},
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ParamGrid g = stepGrid();
    c.act(g);
    EXPECT_EQ(newValues(g), c.values);
    if (!c.marks.empty()) {
      EXPECT_EQ(marks(g), c.marks);
    }
    if (c.entry) {
      EXPECT_EQ(g.entry().text, c.entry);
    }
  }
}

// ---- submission -------------------------------------------------------------------------

TEST(Submission, ChangedRowsInRowOrderOrNothing) {
  ParamGrid g = gridOf({{"NAME", "X"},
                        {"TYPE", "PID"},
                        {"DESCRP", "old"},
                        {"HILIM", "100"},
                        {"LOLIM", "0"},
                        {"MA", "0"},
                        {"KP", "1.5"},
                        {"TI", "2"}});
  g.clickRow(4);
  g.pressEnter();
  EXPECT_TRUE(g.submission("CMP1:PID1").empty());

  g.clickRow(7);
  g.entryEdited("2.5");
  g.clickRow(3);
  g.entryEdited("FEED  PUMP");
  g.pressEnter();
  EXPECT_EQ(g.submission("CMP1:PID1"), (Strings{"MODSTART:CMP1:PID1", "MODPARM:DESCRP = FEED  PUMP",
                                                "MODPARM:KP = 2.5", "MODEND:CMP1:PID1"}));
}

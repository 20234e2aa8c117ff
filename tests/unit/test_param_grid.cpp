#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "params/param_grid.h"
#include "params/param_protocol.h"

using namespace tarvo::params;
using Strings = std::vector<std::string>;

namespace {

// "a|b|c" as {"a", "b", "c"}.
Strings split(const std::string& text) {
  Strings out;
  for (std::size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 1) {
    bar = text.find('|', from);
    out.push_back(text.substr(from, bar - from));
  }
  return out;
}

// A "PRMLST" line as the server lays it out: name padded to columns 8-13, value from 14.
std::string prmLine(std::string name, const std::string& value) {
  name.resize(6, ' ');
  return "PRMLST " + name + value;
}

// A grid listing "NAME=value|NAME=value|...".
ParamGrid gridOf(const std::string& params) {
  ParamGrid g;
  for (const std::string& p : split(params))
    if (!p.empty())
      g.addParameterLine(prmLine(p.substr(0, p.find('=')), p.substr(p.find('=') + 1)));
  g.listDone();
  return g;
}

// Plays what the user does, steps separated by "|": a number clicks that row, "=text" types
// the text into the entry, "enter", "add" and "del" press Enter, Add Step and Del Step.
void play(ParamGrid& g, const std::string& script) {
  for (const std::string& step : split(script)) {
    if (step[0] == '=')
      g.entryEdited(step.substr(1));
    else if (step == "enter")
      g.pressEnter();
    else if (step == "add")
      g.addStep();
    else if (step == "del")
      g.deleteStep();
    else
      g.clickRow(std::stoi(step));
  }
}

// Rows 1.. as "new value" each, with "*" for a row marked changed.
std::string rows(const ParamGrid& g) {
  std::string out;
  for (int r = 1; r < g.rowCount(); ++r)
    out += (r > 1 ? "|" : "") + g.row(r).newValue + (g.row(r).changed ? "*" : "");
  return out;
}

// The value entry: hidden, or its caption, items and text; then "steps" when the step
// buttons are enabled.
std::string offers(const ParamGrid& g) {
  const ValueEntry& e = g.entry();
  std::string out = e.visible ? e.caption + " [" : "hidden";
  for (std::size_t i = 0; e.visible && i < e.items.size(); ++i) out += (i ? "," : "") + e.items[i];
  if (e.visible) out += "] " + e.text;
  return e.stepButtonsEnabled ? out + " steps" : out;
}

}  // namespace

// ---- the protocol side ------------------------------------------------------------------

TEST(ParamProtocol, PrmLstFieldsAtFixedColumns) {
  const std::pair<const char*, std::pair<const char*, const char*>> cases[] = {
      {"PRMLST HILIM  100.0   ", {"HILIM", "100.0"}},
      {"PRMLST LONGNAME 5", {"LONGNA", "ME 5"}},  // cut to six; the rest starts the value
      {"PRMLST MA", {"MA", ""}},
      {"PRMLST", {"", ""}},
  };
  for (const auto& [line, field] : cases) {
    const auto p = parseParamLine(line);
    EXPECT_EQ(p.name + "|" + p.value, std::string(field.first) + "|" + field.second) << line;
  }
}

// ---- building the grid and choosing a row -----------------------------------------------

TEST(ParamGrid, BlankNamesAddNothingAndTheBlankRowStaysLast) {
  ParamGrid g;
  EXPECT_TRUE(g.addParameterLine(prmLine("NAME", "X")));
  EXPECT_FALSE(g.addParameterLine(prmLine("", "stray")));
  EXPECT_FALSE(g.addParameterLine("PRMLST"));
  EXPECT_TRUE(g.addParameterLine(prmLine("TYPE", "AIN")));
  g.listDone();
  ASSERT_EQ(g.rowCount(), 4);
  EXPECT_EQ(g.row(0).newValue + "|" + g.row(2).name + "|" + g.row(3).name, "New Value|TYPE|");
  EXPECT_EQ(g.currentRow(), 2);

  // An empty list chooses nothing and survives every action.
  ParamGrid empty = gridOf("");
  EXPECT_EQ(empty.currentRow(), 1);
  play(empty, "0|5|=junk|add|del");
  EXPECT_EQ(empty.pressEnter().row, 1);
  empty.commitEntry();
  EXPECT_EQ(std::to_string(empty.rowCount()) + std::to_string(empty.editRow()) + offers(empty) +
                rows(empty),
            "20hidden");
  EXPECT_TRUE(empty.submission("C:B").empty());
}

TEST(ParamGrid, TheChosenRowAndWhatTheEntryOffersForIt) {
  ParamGrid g = gridOf("NAME=X|TYPE=PID|MA=1|INITMA=2|HILIM=100|STEP01=a|step02=b");
  // Neither the header nor the first parameter is chosen; the blank row stands for the last.
  for (const auto& [click, chosen] : {std::pair{0, 2}, {1, 2}, {8, 7}}) {
    play(g, std::to_string(click));
    EXPECT_TRUE(g.editRow() == chosen && g.currentRow() == chosen)
        << click << ": " << g.editRow() << ", " << g.currentRow();
  }
  const std::pair<const char*, const char*> steps[] = {
      {"4", "INITMA [0,1,2] 2"},
      {"=10|3|4", "INITMA [0,1,10,2] 10"},  // "10" is no 0/1 value, so it is offered too
      {"5|=120|6", "STEP01 [a,] a steps"},
      {"5", "HILIM [120,100] 120"},
      {"7", "step02 [b,] b"},  // the prefix test is case-sensitive
      {"6|2", "hidden"},
  };
  for (const auto& [script, entry] : steps) {
    play(g, script);
    EXPECT_EQ(offers(g), entry) << script;
  }
  ParamGrid one = gridOf("HILIM=5");
  one.chooseEditRow();
  EXPECT_EQ(one.editRow(), 1);
}

// ---- committing the entry and Enter -----------------------------------------------------

TEST(ParamGrid, ACommitMarksAChangeAndUnmarksARevertButChoosingAloneMarksNothing) {
  ParamGrid g = gridOf("NAME=X|TYPE=PID|HILIM=100|LOLIM=0|DESCRP=");
  const std::pair<const char*, const char*> steps[] = {
      {"3|=120|enter", "||120*|||"},
      {"3|=100|enter", "|||||"},
      // Choosing rows without typing marks nothing, an empty original value included.
      {"4|5|3", "|||||"},
      // Leaving TYPE never writes into it: the commit of row 3 leaves "" in the hidden
      // entry, and a stray Enter reaching it changes nothing either.
      {"3|2|4|2|enter", "|||||"},
      {"3|=-5|enter|enter", "||-5*|||"},  // Enter moves on to the next row each time
  };
  for (const auto& [script, after] : steps) {
    play(g, script);
    EXPECT_EQ(rows(g), after) << script;
  }
  EXPECT_EQ(g.editRow(), 5);
  EXPECT_EQ(g.pressEnter().row, 6);  // the blank row ...
  EXPECT_EQ(g.editRow(), 5);         // ... stands for the last parameter
  EXPECT_EQ(g.entry().caption, "DESCRP");
}

TEST(ParamGrid, PickingTheEmptyItemSendsAnEmptyValueEvenAfterTheRowIsChosenAgain) {
  ParamGrid g = gridOf("NAME=X|DESCRP=old text|MA=1|HILIM=5");
  play(g, "3|=1|=|enter|2|=|enter");  // MA's original is 1; "" is DESCRP's last item
  // Chosen again, a row changed to nothing shows its empty new value, not the original,
  // and leaving it keeps the change.
  play(g, "2");
  EXPECT_EQ(offers(g), "DESCRP [,old text] ");
  play(g, "4|3");
  EXPECT_EQ(offers(g), "MA [0,1] ");
  play(g, "4");
  // The changed rows go in row order, not in the order they were edited.
  EXPECT_EQ(g.submission("C:B"),
            (Strings{"MODSTART:C:B", "MODPARM:DESCRP = ", "MODPARM:MA = ", "MODEND:C:B"}));
}

// ---- step shifts ------------------------------------------------------------------------

TEST(ParamGrid, EachSourceRowOfAStepShiftGivesItsOwnEffectiveValue) {
  // Rows 2..5 are four steps a, b, c, d; row 6 is the blank last row.
  const std::pair<const char*, const char*> cases[] = {
      {"3|del", "||c*|d*|*|"},        {"3|add", "||*|b*|c*|"},
      {"4|=X|3|del", "||X*|d*|*|"},    // the edited STEP03 moves up as X
      {"3|=Y|2|3|del", "||c*|d*|*|"},  // the edited STEP02 takes STEP03's value
      {"3|=Y|3|add", "||*|Y*|c*|"},    // the edited STEP02 moves down as Y
      {"5|=Z|3|add", "||*|b*|c*|"},    // an edited destination takes the plain c
  };
  for (const auto& [script, after] : cases) {
    ParamGrid g = gridOf("NAME=SEQ1|STEP01=a|STEP02=b|STEP03=c|STEP04=d");
    play(g, script);
    EXPECT_EQ(rows(g), after) << script;
  }
}

// ---- comparing with a file --------------------------------------------------------------

TEST(ParamGrid, ComparingMarksDifferencesAndTakingMakesThemEditsOfEditableRowsOnly) {
  ParamGrid g = gridOf("NAME=X|TYPE=PID|HILIM=100|LOLIM=0|DESCRP=a b|KP=1");
  play(g, "4|=7");  // LOLIM typed over, not committed
  const FileComparison found = g.compareWithFile({{"NAME", "Y"},
                                                  {"type", "AIN"},
                                                  {"HILIM", "100"},
                                                  {"lolim", "-1"},
                                                  {"DESCRP", "x"},
                                                  {"DESCRP", "a b"},
                                                  {"GAIN", "2"},
                                                  {"gain", "3"},
                                                  {"OUT", ""}});
  EXPECT_EQ(found.compared, 5u);
  EXPECT_EQ(found.differing, 3u);  // NAME, TYPE, LOLIM; DESCRP's last value is the same
  EXPECT_EQ(found.notInBlock, (Strings{"GAIN", "OUT"}));
  std::string marks;
  for (int r = 1; r <= g.parameterCount(); ++r)
    marks += (g.row(r).differs ? "D" : g.row(r).fileValue ? "=" : ".");
  EXPECT_EQ(marks, "DD=D=.");
  EXPECT_EQ(g.untakeableDifferences(), (Strings{"NAME", "TYPE"}));
  EXPECT_EQ(rows(g), "||||||");  // comparing changes no value

  EXPECT_EQ(g.takeableCount(), 1u);
  EXPECT_EQ(g.takeFileValues(), 1u);
  EXPECT_EQ(rows(g), "|||-1*|||");
  EXPECT_EQ(offers(g), "LOLIM [-1,0] -1");  // the entry shows the taken value, not the 7
  play(g, "6");                             // committing it again keeps -1
  EXPECT_EQ(rows(g), "|||-1*|||");
  EXPECT_EQ(g.takeableCount(), 0u);
  EXPECT_EQ(g.takeFileValues(), 0u);

  // A later comparison forgets the earlier one; a new list forgets both.
  g.compareWithFile({{"KP", "2"}});
  EXPECT_FALSE(g.row(4).fileValue.has_value());
  EXPECT_TRUE(g.row(6).differs);
  g.startList();
  EXPECT_FALSE(g.compared());
}

TEST(ParamProtocol, ListsAnswerRequestsInOrderAndAReadsListFillsNoEditor) {
  ParamReads reads;
  EXPECT_FALSE(reads.listBegins().read);  // asked by nobody: an editor's, as always
  EXPECT_FALSE(reads.listBegins().editorFor);
  reads.askedForEditor("CMP1:E1");
  reads.askedForRead("CMP1:A");
  reads.askedForRead("CMP1:B");
  reads.askedForRead("CMP1:C");
  reads.askedForEditor("CMP1:E2");
  EXPECT_EQ(reads.readsWaiting(), 3u);
  EXPECT_EQ(reads.editorsWaiting(), 2u);

  EXPECT_EQ(reads.listBegins().editorFor, "CMP1:E1");
  EXPECT_FALSE(reads.row(prmLine("HILIM", "1")));
  EXPECT_FALSE(reads.listDone());
  EXPECT_TRUE(reads.listBegins().read);  // A
  EXPECT_TRUE(reads.row(prmLine("HILIM", "100.0")));
  EXPECT_TRUE(reads.row(prmLine("", "no name")));
  EXPECT_TRUE(reads.row(prmLine("DESCRP", "two  words ")));
  EXPECT_TRUE(reads.listDone());
  EXPECT_TRUE(reads.listBegins().read);  // B, cut short by the next answer: not read
  EXPECT_TRUE(reads.row(prmLine("KP", "1")));
  EXPECT_TRUE(reads.listRefused().read);  // C
  EXPECT_EQ(reads.readsWaiting(), 0u);
  const ParamReads::Answer refused = reads.listRefused();
  EXPECT_FALSE(refused.read);
  EXPECT_EQ(refused.editorFor, "CMP1:E2");
  EXPECT_EQ(reads.editorsWaiting(), 0u);

  EXPECT_EQ(reads.blocksRead(), Strings{"CMP1:A"});
  ASSERT_EQ(reads.values().size(), 1u);
  const auto& a = reads.values().at("CMP1:A");
  EXPECT_EQ(a.size(), 2u);
  EXPECT_EQ(a.at("HILIM"), "100.0");
  EXPECT_EQ(a.at("DESCRP"), "two  words");

  reads.askedForRead("CMP1:D");
  reads.askedForEditor("CMP1:E3");
  reads.clear();  // the connection went
  EXPECT_EQ(reads.readsWaiting(), 0u);
  EXPECT_EQ(reads.editorsWaiting(), 0u);
  EXPECT_TRUE(reads.values().empty());
  EXPECT_FALSE(reads.listBegins().editorFor);
}

// Adding, copying, moving and deleting blocks against a recording fake server: the commands
// the buttons send for each kind of selection, the type chooser, the refusals, and what every
// answer does to the tree, the selection, the status bar and the move highlight.
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "blocks/BlockTypesFRM.h"
#include "blocks/BlocksController.h"
#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "support/BlockLines.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using blocks::BlocksController;

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

// Add and copy replies (keyword field 9 wide) and move replies (10 wide).
QString addCopy(const char* keyword, const char* relKey, const char* name, const char* type,
                const char* message = "") {
  return q(recordLine(9, keyword, relKey, name, type, message));
}
QString move(const char* keyword, const char* relKey, const char* name, const char* type,
             const char* message = "") {
  return q(recordLine(10, keyword, relKey, name, type, message));
}

QString nodeText(const char* block, const char* type) {
  return QString::fromLatin1(block).leftJustified(18, u' ') + QString::fromLatin1(type);
}

const QStringList kList = {q(cmpLine(1, "A")),
                           q(blkLine(2, "B1", "AIN")),
                           q(blkLine(3, "B2", "PID")),
                           q(blkLine(4, "---END_A", "")),
                           q(cmpLine(5, "C")),
                           q(blkLine(6, "D1", "AIN")),
                           q(blkLine(7, "---END_C", "")),
                           q(endLine(8))};
const QString kTree = "A[A:B1 A:B2 A:---END_A] C[C:D1 C:---END_C] ***END***";

}  // namespace

class Blocks : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree(kList);
    ASSERT_TRUE(sent({"GETBLKS 0 CP6001"}));
    server.commands.clear();
    ASSERT_EQ(keys(), kTree);
  }

  // Loads the list again, as if the server had sent it unasked.
  void reload() {
    QStringList lines = {"CLRBLKLST"};
    lines += kList;
    lines << "DNBLKLST";
    reply(lines);
  }

  BlocksController& ops() { return client->blocks(); }
  browser::TreeController& tree() { return client->tree(); }
  blocks::BlockTypesFRM& chooser() { return ops().blockTypes(); }
  QTreeWidgetItem* node(const QString& key) { return tree().blocks().find(key); }
  QString status() { return form().panelText(3); }

  void select(const QString& key) { ASSERT_TRUE(tree().selectNode(key)) << key.toStdString(); }

  // The keys of the nodes under `parent` in order, each followed by its children's.
  QString keys(QTreeWidgetItem* parent = nullptr) {
    if (!parent) parent = ui<QTreeWidget>("TreeView1")->invisibleRootItem();
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i) {
      QTreeWidgetItem* child = parent->child(i);
      out << browser::BlockTree::keyOf(child) +
                 (child->childCount() ? "[" + keys(child) + "]" : QString());
    }
    return out.join(u' ');
  }

  // The keys of every node shown with the move-source background.
  QString highlighted(QTreeWidgetItem* parent = nullptr) {
    if (!parent) parent = ui<QTreeWidget>("TreeView1")->invisibleRootItem();
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i) {
      QTreeWidgetItem* child = parent->child(i);
      const QBrush back = child->background(0);
      if (back.style() != Qt::NoBrush && back.color() == BlocksController::highlightColour())
        out << browser::BlockTree::keyOf(child);
      const QString below = highlighted(child);
      if (!below.isEmpty()) out << below;
    }
    return out.join(u' ');
  }

  // Nothing is on its way to the server.
  ::testing::AssertionResult nothingSent() {
    settle();
    if (server.commands.isEmpty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "sent " << server.commands.join(u'|').toStdString();
  }

  // Calls off a pending move, if any, by choosing its source again.
  void cancelMove() {
    if (ops().moveSrcBlk().isEmpty()) return;
    select(ops().moveSrcBlk());
    button("MoveFromPB")->click();
    ASSERT_EQ(ops().moveSrcBlk(), "");
  }

  void giveTypes(const QStringList& types) {
    QStringList lines = {"BLKTYPNEW"};
    for (const QString& t : types) lines << "BLKTYP   " + t;
    reply(lines);
  }
  void chooseType(const QString& type) {
    const int row = chooser().BlockTypesCB->findText(type);
    ASSERT_GE(row, 0) << type.toStdString();
    chooser().BlockTypesCB->setCurrentIndex(row);
  }
};

// ---- Add --------------------------------------------------------------------------------

TEST_F(Blocks, AddAsksForABlockOrACompoundAndNamesTheSelectionAsItsPlace) {
  giveTypes({"AIN", "PID", "CALC"});
  const struct {
    const char* select;
    const char* typed;
    const char* type;  // chosen in the chooser; none for a compound
    const char* title;
    const char* prompt;
    const char* command;
  } cases[] = {
      {"A:B1", "new1", "PID", "New Block", "Enter New Block Name", "ADDNEW:A:NEW1 A:B1 PID"},
      {"C:---END_C", "Xy_2", "CALC", "New Block", "Enter New Block Name",
       "ADDNEW:C:XY_2 C:---END_C CALC"},
      {"A", "newc", nullptr, "New Compound", "Enter New Compound Name", "ADDNEW:NEWC A COMPND"},
      {"***END***", "last", nullptr, "New Compound", "Enter New Compound Name",
       "ADDNEW:LAST ***END*** COMPND"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.select);
    select(c.select);
    prompter.clear();
    server.commands.clear();
    prompter.answerInput(c.typed);
    button("AddPB")->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].isInput);
    EXPECT_TRUE(prompter.showed(0, c.title, c.prompt));
    if (c.type) {
      EXPECT_TRUE(nothingSent());
      ASSERT_TRUE(chooser().isVisible());
      chooseType(c.type);
      chooser().OKButton->click();
      EXPECT_FALSE(chooser().isVisible());
    } else {
      EXPECT_FALSE(ops().hasBlockTypes() && chooser().isVisible());
    }
    EXPECT_TRUE(sent({c.command}));
  }
}

TEST_F(Blocks, CancelledOrEmptyNamesSendNothing) {
  giveTypes({"AIN"});
  for (const char* key : {"A:B1", "A"}) {
    select(key);
    prompter.cancelInput();
    button("AddPB")->click();
    prompter.answerInput("");
    button("AddPB")->click();
  }
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_TRUE(nothingSent());
  EXPECT_EQ(ops().pendingNewName(), "");
}

TEST_F(Blocks, TypeChooserIsMadeOnceKeepsTheServersListRefusesCompndAndTakesEnter) {
  giveTypes({"OLD"});
  giveTypes({"AIN", "COMPND", "PID"});
  blocks::BlockTypesFRM* first = &chooser();
  EXPECT_EQ(chooser().types(), QStringList({"AIN", "COMPND", "PID"}));
  EXPECT_EQ(chooser().windowTitle(), "Choose Block Type");
  EXPECT_TRUE(chooser().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(chooser().OKButton->text(), "OK");
  EXPECT_EQ(chooser().CancelButton->text(), "Cancel");

  select("A:B1");
  prompter.answerInput("n1");
  button("AddPB")->click();
  chooseType("COMPND");
  chooser().OKButton->click();
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(1, "Add Compound ERROR", "Can not insert COMPND at this location",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_TRUE(chooser().isVisible());
  EXPECT_TRUE(nothingSent());

  // Cancel hides it; the name typed stays for the next time it is confirmed.
  chooser().CancelButton->click();
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_EQ(ops().pendingNewName(), "N1");
  EXPECT_TRUE(nothingSent());

  prompter.answerInput("n2");
  button("AddPB")->click();
  EXPECT_EQ(&chooser(), first);
  EXPECT_EQ(chooser().types(), QStringList({"AIN", "COMPND", "PID"}));
  chooseType("PID");
  QTest::keyClick(chooser().BlockTypesCB, Qt::Key_Return);
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_TRUE(sent({"ADDNEW:A:N2 A:B1 PID"}));
}

TEST_F(Blocks, AddAnswersInsertBeforeTheRelativeKeyInBlueAndSelectAsTheirFormSays) {
  const struct {
    QString line;
    bool selects;
    const char* box;  // title and text, or none
    const char* boxText;
  } cases[] = {
      {addCopy("DNADDNEW", "A:B2", "A:NEW", "AIN"), true, nullptr, nullptr},
      {addCopy("DNADDNEX", "A:B2", "A:NEW", "AIN"), false, nullptr, nullptr},
      {addCopy("WRNADDNEW", "A:B2", "A:NEW", "AIN", "check its inputs"), true, "ADD Warning: A:NEW",
       "WARNING: check its inputs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    select("C:D1");
    prompter.clear();
    reply({c.line});
    EXPECT_EQ(keys(), "A[A:B1 A:NEW A:B2 A:---END_A] C[C:D1 C:---END_C] ***END***");
    ASSERT_NE(node("A:NEW"), nullptr);
    EXPECT_EQ(node("A:NEW")->text(0), nodeText("NEW", "AIN"));
    EXPECT_EQ(node("A:NEW")->foreground(0).color(), QColor(0, 0, 255));
    EXPECT_EQ(tree().currSelBlk(), c.selects ? "A:NEW" : "C:D1");
    EXPECT_EQ(tree().currSelTyp(), "AIN");
    EXPECT_EQ(ui<QTreeWidget>("TreeView1")->currentItem(), node(c.selects ? "A:NEW" : "C:D1"));
    EXPECT_EQ(status(), "ADD: A:NEW");
    if (c.box) {
      ASSERT_EQ(prompter.shown.size(), 1);
      EXPECT_TRUE(prompter.showed(0, c.box, c.boxText, Prompter::Icon::Exclamation));
    } else {
      EXPECT_TRUE(prompter.shown.isEmpty());
    }
    EXPECT_TRUE(nothingSent());
  }
}

TEST_F(Blocks, AddedCompoundReloadsTheListAndARefusalOnlyTellsWhy) {
  select("A:B1");
  reply({addCopy("ERRADDNEW", "A:B2", "A:B1", "AIN", "A:B1 already exists")});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "ADD Error: A:B1", "ERROR: A:B1 already exists",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_EQ(keys(), kTree);
  EXPECT_TRUE(nothingSent());

  reply({addCopy("WRNADDNEW", "C", "NEWC", "COMPND", "empty")});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());  // until the list is in
  EXPECT_EQ(node("NEWC"), nullptr);
  EXPECT_EQ(status(), "ADD: NEWC");
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(1, "ADD Warning: NEWC", "WARNING: empty"));
}

// ---- Copy and Paste ---------------------------------------------------------------------

TEST_F(Blocks, CopyRemembersABlockAndPasteSendsItIntoTheSelectedCompound) {
  select("A:B1");
  button("AddPB")->setFocus();
  ASSERT_EQ(form().focusWidget(), button("AddPB"));
  button("CopyPB")->click();
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_TRUE(button("PastePB")->isEnabled());
  EXPECT_EQ(form().focusWidget(), ui<QTreeWidget>("TreeView1"));
  // The source stays for as many pastes as the user likes, wherever they go.
  const std::pair<const char*, const char*> pastes[] = {
      {"C:---END_C", "CPYNEW:C:X1 A:B1 AIN C:---END_C"},
      {"C:D1", "CPYNEW:C:X2 A:B1 AIN C:D1"},
      {"***END***", "CPYNEW:***END***:X3 A:B1 AIN ***END***"},
  };
  QStringList expected;
  int n = 0;
  for (const auto& [key, command] : pastes) {
    select(key);
    EXPECT_TRUE(button("PastePB")->isEnabled()) << key;
    prompter.answerInput(QStringLiteral("x%1").arg(++n));
    button("PastePB")->click();
    expected << command;
    EXPECT_TRUE(sent(expected));
  }
  EXPECT_TRUE(prompter.showed(0, "New Block", "Enter New Block Name"));
  prompter.cancelInput();
  button("PastePB")->click();
  EXPECT_TRUE(sent(expected));
}

TEST_F(Blocks, ARefusedCopySourceIsNeverPasted) {
  // A copied compound node has the type "COMPND"; a compound from the list has none.
  reply({addCopy("DNCPYNEX", "C", "CC", "COMPND")});
  const struct {
    const char* key;
    const char* text;
  } cases[] = {{"A", "Can not Copy at this location"},
               {"CC", "QUORIN SAYS: Can not Copy Compounds"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    select("A:B1");
    button("CopyPB")->click();  // a good source first, which the refusal replaces
    prompter.clear();
    select(c.key);
    button("CopyPB")->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.showed(0, "Error", c.text, Prompter::Icon::Exclamation, QMessageBox::Ok));
    EXPECT_EQ(ops().copySrcBlk(), c.key);
    EXPECT_FALSE(button("PastePB")->isEnabled());
    // Clicking a block afterwards does not offer the refused source for pasting either.
    select("C:D1");
    EXPECT_FALSE(button("PastePB")->isEnabled());
    ops().paste();
    EXPECT_EQ(prompter.shown.size(), 1);
  }
  EXPECT_TRUE(nothingSent());
}

TEST_F(Blocks, CopyAnswersInsertTheCopyAndOnlyTheWFormsSelectIt) {
  const struct {
    QString line;
    bool selects;
    const char* box;
    const char* boxText;
  } cases[] = {
      {addCopy("DNCPYNEW", "C:---END_C", "C:X1", "CALCA"), true, nullptr, nullptr},
      {addCopy("DNCPYNEX", "C:---END_C", "C:X1", "CALCA"), false, nullptr, nullptr},
      {addCopy("WRNCPYNEW", "C:---END_C", "C:X1", "CALCA", "inputs not copied"), true,
       "COPY Warning: C:X1", "WARNING: inputs not copied"},
      {addCopy("ERRCPYNEW", "C:---END_C", "C:X1", "CALCA", "no room"), false, "COPY Error: C:X1",
       "ERROR: no room"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    select("A:B2");
    prompter.clear();
    form().updStatBar(QString(), 3);
    reply({c.line});
    const bool inserted = c.line.startsWith("DN") || c.line.startsWith("WRN");
    EXPECT_EQ(keys(),
              inserted ? "A[A:B1 A:B2 A:---END_A] C[C:D1 C:X1 C:---END_C] ***END***" : kTree);
    if (inserted) {
      EXPECT_EQ(node("C:X1")->text(0), nodeText("X1", "CALCA"));
      EXPECT_EQ(node("C:X1")->foreground(0).color(), QColor(0, 0, 255));
    }
    EXPECT_EQ(tree().currSelBlk(), c.selects ? "C:X1" : "A:B2");
    EXPECT_EQ(status(), inserted ? "COPY: C:X1" : "");
    if (c.box) {
      ASSERT_EQ(prompter.shown.size(), 1);
      EXPECT_TRUE(prompter.showed(0, c.box, c.boxText, Prompter::Icon::Exclamation));
    } else {
      EXPECT_TRUE(prompter.shown.isEmpty());
    }
  }
  // A copied compound's node shows the record from its name on.
  reply({addCopy("DNCPYNEX", "***END***", "CC", "COMPND")});
  EXPECT_EQ(node("CC")->text(0), QString("CC").leftJustified(26, u' ') + "COMPND");
}

// ---- Move From and Move To --------------------------------------------------------------

TEST_F(Blocks, MoveFromHighlightsTheSourcePassesToAnotherAndIsCalledOff) {
  select("A:B1");
  button("MoveFromPB")->click();
  EXPECT_EQ(highlighted(), "A:B1");
  EXPECT_EQ(ops().moveSrcBlk(), "A:B1");
  EXPECT_EQ(ops().moveSrcTyp(), "AIN");
  EXPECT_TRUE(button("MoveToPB")->isEnabled());
  select("C:---END_C");
  EXPECT_TRUE(button("MoveToPB")->isEnabled());

  // Another source: the first one gets its background back.
  select("C:D1");
  button("MoveFromPB")->click();
  EXPECT_EQ(highlighted(), "C:D1");
  EXPECT_EQ(node("A:B1")->background(0).style(), Qt::NoBrush);
  EXPECT_EQ(ops().moveSrcBlk(), "C:D1");

  // The source again: the move is off.
  button("MoveFromPB")->click();
  EXPECT_EQ(highlighted(), "");
  EXPECT_EQ(ops().moveSrcBlk(), "");
  EXPECT_FALSE(button("MoveToPB")->isEnabled());
  select("A:B2");
  EXPECT_FALSE(button("MoveToPB")->isEnabled());
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_TRUE(nothingSent());
}

TEST_F(Blocks, MoveFromRefusesCompoundsAndKeepsAPendingMove) {
  reply({addCopy("DNCPYNEX", "C", "CC", "COMPND")});
  select("A");
  button("MoveFromPB")->click();
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "Error", "Can not move from this location",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_FALSE(button("MoveToPB")->isEnabled());
  EXPECT_EQ(highlighted(), "");

  select("CC");
  prompter.clear();
  button("MoveFromPB")->click();
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(0, "Error", "Can not move from this location"));
  EXPECT_TRUE(prompter.showed(1, "Error", "QUORIN SAYS: Can not MOVE Compounds yet"));

  // With a move pending, a compound as the source changes nothing.
  select("A:B2");
  button("MoveFromPB")->click();
  select("A");
  prompter.clear();
  button("MoveFromPB")->click();
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_EQ(ops().moveSrcBlk(), "A:B2");
  EXPECT_EQ(highlighted(), "A:B2");
  EXPECT_TRUE(nothingSent());
}

TEST_F(Blocks, MoveToSendsThePlaceAndThePendingSourceButNotTheSourceItself) {
  ops().moveTo();  // nothing pending
  select("A:B1");
  button("MoveFromPB")->click();
  ops().moveTo();  // the source is the selection
  EXPECT_TRUE(nothingSent());
  select("C:---END_C");
  button("MoveToPB")->click();
  select("C:D1");
  button("MoveToPB")->click();
  EXPECT_TRUE(sent({"MOVEBLK:C:---END_C A:B1 AIN", "MOVEBLK:C:D1 A:B1 AIN"}));
  EXPECT_EQ(ops().moveSrcBlk(), "A:B1");  // until the server confirms
}

TEST_F(Blocks, MoveAnswersReplaceTheNodeAndTheKFormsEndThePendingMove) {
  const struct {
    QString line;
    bool ends;  // selects the moved node and ends the pending move
    const char* box;
    const char* boxText;
  } cases[] = {
      {move("DNMOVEBLK", "A:---END_A", "A:B1", "AIN"), true, nullptr, nullptr},
      {move("DNMOVEBLX", "A:---END_A", "A:B1", "AIN"), false, nullptr, nullptr},
      {move("WRNMOVEBLK", "A:---END_A", "A:B1", "AIN", "still named"), true, "MOVE Warning: A:B1",
       "WARNING: still named"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    select("A:B1");
    button("MoveFromPB")->click();
    select("C:D1");
    prompter.clear();
    reply({c.line});
    EXPECT_EQ(keys(), "A[A:B2 A:B1 A:---END_A] C[C:D1 C:---END_C] ***END***");
    EXPECT_EQ(node("A:B1")->text(0), nodeText("B1", "AIN"));
    EXPECT_EQ(node("A:B1")->foreground(0).color(), QColor(0, 0, 255));
    EXPECT_EQ(highlighted(), "");  // the node is made anew
    EXPECT_EQ(status(), "MOVE: A:B1");
    EXPECT_EQ(tree().currSelBlk(), c.ends ? "A:B1" : "C:D1");
    EXPECT_EQ(ops().moveSrcBlk(), c.ends ? "" : "A:B1");
    EXPECT_EQ(button("MoveFromPB")->isEnabled(), !c.ends);
    EXPECT_EQ(button("MoveToPB")->isEnabled(), !c.ends);
    if (c.box) {
      ASSERT_EQ(prompter.shown.size(), 1);
      EXPECT_TRUE(prompter.showed(0, c.box, c.boxText, Prompter::Icon::Exclamation));
    } else {
      EXPECT_TRUE(prompter.shown.isEmpty());
    }
    EXPECT_TRUE(nothingSent());
  }
  // The next click offers both buttons again.
  select("A:B2");
  EXPECT_TRUE(button("MoveFromPB")->isEnabled());
}

TEST_F(Blocks, ARefusedMoveLeavesTheTreeAndTheMovePending) {
  select("A:B1");
  button("MoveFromPB")->click();
  select("A:B2");
  reply({move("ERRMOVEBLK", "A:B2", "A:B1", "AIN", "A:B1 is already at that place")});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "MOVE Error: A:B1", "ERROR: A:B1 is already at that place",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_EQ(keys(), kTree);
  EXPECT_EQ(ops().moveSrcBlk(), "A:B1");
  EXPECT_EQ(highlighted(), "A:B1");
}

TEST_F(Blocks, AMoveIntoAnotherCompoundRenamesTheNodeOfTheSourceItAnswers) {
  select("A:B1");
  button("MoveFromPB")->click();
  select("C:D1");
  button("MoveToPB")->click();
  reply({move("DNMOVEBLK", "C:D1", "C:B1", "AIN")});
  EXPECT_EQ(keys(), "A[A:B2 A:---END_A] C[C:B1 C:D1 C:---END_C] ***END***");
  EXPECT_EQ(tree().currSelBlk(), "C:B1");
  EXPECT_EQ(highlighted(), "");
  EXPECT_EQ(ops().moveSrcBlk(), "");
  EXPECT_EQ(status(), "MOVE: C:B1");
  EXPECT_TRUE(sent({"MOVEBLK:C:D1 A:B1 AIN"}));  // and no reload
}

TEST_F(Blocks, AMoveWhoseOldNodeIsUnknownReloadsTheList) {
  const struct {
    const char* why;
    const char* source;  // pending move source, if any
    QString line;
  } cases[] = {
      {"X form", "A:B1", move("DNMOVEBLX", "C:D1", "C:B1", "AIN")},
      {"no source", nullptr, move("DNMOVEBLK", "C:D1", "C:B1", "AIN")},
      {"other source", "A:B2", move("WRNMOVEBLK", "C:D1", "C:B1", "AIN", "x")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    reload();
    cancelMove();
    if (c.source) {
      select(c.source);
      button("MoveFromPB")->click();
    }
    server.commands.clear();
    reply({c.line});
    EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
    EXPECT_EQ(status(), "MOVE: C:B1 does not fit the tree shown; reloading the block list");
    EXPECT_EQ(node("C:B1"), nullptr);  // nothing half done before the list comes
    EXPECT_EQ(keys(), kTree);
  }
}

// ---- Delete -----------------------------------------------------------------------------

TEST_F(Blocks, DeleteAsksFirstAndSendsOnlyOnYes) {
  select("A:B2");
  prompter.answer(QMessageBox::No);
  button("DelPB")->click();
  EXPECT_TRUE(nothingSent());
  prompter.answer(QMessageBox::Yes);
  button("DelPB")->click();
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(1, "Are you sure", "Delete: A:B2", Prompter::Icon::Question,
                              QMessageBox::Yes | QMessageBox::No));
  select("C");
  prompter.answer(QMessageBox::Yes);
  button("DelPB")->click();
  EXPECT_TRUE(sent({"DELBLK:A:B2", "DELBLK:C"}));
}

TEST_F(Blocks, DeleteAnswersRemoveTheNodeAndTheKFormSelectsTheNextOne) {
  const struct {
    const char* line;
    const char* gone;
    const char* selected;  // after the answer
    const char* tree;
  } cases[] = {
      // The last block of a compound is followed by the compound's end entry.
      {"DNDELBLKA:B2", "A:B2", "A:---END_A", "A[A:B1 A:---END_A] C[C:D1 C:---END_C] ***END***"},
      {"DNDELBLXA:B2", "A:B2", "C:D1", "A[A:B1 A:---END_A] C[C:D1 C:---END_C] ***END***"},
      {"DNDELBLKC", "C", "***END***", "A[A:B1 A:B2 A:---END_A] ***END***"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    reload();
    select("C:D1");
    reply({c.line});
    EXPECT_EQ(keys(), c.tree);
    EXPECT_EQ(node(c.gone), nullptr);
    EXPECT_EQ(tree().currSelBlk(), c.selected);
    EXPECT_EQ(status(), QStringLiteral("DEL: ") + c.gone);
  }
  prompter.clear();
  button("AddPB")->setFocus();
  ASSERT_EQ(form().focusWidget(), button("AddPB"));
  reply({"ERRDELBLKcompound A still holds 3 blocks", "WRNDELBLKhistory kept"});
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(0, "DELETE Error", "ERROR: compound A still holds 3 blocks",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_TRUE(prompter.showed(1, "DELETE Warning", "WARNING: history kept",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_EQ(keys(), "A[A:B1 A:B2 A:---END_A] ***END***");
  EXPECT_EQ(form().focusWidget(), ui<QTreeWidget>("TreeView1"));
  EXPECT_TRUE(nothingSent());
}

TEST_F(Blocks, DeletingThePendingSourceEndsTheMoveAndLeavesNoHighlight) {
  select("A:B1");
  button("MoveFromPB")->click();
  reply({"DNDELBLXA:B1"});
  EXPECT_EQ(ops().moveSrcBlk(), "");
  EXPECT_EQ(highlighted(), "");
  select("C:D1");
  EXPECT_FALSE(button("MoveToPB")->isEnabled());
  ops().moveTo();
  // A new source is highlighted alone: no colour is given back to a node that took the
  // deleted one's place.
  select("A:B2");
  button("MoveFromPB")->click();
  EXPECT_EQ(highlighted(), "A:B2");
  EXPECT_TRUE(nothingSent());
}

// ---- the tree kept in step --------------------------------------------------------------

TEST_F(Blocks, TheHighlightFollowsItsNodeWhenNodesComeAndGoBeforeIt) {
  select("C:D1");
  button("MoveFromPB")->click();
  reply({addCopy("DNADDNEX", "A:B1", "A:B0", "AIN"), "DNDELBLXA:B2",
         addCopy("DNCPYNEX", "C:D1", "C:D0", "AIN")});
  EXPECT_EQ(keys(), "A[A:B0 A:B1 A:---END_A] C[C:D0 C:D1 C:---END_C] ***END***");
  EXPECT_EQ(highlighted(), "C:D1");
  select("A:B1");
  button("MoveFromPB")->click();
  EXPECT_EQ(highlighted(), "A:B1");
  // A new list forgets the highlight but not the pending move.
  reload();
  EXPECT_EQ(highlighted(), "");
  EXPECT_EQ(ops().moveSrcBlk(), "A:B1");
  select("C:D1");
  EXPECT_TRUE(button("MoveToPB")->isEnabled());
  button("MoveFromPB")->click();
  EXPECT_EQ(highlighted(), "C:D1");
}

TEST_F(Blocks, AnAnswerThatDoesNotFitTheTreeIsReportedAndTheListReloaded) {
  const struct {
    QString line;
    const char* status;
  } cases[] = {
      {addCopy("DNADDNEW", "A:NOSUCH", "A:NEW", "AIN"), "ADD: A:NEW"},
      {addCopy("DNADDNEW", "A:B2", "A:B1", "AIN"), "ADD: A:B1"},  // there already
      {addCopy("WRNCPYNEW", "C:NOSUCH", "C:X1", "AIN", "w"), "COPY: C:X1"},
      {addCopy("DNCPYNEX", "C:D1", "C:D1", "AIN"), "COPY: C:D1"},
      {move("DNMOVEBLK", "C:NOSUCH", "A:B1", "AIN"), "MOVE: A:B1"},
      {"DNDELBLKA:NOSUCH", "DEL: A:NOSUCH"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    select("A:B1");
    server.commands.clear();
    reply({c.line});
    EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
    EXPECT_EQ(status(),
              c.status + QStringLiteral(" does not fit the tree shown; reloading the block list"));
    EXPECT_EQ(keys(), kTree);  // nothing lost before the list comes
  }
  // The list that comes puts things right.
  reload();
  EXPECT_TRUE(ui<QGroupBox>("CBFRM")->isVisible());
  // A deletion in "X" form of a block the list leaves out has nothing to put right.
  server.commands.clear();
  reply({"DNDELBLXCP6001_ECB:FBM01"});
  EXPECT_EQ(status(), "DEL: CP6001_ECB:FBM01");
  EXPECT_TRUE(nothingSent());
}

TEST_F(Blocks, TypedNamesThatWouldShiftTheCommandsFieldsAreRefused) {
  giveTypes({"AIN"});
  struct Path {
    const char* select;
    const char* button;
    const char* title;
  };
  select("A:B1");
  button("CopyPB")->click();
  const Path paths[] = {{"A", "AddPB", "New Compound"},
                        {"A:B1", "AddPB", "New Block"},
                        {"C:D1", "PastePB", "New Block"}};
  for (const Path& p : paths) {
    for (const char* typed : {"a b", "C:B9", "x\ty", " lead"}) {
      SCOPED_TRACE(std::string(p.button) + " " + typed);
      select(p.select);
      prompter.clear();
      prompter.answerInput(typed);
      button(p.button)->click();
      ASSERT_EQ(prompter.shown.size(), 2);
      EXPECT_TRUE(prompter.showed(
          1, p.title,
          "A block or compound name can not contain blanks, colons or control characters.",
          Prompter::Icon::Exclamation, QMessageBox::Ok));
      EXPECT_FALSE(chooser().isVisible());
    }
  }
  // The chooser left open by an earlier Add has no name to send once a later one is refused.
  select("A:B1");
  prompter.answerInput("good");
  button("AddPB")->click();
  ASSERT_TRUE(chooser().isVisible());
  prompter.answerInput("bad name");
  button("AddPB")->click();
  chooser().OKButton->click();
  EXPECT_TRUE(nothingSent());
}

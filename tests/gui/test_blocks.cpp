// Adding, copying, moving and deleting blocks against a recording fake server: the commands
// the buttons send, the type chooser, the refusals, and what every answer does to the tree,
// the selection, the status bar and the move highlight.
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "blocks/BlockTypesFRM.h"
#include "blocks/BlocksController.h"
#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using blocks::BlocksController;

namespace {

// A reply record: keyword field 9 wide for add and copy, 10 for move.
QString rec(std::size_t width, const char* keyword, const char* relKey, const char* name,
            const char* type = "AIN", const char* message = "") {
  return q(recordLine(width, keyword, relKey, name, type, message));
}

const QString kTree = "A[A:B1 A:B2 A:---END_A] C[C:D1 C:---END_C] ***END***";
const QString kReloading = " does not fit the tree shown; reloading the block list";

}  // namespace

class Blocks : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({});
    reload();
  }

  void reload() {
    reply({"CLRBLKLST", cmp(1, "A"), blk(2, "B1", "AIN"), blk(3, "B2", "PID"),
           blk(4, "---END_A", ""), cmp(5, "C"), blk(6, "D1", "AIN"), blk(7, "---END_C", ""), end(8),
           "DNBLKLST"});
    ASSERT_EQ(keys(), kTree);
  }
  BlocksController& ops() { return client->blocks(); }
  blocks::BlockTypesFRM& chooser() { return ops().blockTypes(); }
  QTreeWidgetItem* node(const QString& key) { return client->tree().blocks().find(key); }
  QString selected() { return client->tree().currSelBlk(); }
  QString status() { return form().panelText(3); }
  void select(const QString& key) {
    ASSERT_TRUE(client->tree().selectNode(key)) << qPrintable(key);
  }

  // Calls off a pending move, then makes `key`, if any, the move source.
  void startMove(const char* key) {
    if (!ops().moveSrcBlk().isEmpty()) moveFrom(ops().moveSrcBlk());
    if (key) moveFrom(key);
    ASSERT_EQ(ops().moveSrcBlk(), key ? key : "");
  }
  void moveFrom(const QString& key) {
    select(key);
    button("MoveFromPB")->click();
  }
  // The keys of the nodes shown with the move-source background.
  QString highlighted() {
    QStringList lit;
    for (QTreeWidgetItem* n :
         ui<QTreeWidget>("TreeView1")->findItems("*", Qt::MatchWildcard | Qt::MatchRecursive)) {
      const QBrush back = n->background(0);
      if (back.style() != Qt::NoBrush && back.color() == BlocksController::highlightColour())
        lit << browser::BlockTree::keyOf(n);
    }
    return lit.join(u' ');
  }

  void giveTypes(const QStringList& types) {
    QStringList lines = {"BLKTYPNEW"};
    for (const QString& t : types) lines << "BLKTYP   " + t;
    reply(lines);
  }
  void chooseType(const QString& type) {
    chooser().BlockTypesCB->setCurrentIndex(chooser().BlockTypesCB->findText(type));
    ASSERT_EQ(chooser().chosenType(), type);
  }
};

// ---- commands ---------------------------------------------------------------------------

TEST_F(Blocks, EachButtonSendsItsCommandForTheSelection) {
  giveTypes({"AIN", "PID"});
  select("A:B1");
  button("CopyPB")->click();  // the source of the paste below
  const struct {
    const char* select;
    const char* button;
    const char* typed;  // null: a question answered Yes
    const char* type;   // chosen in the type chooser, if it comes
    QString box;        // title|prompt
    const char* command;
  } cases[] = {
      {"C:---END_C", "AddPB", "Xy_2", "AIN", "New Block|Enter New Block Name",
       "ADDNEW:C:XY_2 C:---END_C AIN"},
      {"A", "AddPB", "newc", nullptr, "New Compound|Enter New Compound Name",
       "ADDNEW:NEWC A COMPND"},
      {"C:D1", "PastePB", "x2", nullptr, "New Block|Enter New Block Name",
       "CPYNEW:C:X2 A:B1 AIN C:D1"},
      {"C", "DelPB", nullptr, nullptr, "Are you sure|Delete: C", "DELBLK:C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " on " + c.select);
    select(c.select);
    prompter.clear();
    if (c.typed) prompter.answerInput(c.typed);
    button(c.button)->click();
    EXPECT_TRUE(prompter.showed(0, c.box.section(u'|', 0, 0), c.box.section(u'|', 1)));
    EXPECT_EQ(prompter.shown.value(0).isInput, c.typed != nullptr);
    if (c.type) {
      EXPECT_TRUE(sent({}));
      ASSERT_TRUE(chooser().isVisible());
      chooseType(c.type);
      chooser().OKButton->click();
    }
    EXPECT_TRUE(sent({c.command}));
  }
  EXPECT_TRUE(prompter.showed(0, "Are you sure", "Delete: C", Prompter::Icon::Question,
                              QMessageBox::Yes | QMessageBox::No));
  startMove("A:B1");
  for (const char* place : {"C:---END_C", "C:D1"}) {
    select(place);
    button("MoveToPB")->click();
  }
  EXPECT_TRUE(sent({"MOVEBLK:C:---END_C A:B1 AIN", "MOVEBLK:C:D1 A:B1 AIN"}));
}

TEST_F(Blocks, NothingIsSentWhenTheUserBacksOut) {
  giveTypes({"AIN"});
  for (const char* key : {"A:B1", "A"}) {
    select(key);
    prompter.cancelInput();
    button("AddPB")->click();
    prompter.answerInput("");
    button("AddPB")->click();
  }
  prompter.answer(QMessageBox::No);
  button("DelPB")->click();
  ops().moveTo();  // no move pending
  startMove("A:B2");
  button("MoveToPB")->click();  // the source itself is selected
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_TRUE(sent({}));
}

TEST_F(Blocks, TypeChooserIsMadeOnceKeepsTheServersListRefusesCompndAndTakesEnter) {
  giveTypes({"OLD"});
  giveTypes({"AIN", "COMPND", "PID"});
  blocks::BlockTypesFRM* first = &chooser();
  EXPECT_EQ(chooser().types(), QStringList({"AIN", "COMPND", "PID"}));
  EXPECT_EQ(chooser().windowTitle(), "Choose Block Type");
  EXPECT_TRUE(chooser().windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  select("A:B1");
  prompter.answerInput("n1");
  button("AddPB")->click();
  chooseType("COMPND");
  chooser().OKButton->click();
  EXPECT_TRUE(prompter.showed(1, "Add Compound ERROR", "Can not insert COMPND at this location",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_TRUE(chooser().isVisible());
  chooser().CancelButton->click();
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_EQ(ops().pendingNewName(), "N1");  // kept for the next confirmation
  EXPECT_TRUE(sent({}));

  prompter.answerInput("n2");
  button("AddPB")->click();
  EXPECT_EQ(&chooser(), first);
  chooseType("PID");
  QTest::keyClick(chooser().BlockTypesCB, Qt::Key_Return);
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_TRUE(sent({"ADDNEW:A:N2 A:B1 PID"}));
}

// ---- refusals ---------------------------------------------------------------------------

TEST_F(Blocks, CompoundsAreNeitherCopiedNorMovedAndARefusedCopyIsNeverPasted) {
  // A copied compound's node has the type "COMPND"; a listed compound has none.
  reply({rec(9, "DNCPYNEX", "C", "CC", "COMPND")});
  EXPECT_EQ(node("CC")->text(0), QString("CC").leftJustified(26, u' ') + "COMPND");
  const struct {
    const char* key;
    const char* button;
    QStringList texts;  // of the boxes titled "Error"
  } cases[] = {
      {"A", "CopyPB", {"Can not Copy at this location"}},
      {"CC", "CopyPB", {"QUORIN SAYS: Can not Copy Compounds"}},
      {"A", "MoveFromPB", {"Can not move from this location"}},
      {"CC",
       "MoveFromPB",
       {"Can not move from this location", "QUORIN SAYS: Can not MOVE Compounds yet"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.button) + " on " + c.key);
    select("A:B1");
    button("CopyPB")->click();  // a good copy source first, which a refused one replaces
    select(c.key);
    prompter.clear();
    button(c.button)->click();
    ASSERT_EQ(prompter.shown.size(), c.texts.size());
    for (qsizetype i = 0; i < c.texts.size(); ++i)
      EXPECT_TRUE(prompter.showed(i, "Error", c.texts[i], Prompter::Icon::Exclamation));
    EXPECT_FALSE(button("PastePB")->isEnabled() || button("MoveToPB")->isEnabled());
    EXPECT_EQ(ops().moveSrcBlk(), "");
    select("C:D1");  // a block offers Paste only for a source that was taken
    const bool copy = c.button == std::string("CopyPB");
    EXPECT_EQ(button("PastePB")->isEnabled(), !copy);
    if (copy) ops().paste();  // not even asked for a name
    EXPECT_EQ(prompter.shown.size(), c.texts.size());
  }
  // With a move pending, a compound as the source changes nothing and says nothing.
  startMove("A:B2");
  select("A");
  prompter.clear();
  button("MoveFromPB")->click();
  EXPECT_TRUE(prompter.shown.isEmpty());
  EXPECT_EQ(ops().moveSrcBlk(), "A:B2");
  EXPECT_EQ(highlighted(), "A:B2");
  EXPECT_TRUE(sent({}));
}

TEST_F(Blocks, TypedNamesThatWouldShiftTheCommandsFieldsAreRefused) {
  giveTypes({"AIN"});
  select("A:B1");
  button("CopyPB")->click();
  const std::tuple<const char*, const char*, const char*> paths[] = {
      {"A", "AddPB", "a b"}, {"A:B1", "AddPB", "C:B9"}, {"C:D1", "PastePB", "x\ty"}};
  for (const auto& [key, which, typed] : paths) {
    SCOPED_TRACE(std::string(which) + " " + typed);
    select(key);
    prompter.clear();
    prompter.answerInput(typed);
    button(which)->click();
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_TRUE(prompter.showed(
        1, prompter.shown[0].title,
        "A block or compound name can not contain blanks, colons or control characters.",
        Prompter::Icon::Exclamation, QMessageBox::Ok));
    EXPECT_FALSE(chooser().isVisible());
  }
  // A chooser left open by an earlier Add has no name to send once a later one is refused.
  prompter.answerInput("good");
  button("AddPB")->click();
  prompter.answerInput("bad name");
  button("AddPB")->click();
  chooser().OKButton->click();
  EXPECT_TRUE(sent({}));
}

// ---- answers ----------------------------------------------------------------------------

TEST_F(Blocks, AnswersUpdateTheTreeTheSelectionTheMoveAndTheStatusBar) {
  const QString added = "A[A:B1 A:NEW A:B2 A:---END_A] C[C:D1 C:---END_C] ***END***";
  const QString copied = "A[A:B1 A:B2 A:---END_A] C[C:D1 C:X1 C:---END_C] ***END***";
  const QString moved = "A[A:B2 A:B1 A:---END_A] C[C:D1 C:---END_C] ***END***";
  const QString noB2 = "A[A:B1 A:---END_A] C[C:D1 C:---END_C] ***END***";
  const struct {
    const char* source;  // a pending move source before the answer
    QString line;
    QString tree;
    const char* selected;  // C:D1 is selected before the answer
    const char* status;
    const char* box = nullptr;  // "title|text"
    const char* pendingAfter = nullptr;
    const char* highlightAfter = nullptr;
  } cases[] = {
      {nullptr, rec(9, "DNADDNEW", "A:B2", "A:NEW"), added, "A:NEW", "ADD: A:NEW"},
      {nullptr, rec(9, "DNADDNEX", "A:B2", "A:NEW"), added, "C:D1", "ADD: A:NEW"},
      {nullptr, rec(9, "WRNADDNEW", "A:B2", "A:NEW", "AIN", "check it"), added, "A:NEW",
       "ADD: A:NEW", "ADD Warning: A:NEW|WARNING: check it"},
      {nullptr, rec(9, "ERRADDNEW", "A:B2", "A:B1", "AIN", "A:B1 exists"), kTree, "C:D1", "",
       "ADD Error: A:B1|ERROR: A:B1 exists"},
      {nullptr, rec(9, "DNCPYNEW", "C:---END_C", "C:X1"), copied, "C:X1", "COPY: C:X1"},
      {nullptr, rec(9, "DNCPYNEX", "C:---END_C", "C:X1"), copied, "C:D1", "COPY: C:X1"},
      {nullptr, rec(9, "WRNCPYNEW", "C:---END_C", "C:X1", "AIN", "w"), copied, "C:X1", "COPY: C:X1",
       "COPY Warning: C:X1|WARNING: w"},
      {nullptr, rec(9, "ERRCPYNEW", "C:---END_C", "C:X1", "AIN", "no"), kTree, "C:D1", "",
       "COPY Error: C:X1|ERROR: no"},
      {"A:B1", rec(10, "DNMOVEBLK", "A:---END_A", "A:B1"), moved, "A:B1", "MOVE: A:B1"},
      {"A:B1", rec(10, "DNMOVEBLX", "A:---END_A", "A:B1"), moved, "C:D1", "MOVE: A:B1", nullptr,
       "A:B1"},
      {"A:B1", rec(10, "WRNMOVEBLK", "A:---END_A", "A:B1", "AIN", "named"), moved, "A:B1",
       "MOVE: A:B1", "MOVE Warning: A:B1|WARNING: named"},
      {"A:B1", rec(10, "ERRMOVEBLK", "A:B2", "A:B1", "AIN", "there"), kTree, "C:D1", "",
       "MOVE Error: A:B1|ERROR: there", "A:B1", "A:B1"},
      // Into another compound the block takes that compound's name.
      {"A:B1", rec(10, "DNMOVEBLK", "C:D1", "C:B1"),
       "A[A:B2 A:---END_A] C[C:B1 C:D1 C:---END_C] ***END***", "C:B1", "MOVE: C:B1"},
      // The last block of a compound is followed by its end entry.
      {nullptr, "DNDELBLKA:B2", noB2, "A:---END_A", "DEL: A:B2"},
      {nullptr, "DNDELBLXA:B2", noB2, "C:D1", "DEL: A:B2"},
      {nullptr, "DNDELBLKC", "A[A:B1 A:B2 A:---END_A] ***END***", "***END***", "DEL: C"},
      {"A:B2", "DNDELBLXA:B2", noB2, "C:D1", "DEL: A:B2"},  // the source goes with its move
      {nullptr, "ERRDELBLKcompound A holds blocks", kTree, "C:D1", "",
       "DELETE Error|ERROR: compound A holds blocks"},
      {nullptr, "WRNDELBLKkept", kTree, "C:D1", "", "DELETE Warning|WARNING: kept"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    startMove(c.source);
    select("C:D1");
    prompter.clear();
    form().updStatBar(QString(), 3);
    reply({c.line});
    EXPECT_EQ(keys(), c.tree);
    EXPECT_EQ(selected(), c.selected);
    EXPECT_EQ(status(), c.status);
    const QString box = c.box;
    ASSERT_EQ(prompter.shown.size(), box.isEmpty() ? 0 : 1);
    if (c.box) {
      EXPECT_TRUE(prompter.showed(0, box.section(u'|', 0, 0), box.section(u'|', 1),
                                  Prompter::Icon::Exclamation, QMessageBox::Ok));
    }
    EXPECT_EQ(ops().moveSrcBlk(), c.pendingAfter ? c.pendingAfter : "");
    EXPECT_EQ(highlighted(), c.highlightAfter ? c.highlightAfter : "");
    if (c.line.startsWith("DNMOVEBLK") || c.line.startsWith("WRNMOVEBLK")) {  // until a click
      EXPECT_FALSE(button("MoveFromPB")->isEnabled() || button("MoveToPB")->isEnabled());
    }
    const QString name = QString(c.status).section(": ", 1);
    if (QTreeWidgetItem* made = c.tree != kTree ? node(name) : nullptr) {
      EXPECT_EQ(made->text(0), name.section(u':', 1).leftJustified(18, u' ') + "AIN");
      EXPECT_EQ(made->foreground(0).color(), QColor(0, 0, 255));
    }
    EXPECT_TRUE(sent({}));
  }
}

TEST_F(Blocks, ACompoundAddedReloadsTheList) {
  reply({rec(9, "DNADDNEW", "C", "NEWC", "COMPND")});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  EXPECT_EQ(node("NEWC"), nullptr);
  EXPECT_EQ(status(), "ADD: NEWC");
}

TEST_F(Blocks, AnAnswerThatDoesNotFitTheTreeIsReportedAndTheListReloaded) {
  const struct {
    const char* source;
    QString line;
    const char* status;
  } cases[] = {
      {nullptr, rec(9, "DNADDNEW", "A:NOSUCH", "A:NEW"), "ADD: A:NEW"},
      {nullptr, rec(9, "DNADDNEW", "A:B2", "A:B1"), "ADD: A:B1"},  // there already
      {nullptr, rec(9, "WRNCPYNEW", "C:NOSUCH", "C:X1", "AIN", "w"), "COPY: C:X1"},
      {nullptr, rec(10, "DNMOVEBLK", "C:NOSUCH", "A:B1"), "MOVE: A:B1"},
      // A renamed block whose old node is not known for sure.
      {"A:B1", rec(10, "DNMOVEBLX", "C:D1", "C:B1"), "MOVE: C:B1"},
      {nullptr, rec(10, "DNMOVEBLK", "C:D1", "C:B1"), "MOVE: C:B1"},
      {"A:B2", rec(10, "WRNMOVEBLK", "C:D1", "C:B1", "AIN", "w"), "MOVE: C:B1"},
      {nullptr, "DNDELBLKA:NOSUCH", "DEL: A:NOSUCH"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    startMove(c.source);
    reply({c.line});
    EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
    EXPECT_EQ(status(), c.status + kReloading);
    EXPECT_EQ(keys(), kTree);  // nothing lost or half done before the list comes
  }
  // A deletion in "X" form of a block the list leaves out has nothing to put right.
  reload();
  reply({"DNDELBLXCP6001_ECB:FBM01"});
  EXPECT_EQ(status(), "DEL: CP6001_ECB:FBM01");
  EXPECT_TRUE(sent({}));
}

// ---- the move highlight -----------------------------------------------------------------

TEST_F(Blocks, TheHighlightPassesFromSourceToSourceIsCalledOffAndFollowsItsNode) {
  moveFrom("A:B1");
  EXPECT_EQ(highlighted(), "A:B1");
  EXPECT_EQ(ops().moveSrcTyp(), "AIN");
  EXPECT_TRUE(button("MoveToPB")->isEnabled());
  select("C:---END_C");
  EXPECT_TRUE(button("MoveToPB")->isEnabled());
  moveFrom("C:D1");
  EXPECT_EQ(highlighted(), "C:D1");
  EXPECT_EQ(ops().moveSrcBlk(), "C:D1");
  EXPECT_EQ(node("A:B1")->background(0).style(), Qt::NoBrush);

  // Nodes added and removed before it leave the colour where it is.
  reply({rec(9, "DNADDNEX", "A:B1", "A:B0"), "DNDELBLXA:B2", rec(9, "DNCPYNEX", "C:D1", "C:D0")});
  EXPECT_EQ(keys(), "A[A:B0 A:B1 A:---END_A] C[C:D0 C:D1 C:---END_C] ***END***");
  EXPECT_EQ(highlighted(), "C:D1");
  moveFrom("A:B0");
  EXPECT_EQ(highlighted(), "A:B0");

  // Chosen again, the source calls the move off.
  moveFrom("A:B0");
  EXPECT_EQ(ops().moveSrcBlk(), "");
  EXPECT_EQ(highlighted(), "");
  EXPECT_FALSE(button("MoveToPB")->isEnabled());
  select("C:D1");
  EXPECT_FALSE(button("MoveToPB")->isEnabled());

  // A new list forgets the highlight but not the pending move.
  moveFrom("C:D1");
  reload();
  EXPECT_EQ(highlighted(), "");
  select("A:B1");
  EXPECT_TRUE(button("MoveToPB")->isEnabled());
  EXPECT_TRUE(sent({}));
}

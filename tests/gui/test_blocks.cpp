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
};

// ---- commands ---------------------------------------------------------------------------

TEST_F(Blocks, ButtonsAskThenSendTheirCommandsAndNothingWhenTheUserBacksOut) {
  giveTypes({"AIN", "PID"});
  const QString block = "New Block|Enter New Block Name", del = "Are you sure|Delete: C";
  const QString compound = "New Compound|Enter New Compound Name";
  const QString bad =
      "|A block or compound name can not contain blanks, colons or control characters.";
  const struct {
    QString steps;
    QString boxes;  // title|text of each box shown, joined by "; "
    QString sent;   // joined by "; "
  } cases[] = {
      {"select C:---END_C, type Xy_2, press AddPB, choose AIN, press OKButton", block,
       "ADDNEW:C:XY_2 C:---END_C AIN"},
      {"select A, type newc, press AddPB", compound, "ADDNEW:NEWC A COMPND"},
      {"select A:B1, press CopyPB, select C:D1, type x2, press PastePB", block,
       "CPYNEW:C:X2 A:B1 AIN C:D1"},
      {"select C, press DelPB", del, "DELBLK:C"},
      {"select A:B1, press MoveFromPB, select C:---END_C, press MoveToPB, select C:D1, "
       "press MoveToPB",
       "", "MOVEBLK:C:---END_C A:B1 AIN; MOVEBLK:C:D1 A:B1 AIN"},
      // Backing out.
      {"select A:B1, cancel, press AddPB, type , press AddPB", block + "; " + block, ""},
      {"select A, cancel, press AddPB, type , press AddPB", compound + "; " + compound, ""},
      {"select C, no, press DelPB", del, ""},
      {"select A:B2, press MoveFromPB, press MoveToPB", "", ""},  // the source itself
      // Names that would shift the command's fields.
      {"select A, type a b, press AddPB", compound + "; New Compound" + bad, ""},
      {"select A:B1, type C:B9, press AddPB", block + "; New Block" + bad, ""},
      {"select A:B1, press CopyPB, select C:D1, type x\ty, press PastePB",
       block + "; New Block" + bad, ""},
      // Latin-1 letters go in capitals; a character the wire can not carry is named, and the
      // name goes nowhere rather than as "?".
      {"select A, type \u00e9t\u00e91, press AddPB", compound, "ADDNEW:\u00c9T\u00c91 A COMPND"},
      {"select A:B1, type B\u20ac, press AddPB",
       block + "; New Block|The name holds the character \"\u20ac\" (U+20ac), which can not be "
               "sent to the server. Nothing was sent.",
       ""},
      {"select A:B1, press CopyPB, select C:D1, type \U0001F600, press PastePB",
       block + "; New Block|The name holds the character \"\U0001F600\" (U+1f600), which can "
               "not be sent to the server. Nothing was sent.",
       ""},
      // A chooser left open by an earlier Add has no name to send once a later one is refused.
      {"select A:B1, type good, press AddPB, type bad name, press AddPB, press OKButton",
       block + "; " + block + "; New Block" + bad, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps.toStdString());
    startMove(nullptr);
    prompter.clear();
    runAll(c.steps);
    EXPECT_EQ(prompter.boxes(), c.boxes);
    EXPECT_TRUE(sent(c.sent.isEmpty() ? QStringList() : c.sent.split("; ")));
    EXPECT_FALSE(chooser().isVisible());
  }
  runAll("select C, press DelPB");
  EXPECT_TRUE(prompter.showed(prompter.shown.size() - 1, "Are you sure", "Delete: C",
                              Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No));
}

TEST_F(Blocks, TypeChooserIsMadeOnceKeepsTheServersListRefusesCompndAndTakesEnter) {
  giveTypes({"OLD"});
  giveTypes({"AIN", "COMPND", "PID"});
  blocks::BlockTypesFRM* first = &chooser();
  EXPECT_EQ(chooser().types(), QStringList({"AIN", "COMPND", "PID"}));
  runAll("select A:B1, type n1, press AddPB, choose COMPND, press OKButton");
  EXPECT_EQ(prompter.boxes(),
            "New Block|Enter New Block Name; "
            "Add Compound ERROR|Can not insert COMPND at this location");
  EXPECT_TRUE(chooser().isVisible());
  run("press CancelButton");
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_EQ(ops().pendingNewName(), "N1");  // kept for the next confirmation
  EXPECT_TRUE(sent({}));
  runAll("type n2, press AddPB, choose PID");
  EXPECT_EQ(&chooser(), first);
  QTest::keyClick(inside<QComboBox>(&chooser(), "BlockTypesCB"), Qt::Key_Return);
  EXPECT_FALSE(chooser().isVisible());
  EXPECT_TRUE(sent({"ADDNEW:A:N2 A:B1 PID"}));
}

// ---- refusals ---------------------------------------------------------------------------

TEST_F(Blocks, CompoundsAreNeitherCopiedNorMovedAndARefusedCopyIsNeverPasted) {
  // A copied compound's node has the type "COMPND"; a listed compound has none.
  reply({rec(9, "DNCPYNEX", "C", "CC", "COMPND")});
  EXPECT_EQ(node("CC")->text(0), QString("CC").leftJustified(26, u' ') + "COMPND");
  const struct {
    QString press;
    QString boxes;
  } cases[] = {
      {"select A, press CopyPB", "Error|Can not Copy at this location"},
      {"select CC, press CopyPB", "Error|QUORIN SAYS: Can not Copy Compounds"},
      {"select A, press MoveFromPB", "Error|Can not move from this location"},
      {"select CC, press MoveFromPB",
       "Error|Can not move from this location; Error|QUORIN SAYS: Can not MOVE Compounds yet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.press.toStdString());
    runAll("select A:B1, press CopyPB");  // a good copy source first, which a refused one replaces
    prompter.clear();
    runAll(c.press);
    EXPECT_EQ(prompter.boxes(), c.boxes);
    EXPECT_FALSE(button("PastePB")->isEnabled() || button("MoveToPB")->isEnabled());
    EXPECT_EQ(ops().moveSrcBlk(), "");
    select("C:D1");  // a block offers Paste only for a source that was taken
    const bool copy = c.press.endsWith("CopyPB");
    EXPECT_EQ(button("PastePB")->isEnabled(), !copy);
    if (copy) emit button("PastePB")->clicked();  // even forced, not asked for a name
    EXPECT_EQ(prompter.boxes(), c.boxes);
  }
  // With a move pending, a compound as the source changes nothing and says nothing.
  startMove("A:B2");
  prompter.clear();
  runAll("select A, press MoveFromPB");
  EXPECT_EQ(prompter.boxes(), "");
  EXPECT_EQ(ops().moveSrcBlk(), "A:B2");
  EXPECT_EQ(highlighted(), "A:B2");
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
    const char* box = "";  // "title|text"
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
    EXPECT_EQ(prompter.boxes(), c.box);
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

TEST_F(Blocks, AnAnswerThatDoesNotFitTheTreeOrAddsACompoundReloadsTheList) {
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
  // A compound added is not put in by hand either: the list is asked for again.
  reply({rec(9, "DNADDNEW", "C", "NEWC", "COMPND")});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  EXPECT_EQ(node("NEWC"), nullptr);
  EXPECT_EQ(status(), "ADD: NEWC");
  // A deleted node's key is free again.
  reload();
  reply({"DNDELBLXA:B2", rec(9, "DNADDNEX", "A:---END_A", "A:B2")});
  EXPECT_EQ(keys(), kTree);
  // A deletion in "X" form of a block the list leaves out has nothing to put right.
  reply({"DNDELBLXCP6001_ECB:FBM01"});
  EXPECT_EQ(status(), "DEL: CP6001_ECB:FBM01");
  EXPECT_TRUE(sent({}));
}

// ---- the move highlight -----------------------------------------------------------------

TEST_F(Blocks, TheHighlightPassesFromSourceToSourceIsCalledOffAndFollowsItsNode) {
  moveFrom("A:B1");
  EXPECT_EQ(highlighted(), "A:B1");
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

// ---- the selection when its node goes ---------------------------------------------------

TEST_F(Blocks, WhenTheSelectedNodeGoesTheTreeTheButtonsAndTheActionsAgree) {
  // What the tree shows selected is what the buttons describe and what they act on: the
  // node the view moved to, handled as a click on it, or nothing at all.
  auto agrees = [this]() -> ::testing::AssertionResult {
    const QString shown = client->tree().selectedKey();
    if (shown != client->tree().selNodeKey())
      return ::testing::AssertionFailure() << "shown " << shown.toStdString() << ", buttons for "
                                           << client->tree().selNodeKey().toStdString();
    const QString buttons = enabledButtons();
    if (shown.isEmpty())
      return buttons.isEmpty() && selected().isEmpty() ? ::testing::AssertionSuccess()
                                                       : ::testing::AssertionFailure()
                                                             << "nothing shown, buttons "
                                                             << buttons.toStdString();
    select(shown);  // a click on it gives the same buttons
    return buttons == enabledButtons() ? ::testing::AssertionSuccess()
                                       : ::testing::AssertionFailure()
                                             << buttons.toStdString() << " against "
                                             << enabledButtons().toStdString();
  };
  const struct {
    const char* selected;
    QString line;
    const char* after;  // the node selected afterwards
  } cases[] = {
      {"A:B2", "DNDELBLXA:B2", "A:---END_A"},
      {"A:B1", rec(10, "DNMOVEBLX", "A:---END_A", "A:B1"), "A:B2"},
      // A compound goes with the selected block in it: the view moves to no other node.
      {"C:D1", "DNDELBLXC", ""},
      {"A:B1", "DNDELBLXA:B2", "A:B1"},  // another node: the selection stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    reload();
    select(c.selected);
    reply({c.line});
    EXPECT_EQ(client->tree().selectedKey(), c.after);
    EXPECT_EQ(selected(), c.after);
    EXPECT_TRUE(agrees());
  }
  // Delete and Xref act on the node shown.
  reload();
  select("A:B1");
  reply({"DNDELBLXA:B1"});
  prompter.answer(QMessageBox::No);
  button("DelPB")->click();
  EXPECT_EQ(prompter.boxes(), "Are you sure|Delete: A:B2");
  button("XrefPB")->click();
  EXPECT_TRUE(sent({"XREFBLK:A:B2"}));

  // With no node left to move to, nothing is selected and the buttons say so.
  reply({"CLRBLKLST", cmp(1, "A"), blk(2, "B1", "AIN"), "DNBLKLST"});
  select("A:B1");
  reply({"DNDELBLXA"});
  EXPECT_EQ(keys(), "");
  EXPECT_EQ(selected(), "");
  EXPECT_TRUE(agrees());
}

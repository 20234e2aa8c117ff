// The block tree: building it from the block list, and what clicking, the arrow keys and the
// space bar on its nodes select and enable, with reply lines put through the real dispatcher
// into the client; then, over a connection, what the list requests and the double click send.

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "link/dispatcher.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::browser;
using namespace tarvo::test;

class Tree : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    startClient();
    form().updStatBar(QStringLiteral("CP6001"), 2);
  }

  // Runs reply lines through the dispatcher, as if they had just arrived.
  void feed(const QStringList& lines) {
    for (const QString& line : lines) link::dispatchLine(line.toLatin1().toStdString(), *client);
  }
  void load(const QStringList& list) {
    feed(QStringList("CLRBLKLST") + list + QStringList("DNBLKLST"));
  }

  TreeController& tree() { return client->tree(); }
  QTreeWidget* view() { return ui<QTreeWidget>("TreeView1"); }
  QTreeWidgetItem* node(const QString& key) { return tree().blocks().find(key); }

  // Where the node shows, once its compound is open and it is scrolled into view.
  QPoint centreOf(const QString& key) {
    QTreeWidgetItem* item = node(key);
    if (item->parent()) item->parent()->setExpanded(true);
    view()->scrollToItem(item);
    return view()->visualItemRect(item).center();
  }
  // A mouse click on the node, as the user makes it.
  void click(const QString& key) {
    ASSERT_NE(node(key), nullptr) << key.toStdString();
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centreOf(key));
  }
};

// ---- building the tree ----------------------------------------------------------------

TEST_F(Tree, ListBuildsTheTreeWithProgressTextsAndColoursThenShowsItWithNothingSelected) {
  // A CP utility had disabled the tree; Edit Seq and View PLB are left as they were.
  view()->setEnabled(false);
  for (const char* name : kBlockButtons) button(name)->setEnabled(true);
  QSignalSpy loaded(&tree(), &TreeController::listLoaded);
  const QString base = QStringLiteral("Getting Cmp:Blk Names");
  // Lines in, panel text after: it changes at each line number that is a multiple of 20.
  const std::pair<QStringList, QString> steps[] = {
      {{"CLRBLKLST"}, base},
      {{cmp(0, "A"), blk(1, "B1", "AIN"), blk(19, "---END_A", "")}, base + " [0]"},
      {{cmp(20, "C"), blk(21, "D1", "IND"), blk(22, "---SEP", "CALC")}, base + " [20]"},
      {{end(40), end(60)}, base + " [60]"},  // a second end line adds no node, but it counts
      {{"DNBLKLST"}, ""}};
  for (const auto& [lines, panel] : steps) {
    feed(lines);
    EXPECT_EQ(form().panelText(3), panel) << lines.join(u'|').toStdString();
  }
  EXPECT_EQ(keys(), "A[A:B1 A:---END_A] C[C:D1 C:---SEP] ***END***");
  const std::tuple<const char*, QString, QColor> nodes[] = {
      {"A", "A", QColor(64, 0, 0)},
      {"A:B1", "B1                AIN", QColor(0, 0, 255)},
      {"A:---END_A", "---END_A", QColor(0, 0, 64)},
      {"C:---SEP", "---SEP            CALC", QColor(0, 0, 64)},
      {"***END***", "***END***", QApplication::palette().color(QPalette::Button)}};
  for (const auto& [key, text, colour] : nodes) {
    EXPECT_EQ(node(key)->text(0), text) << key;
    EXPECT_EQ(node(key)->foreground(0).color(), colour) << key;
  }
  EXPECT_EQ(shown(), "SessionNewMP ListMenu CPUtilitiesMenu CBFRM");
  EXPECT_TRUE(view()->isEnabled());
  EXPECT_EQ(enabledButtons(), "EditSeq PLBEditPB");
  EXPECT_EQ(loaded.count(), 1);  // the block operations forget their highlight then
  EXPECT_EQ(view()->currentItem(), nullptr);
}

TEST_F(Tree, ANewListReplacesTheOldAnErrorLeavesItAndAClosedSessionEmptiesIt) {
  load({cmp(1, "A"), blk(2, "B1", "AIN"), end(3)});
  load({cmp(1, "Z"), blk(2, "B1", "AIN"), end(3)});
  EXPECT_EQ(keys(), "Z[Z:B1] ***END***");
  EXPECT_EQ(tree().blocks().count(), 3);  // the old keys are forgotten

  tree().refresh();  // hides the tree's frame until the list comes
  feed({"ERRBLKLSTCP6001 is not open", "ERRBLKLST"});
  EXPECT_EQ(prompter.boxes(),
            "Can not list blocks|ERROR: CP6001 is not open; Can not list blocks|ERROR: ");
  EXPECT_EQ(keys(), "Z[Z:B1] ***END***");
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());

  feed({"CLOSEICCCP6001"});
  EXPECT_EQ(view()->topLevelItemCount(), 0);
  // Stray block lines of the old list have no compound to go under any more.
  feed({blk(7, "LATE", "AIN")});
  EXPECT_EQ(tree().blocks().count(), 0);
}

// ---- selecting a node -----------------------------------------------------------------

class TreeSelection : public Tree {
 protected:
  void SetUp() override {
    Tree::SetUp();
    load({cmp(1, "A"), blk(2, "B1", "AIN"), blk(3, "SEQ1", "IND"), blk(4, "LOGIC1", "PLB"),
          blk(5, "---SEP", "CALC"), blk(6, "---END_A", ""), cmp(7, "C"), blk(8, "D1", "DEP"),
          blk(9, "D2", "EXC"), blk(10, "D3", "MON"), end(11)});
  }
};

TEST_F(TreeSelection, ClickedNodeDecidesTypeKindAndButtons) {
  const QString block = "EditPB AddPB XrefPB CopyPB DelPB MoveFromPB";
  const QString seq = "EditPB AddPB XrefPB EditSeq CopyPB DelPB MoveFromPB";
  struct Case {
    const char* key;
    bool copySrc, moveSrc;  // a Copy source is held, a Move source pending
    const char* type;
    bool isSeq, isPlb;
    QString buttons;
  };
  // In this order: the kind flags stay those of the last block when an end entry is chosen.
  const Case cases[] = {
      {"A", true, true, "", false, false, "EditPB AddPB CopyPB DelPB MoveFromPB"},
      {"A:SEQ1", false, false, "IND", true, false, seq},
      {"C:D2", false, false, "EXC", true, false, seq},
      {"A:LOGIC1", false, false, "PLB", false, true, block + " PLBEditPB"},
      {"A:---END_A", false, false, "END_ZONE", false, true, "AddPB"},
      {"C:D3", false, true, "MON", true, false,
       "EditPB AddPB MoveToPB XrefPB EditSeq CopyPB DelPB MoveFromPB"},
      {"A", false, false, "", false, false, "EditPB AddPB CopyPB DelPB MoveFromPB"},
      {"A:---SEP", false, false, "CALC", false, false, block},  // a dash name, no end mark
      {"A:B1", true, false, "AIN", false, false,
       "EditPB PastePB AddPB XrefPB CopyPB DelPB MoveFromPB"},
      {"***END***", true, true, "END_ZONE", false, false, "PastePB AddPB MoveToPB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    tree().setCopySourceKnown(c.copySrc);
    tree().setMoveSourcePending(c.moveSrc);
    click(c.key);
    EXPECT_EQ(tree().currSelBlk() + '|' + tree().selNodeKey() + '|' + tree().currSelTyp(),
              QString(c.key) + '|' + c.key + '|' + c.type);
    EXPECT_EQ(std::pair(tree().currIsSeq(), tree().currIsPLB()), std::pair(c.isSeq, c.isPlb));
    EXPECT_EQ(enabledButtons(), c.buttons);
  }
}

TEST_F(TreeSelection, ClickingTheCurrentNodeAgainRunsTheHandlingAgainAndFocusesTheTree) {
  click("A:B1");
  button("EditPB")->setEnabled(false);  // another operation changes the buttons, as Move From
  button("AddPB")->setFocus();
  ASSERT_EQ(form().focusWidget(), button("AddPB"));
  tree().nodeClick(node("A:B1"));
  EXPECT_EQ(form().focusWidget(), view());
  button("EditPB")->setEnabled(false);
  click("A:B1");
  EXPECT_TRUE(button("EditPB")->isEnabled());
}

TEST_F(TreeSelection, FocusAloneSelectsNothingArrowKeysSelectAndTheSpaceBarAsksForTheXref) {
  QSignalSpy xref(&tree(), &TreeController::xrefRequested);
  form().show();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  // The way the keyboard (Tab) or an answer's focus step brings the tree the focus.
  button("AddPB")->setEnabled(true);
  button("AddPB")->setFocus(Qt::OtherFocusReason);
  view()->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(view()->hasFocus());
  EXPECT_EQ(tree().currSelBlk(), "");
  EXPECT_TRUE(view()->selectedItems().isEmpty());
  EXPECT_EQ(enabledButtons(), "AddPB");  // as the list left them
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(tree().currSelBlk(), "C");
  EXPECT_EQ(view()->selectedItems(), QList<QTreeWidgetItem*>({node("C")}));
  click("A");
  node("A")->setExpanded(true);
  for (const char* key : {"A:B1", "A:SEQ1"}) {
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(tree().currSelBlk(), key);
  }
  EXPECT_EQ(xref.count(), 0);
  click("A");  // Xref is disabled for a compound; the space bar asks all the same
  ASSERT_FALSE(button("XrefPB")->isEnabled());
  QTest::keyClick(view(), Qt::Key_Space);
  EXPECT_EQ(xref.count(), 1);
  EXPECT_EQ(view()->currentItem(), node("A"));
  EXPECT_EQ(tree().currSelBlk(), "A");
}

TEST_F(TreeSelection, TheProgramSelectsByKeyButItsOtherChangesAndNewListsSelectNothing) {
  EXPECT_FALSE(tree().selectNode("C:NOSUCH"));
  EXPECT_TRUE(tree().selectNode("C:D1"));
  EXPECT_TRUE(node("C:D1")->isSelected());
  click("A:B1");
  // Removing the current node moves Qt's current node elsewhere; that is no user's choice.
  ASSERT_TRUE(tree().blocks().remove("A:B1"));
  ASSERT_NE(tree().blocks().addBefore("A:SEQ1", "A:NEW", "NEW", NodeKind::Block), nullptr);
  EXPECT_EQ(tree().currSelBlk(), "A:B1");
  click("A:SEQ1");
  load({cmp(1, "Z"), end(2)});
  EXPECT_EQ(tree().currSelBlk(), "A:SEQ1");
  EXPECT_EQ(tree().currSelTyp(), "IND");
  EXPECT_TRUE(tree().currIsSeq());
}

// ---- the keyed tree -------------------------------------------------------------------

TEST(KeyedTree, KeysAreUniqueRemovalFreesThemAndAListShowsWhenItIsFinished) {
  QTreeWidget view;
  BlockTree tree(&view);
  tree.beginList();
  tree.addFirstTop("A", "A", NodeKind::Compound);
  tree.addLastChild("A", "A:B1", "B1", NodeKind::Block);
  tree.addAfter("A", "C", "C", NodeKind::Compound);
  tree.addBefore("C", "B", "B", NodeKind::Compound);
  EXPECT_EQ(view.topLevelItemCount(), 0);  // collected out of the view
  tree.finishList();
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), "A[A:B1] B C");
  // Taken or empty keys and missing neighbours add nothing.
  EXPECT_EQ(tree.addLastChild("C", "A:B1", "again", NodeKind::Block), nullptr);
  EXPECT_EQ(tree.addLastTop("", "nameless", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addAfter("NOSUCH", "X", "X", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addBefore("NOSUCH", "X", "X", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addLastChild("NOSUCH", "X:Y", "Y", NodeKind::Block), nullptr);
  EXPECT_EQ(tree.nextSibling(tree.find("B")), tree.find("C"));
  // Removing a node forgets its children too, and their keys are free again.
  EXPECT_TRUE(tree.remove("A"));
  EXPECT_FALSE(tree.remove("A"));
  EXPECT_NE(tree.addLastChild("C", "A:B1", "B1", NodeKind::Block), nullptr);
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), "B C[A:B1]");
  EXPECT_EQ(tree.count(), 3);
}

// ---- over a connection: what the list requests and the double click send ----------

class TreeWire : public Tree {
 protected:
  void SetUp() override {
    Tree::SetUp();
    connectClient();
    openSessionWithTree(
        {cmp(1, "A"), blk(2, "B1", "AIN"), cmp(3, "C"), blk(4, "D1", "IND"), end(5)});
  }
  // What the window system delivers for a double click: press, release, press, double
  // click, release.
  void doubleClick(const QString& key) {
    const QPoint at = centreOf(key);
    QWidget* port = view()->viewport();
    QTest::mouseClick(port, Qt::LeftButton, {}, at);
    QTest::mousePress(port, Qt::LeftButton, {}, at);
    QTest::mouseDClick(port, Qt::LeftButton, {}, at);
    QTest::mouseRelease(port, Qt::LeftButton, {}, at);
  }
};

TEST_F(TreeWire, RefreshAndShowEcbsHideTheTreeAndAskAgain) {
  action("RefreshListMP")->trigger();
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
  reply({"CLRBLKLST", cmp(1, "NEW"), "DNBLKLST"});
  EXPECT_TRUE(ui<QGroupBox>("CBFRM")->isVisible());
  action("ShowEcbsMP")->trigger();
  EXPECT_TRUE(action("ShowEcbsMP")->isChecked());
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
  action("ShowEcbsMP")->trigger();
  EXPECT_FALSE(action("ShowEcbsMP")->isChecked());
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001", "GETBLKS 1 CP6001", "GETBLKS 0 CP6001"}));
}

TEST_F(TreeWire, DoubleClickAsksForTheParametersOfAnEditableBlockOnly) {
  doubleClick("A");
  EXPECT_EQ(tree().currSelBlk(), "A");
  ASSERT_TRUE(button("EditPB")->isEnabled());
  doubleClick("***END***");
  click("A:B1");
  button("EditPB")->setEnabled(false);
  emit view()->itemDoubleClicked(node("A:B1"), 0);
  // Only the block with Edit enabled asks, and what it asks comes first.
  doubleClick("C:D1");
  EXPECT_EQ(tree().currSelBlk(), "C:D1");
  EXPECT_TRUE(sent({"GETPARMS:C:D1"}));
}

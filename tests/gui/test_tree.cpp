// The block tree: building it from the block list, and what clicking, the arrow keys and the
// space bar on its nodes select and enable, with reply lines put through the real dispatcher
// into the client; then, over a connection, what the list requests and the double click send.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/dispatcher.h"
#include "support/BlockLines.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::browser;
using namespace tarvo::test;

namespace {

QString cmp(int n, const char* name) {
  return QString::fromStdString(cmpLine(n, name));
}
QString blk(int n, const char* name, const char* type) {
  return QString::fromStdString(blkLine(n, name, type));
}
QString end(int n) {
  return QString::fromStdString(endLine(n));
}

QString text(const QString& name, const QString& type) {
  return name.leftJustified(18, u' ') + type;
}

// The keys of the nodes under `parent` in order, each followed by its own children's.
QString keysUnder(QTreeWidgetItem* parent) {
  QStringList keys;
  for (int i = 0; i < parent->childCount(); ++i) {
    QTreeWidgetItem* child = parent->child(i);
    keys << BlockTree::keyOf(child) + (child->childCount() ? "[" + keysUnder(child) + "]" : "");
  }
  return keys.join(u' ');
}

}  // namespace

class Tree : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    startClient();
    form().updStatBar(QStringLiteral("CP6001"), 2);
  }

  // Runs reply lines through the dispatcher, as if they had just arrived.
  void feed(const QStringList& lines) {
    for (const QString& line : lines) {
      const QByteArray bytes = line.toLatin1();
      link::dispatchLine(
          std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), *client);
    }
  }
  void load(const QStringList& list) {
    feed({QStringLiteral("CLRBLKLST")});
    feed(list);
    feed({QStringLiteral("DNBLKLST")});
  }
  void loadExample() {
    load({cmp(1, "A"), blk(2, "B1", "AIN"), blk(3, "B2", "PID"), cmp(4, "C"), blk(5, "D1", "IND"),
          end(6)});
  }

  TreeController& tree() { return client->tree(); }
  QTreeWidget* view() { return ui<QTreeWidget>("TreeView1"); }
  QTreeWidgetItem* node(const QString& key) { return tree().blocks().find(key); }
  QString keys() { return keysUnder(view()->invisibleRootItem()); }

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

  // The enabled block buttons by name, in their on-screen order.
  QString enabledButtons() {
    QStringList names;
    for (QPushButton* button : blockButtons())
      if (button->isEnabled()) names << button->objectName();
    return names.join(u' ');
  }
};

// ---- building the tree ----------------------------------------------------------------

TEST_F(Tree, ListKeepsTheServersOrderUnderItsKeysAndSkipsStrayLines) {
  // Blocks before any compound, a bare line, a second end line and a line cut short add nothing.
  load({blk(1, "ORPHAN", "AIN"), "BLKLST", cmp(2, "A"), blk(3, "B1", "AIN"), blk(4, "B2", "PID"),
        cmp(5, "C"), blk(6, "D1", "IND"), end(7), end(8), "BLKLST     9"});
  EXPECT_EQ(keys(), "A[A:B1 A:B2] C[C:D1] ***END***");
  EXPECT_EQ(node("A")->text(0), "A");
  EXPECT_EQ(node("A:B1")->text(0), text("B1", "AIN"));
  EXPECT_EQ(node("C:D1")->text(0), text("D1", "IND"));
  EXPECT_EQ(node("***END***")->text(0), "***END***");
  EXPECT_EQ(tree().blocks().count(), 6);
}

TEST_F(Tree, NodeColoursFollowTheirKind) {
  load(
      {cmp(1, "A"), blk(2, "B1", "AIN"), blk(3, "---END_A", ""), blk(4, "---SEP", "CALC"), end(5)});
  auto colour = [&](const char* key) { return node(key)->foreground(0).color(); };
  EXPECT_EQ(colour("A"), QColor(64, 0, 0));
  EXPECT_EQ(colour("A:B1"), QColor(0, 0, 255));
  EXPECT_EQ(colour("A:---END_A"), QColor(0, 0, 64));
  EXPECT_EQ(colour("A:---SEP"), QColor(0, 0, 64));
  EXPECT_EQ(colour("***END***"), QApplication::palette().color(QPalette::Button));
}

TEST_F(Tree, ProgressShowsEveryTwentiethLine) {
  const QString base = QStringLiteral("Getting Cmp:Blk Names");
  feed({"CLRBLKLST"});
  EXPECT_EQ(form().panelText(3), base);
  // Lines in, panel text after: unchanged between multiples of 20; a line adding no node counts.
  const std::pair<QStringList, QString> steps[] = {
      {{cmp(0, "A")}, " [0]"},
      {{blk(20, "B1", "AIN")}, " [20]"},
      {{blk(21, "B2", "AIN"), blk(39, "B3", "AIN")}, " [20]"},
      {{end(40)}, " [40]"},
      {{end(60)}, " [60]"}};
  for (const auto& [lines, expected] : steps) {
    feed(lines);
    EXPECT_EQ(form().panelText(3), base + expected) << lines.join(u'|').toStdString();
  }
  feed({"DNBLKLST"});
  EXPECT_EQ(form().panelText(3), "");
}

TEST_F(Tree, CompleteListShowsTheTreeWithNothingSelected) {
  // A CP utility had disabled the tree; Edit Seq and View PLB are left as they were.
  view()->setEnabled(false);
  for (QPushButton* button : blockButtons()) button->setEnabled(true);
  QSignalSpy loaded(&tree(), &TreeController::listLoaded);
  loadExample();
  EXPECT_TRUE(ui<QGroupBox>("CBFRM")->isVisible());
  EXPECT_TRUE(ui<QMenu>("ListMenu")->menuAction()->isVisible());
  EXPECT_TRUE(ui<QMenu>("CPUtilitiesMenu")->menuAction()->isVisible());
  EXPECT_TRUE(view()->isEnabled());
  EXPECT_EQ(enabledButtons(), "EditSeq PLBEditPB");
  EXPECT_EQ(loaded.count(), 1);  // the block operations forget their highlight then
  EXPECT_EQ(view()->currentItem(), nullptr);
}

TEST_F(Tree, NewListReplacesTheOldOne) {
  loadExample();
  load({cmp(1, "Z"), blk(2, "B1", "AIN"), end(3)});
  EXPECT_EQ(keys(), "Z[Z:B1] ***END***");
  EXPECT_EQ(node("A"), nullptr);
  EXPECT_EQ(node("A:B1"), nullptr);
  EXPECT_EQ(tree().blocks().count(), 3);
}

TEST_F(Tree, ListErrorShowsTheServersTextAndLeavesTheTree) {
  loadExample();
  tree().refresh();  // hides the tree's frame until the list comes
  feed({"ERRBLKLSTCP6001 is not open", "ERRBLKLST"});
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(0, "Can not list blocks", "ERROR: CP6001 is not open",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_TRUE(prompter.showed(1, "Can not list blocks", "ERROR: "));
  EXPECT_EQ(keys(), "A[A:B1 A:B2] C[C:D1] ***END***");
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
}

TEST_F(Tree, ClosedSessionEmptiesTheTree) {
  loadExample();
  feed({"CLOSEICCCP6001"});
  EXPECT_EQ(view()->topLevelItemCount(), 0);
  EXPECT_EQ(node("A"), nullptr);
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
    bool copySrc;  // a Copy source is held, a Move source pending
    bool moveSrc;
    const char* type;
    bool isSeq, isPlb;
    QString buttons;
  };
  // In this order: the kind flags stay those of the last block when an end entry is chosen.
  const Case cases[] = {
      {"A", true, true, "", false, false, "EditPB AddPB CopyPB DelPB MoveFromPB"},
      {"A:SEQ1", false, false, "IND", true, false, seq},
      {"A:B1", false, false, "AIN", false, false, block},
      {"C:D1", false, false, "DEP", true, false, seq},
      {"C:D2", false, false, "EXC", true, false, seq},
      {"A:LOGIC1", false, false, "PLB", false, true, block + " PLBEditPB"},
      {"A:---END_A", false, false, "END_ZONE", false, true, "AddPB"},
      {"A", false, false, "", false, false, "EditPB AddPB CopyPB DelPB MoveFromPB"},
      {"C:D3", false, true, "MON", true, false,
       "EditPB AddPB MoveToPB XrefPB EditSeq CopyPB DelPB MoveFromPB"},
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
    EXPECT_EQ(client->tree().currSelBlk(), c.key);
    EXPECT_EQ(tree().selNodeKey(), c.key);
    EXPECT_EQ(client->tree().currSelTyp(), c.type);
    EXPECT_EQ(client->tree().currIsSeq(), c.isSeq);
    EXPECT_EQ(client->tree().currIsPLB(), c.isPlb);
    EXPECT_EQ(enabledButtons(), c.buttons);
  }
}

TEST_F(TreeSelection, ClickGivesTheTreeTheFocus) {
  button("EditPB")->setEnabled(true);
  button("EditPB")->setFocus();
  ASSERT_EQ(form().focusWidget(), button("EditPB"));
  tree().nodeClick(node("A:B1"));
  EXPECT_EQ(form().focusWidget(), view());
}

TEST_F(TreeSelection, ClickingTheCurrentNodeAgainRunsTheHandlingAgain) {
  click("A:B1");
  // Another operation changes the buttons meanwhile, as Move From does.
  button("EditPB")->setEnabled(false);
  click("A:B1");
  EXPECT_EQ(client->tree().currSelBlk(), "A:B1");
  EXPECT_TRUE(button("EditPB")->isEnabled());
}

TEST_F(TreeSelection, ArrowKeysSelectAsTheyMoveAndTheSpaceBarAsksForTheCrossReferenceOnly) {
  QSignalSpy xref(&tree(), &TreeController::xrefRequested);
  click("A");
  node("A")->setExpanded(true);
  for (const char* key : {"A:B1", "A:SEQ1"}) {
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(client->tree().currSelBlk(), key);
  }
  QTest::keyClick(view(), Qt::Key_End);
  EXPECT_EQ(client->tree().currSelBlk(), "***END***");
  EXPECT_EQ(xref.count(), 0);
  click("A");  // Xref is disabled for a compound; the space bar asks all the same
  ASSERT_FALSE(button("XrefPB")->isEnabled());
  QTest::keyClick(view(), Qt::Key_Space);
  EXPECT_EQ(xref.count(), 1);
  EXPECT_EQ(view()->currentItem(), node("A"));
  EXPECT_EQ(client->tree().currSelBlk(), "A");
  QTest::keyClick(view(), Qt::Key_A);
  EXPECT_EQ(xref.count(), 1);
}

TEST_F(TreeSelection, NodeMadeCurrentByTheProgramOrTheViewIsSelectedAndHandled) {
  EXPECT_TRUE(tree().selectNode("C:D1"));
  EXPECT_EQ(view()->currentItem(), node("C:D1"));
  EXPECT_TRUE(node("C:D1")->isSelected());
  EXPECT_EQ(client->tree().currSelBlk(), "C:D1");
  EXPECT_FALSE(tree().selectNode("C:NOSUCH"));
  EXPECT_EQ(client->tree().currSelBlk(), "C:D1");
  EXPECT_EQ(view()->currentItem(), node("C:D1"));
}

TEST_F(TreeSelection, FocusAloneSelectsNothingAMovingKeyDoes) {
  form().show();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  // The way the keyboard (Tab) or an answer's focus step brings the tree the focus.
  button("AddPB")->setEnabled(true);
  button("AddPB")->setFocus(Qt::OtherFocusReason);
  view()->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(view()->hasFocus());
  EXPECT_EQ(client->tree().currSelBlk(), "");
  EXPECT_TRUE(view()->selectedItems().isEmpty());
  EXPECT_EQ(enabledButtons(), "AddPB");  // as the list left them
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(client->tree().currSelBlk(), "C");
  EXPECT_EQ(view()->selectedItems(), QList<QTreeWidgetItem*>({node("C")}));
}

TEST_F(TreeSelection, ProgramChangesToTheTreeAndNewListsSelectNothing) {
  click("A:B1");
  // Removing the current node moves Qt's current node elsewhere; that is no user's choice.
  ASSERT_TRUE(tree().blocks().remove("A:B1"));
  EXPECT_EQ(client->tree().currSelBlk(), "A:B1");
  ASSERT_NE(tree().blocks().addBefore("A:SEQ1", "A:NEW", text("NEW", "AIN"), NodeKind::Block),
            nullptr);
  EXPECT_EQ(client->tree().currSelBlk(), "A:B1");
  // Nor does a new list.
  click("A:SEQ1");
  load({cmp(1, "Z"), end(2)});
  EXPECT_EQ(client->tree().currSelBlk(), "A:SEQ1");
  EXPECT_EQ(client->tree().currSelTyp(), "IND");
  EXPECT_TRUE(client->tree().currIsSeq());
}

// ---- the keyed tree -------------------------------------------------------------------

class KeyedTree : public ::testing::Test {
 protected:
  KeyedTree() : tree(&view) {
    tree.addFirstTop("A", "A", NodeKind::Compound);
    tree.addLastChild("A", "A:B1", "B1", NodeKind::Block);
    tree.addAfter("A:B1", "A:B3", "B3", NodeKind::Block);
    tree.addAfter("A", "C", "C", NodeKind::Compound);
    tree.addLastTop("***END***", "***END***", NodeKind::EndOfList);
  }
  QTreeWidget view;
  BlockTree tree;
};

TEST_F(KeyedTree, NodesArePlacedByTheKeysOfOthers) {
  EXPECT_NE(tree.addBefore("A:B3", "A:B2", "B2", NodeKind::Block), nullptr);
  EXPECT_NE(tree.addAfter("A:B3", "A:B4", "B4", NodeKind::Block), nullptr);
  EXPECT_NE(tree.addBefore("C", "B", "B", NodeKind::Compound), nullptr);
  EXPECT_NE(tree.addFirstTop("0", "0", NodeKind::Compound), nullptr);
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), "0 A[A:B1 A:B2 A:B3 A:B4] B C ***END***");
  EXPECT_EQ(tree.find("A:B2")->text(0), "B2");
  EXPECT_EQ(tree.nextSibling(tree.find("A:B1")), tree.find("A:B2"));
  EXPECT_EQ(tree.nextSibling(tree.find("A:B4")), nullptr);
  EXPECT_EQ(tree.nextSibling(tree.find("A")), tree.find("B"));
  EXPECT_EQ(tree.nextSibling(tree.find("***END***")), nullptr);
}

TEST_F(KeyedTree, TakenOrEmptyKeysAndMissingNeighboursAddNothingAndRemovalFreesKeys) {
  EXPECT_EQ(tree.addLastChild("C", "A:B1", "again", NodeKind::Block), nullptr);
  EXPECT_EQ(tree.addLastTop("A", "again", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addLastTop("", "nameless", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addAfter("NOSUCH", "X", "X", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addBefore("NOSUCH", "X", "X", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addLastChild("NOSUCH", "X:Y", "Y", NodeKind::Block), nullptr);
  EXPECT_EQ(tree.count(), 5);
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), "A[A:B1 A:B3] C ***END***");
  EXPECT_EQ(tree.find("A:B1")->text(0), "B1");
  EXPECT_FALSE(tree.contains("X"));
  // Removing a node forgets its children too, and their keys are free again.
  EXPECT_TRUE(tree.remove("A"));
  EXPECT_FALSE(tree.remove("A"));
  EXPECT_EQ(tree.find("A:B1"), nullptr);
  EXPECT_EQ(tree.count(), 2);
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), "C ***END***");
  EXPECT_NE(tree.addLastChild("C", "A:B1", "B1", NodeKind::Block), nullptr);
}

TEST_F(KeyedTree, NodesTakeNewTextsAndColoursLikeAnyItem) {
  QTreeWidgetItem* b1 = tree.find("A:B1");
  QSignalSpy changed(view.model(), &QAbstractItemModel::dataChanged);
  b1->setText(0, "B1 renamed");
  b1->setForeground(0, QColor(255, 0, 0));
  b1->setBackground(0, QColor(192, 192, 0));
  EXPECT_EQ(b1->text(0), "B1 renamed");
  EXPECT_EQ(b1->foreground(0).color(), QColor(255, 0, 0));
  EXPECT_EQ(b1->background(0).color(), QColor(192, 192, 0));
  EXPECT_EQ(BlockTree::keyOf(b1), "A:B1");
  EXPECT_EQ(changed.count(), 3);
  const QModelIndex index = view.model()->index(0, 0, view.model()->index(0, 0));
  EXPECT_EQ(index.data(Qt::DisplayRole).toString(), "B1 renamed");
  EXPECT_EQ(index.data(Qt::UserRole).toString(), "A:B1");
}

TEST_F(KeyedTree, AListIsShownWhenItIsFinished) {
  tree.beginList();
  EXPECT_EQ(tree.count(), 0);
  EXPECT_EQ(view.topLevelItemCount(), 0);
  tree.addFirstTop("P", "P", NodeKind::Compound);
  tree.addLastChild("P", "P:X", "X", NodeKind::Block);
  tree.addAfter("P", "Q", "Q", NodeKind::Compound);
  tree.addLastChild("Q", "Q:Y", "Y", NodeKind::Block);
  tree.addBefore("Q", "PQ", "PQ", NodeKind::Compound);
  EXPECT_TRUE(tree.remove("Q:Y"));
  EXPECT_NE(tree.find("P:X"), nullptr);
  EXPECT_EQ(tree.nextSibling(tree.find("P")), tree.find("PQ"));
  tree.finishList();
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), "P[P:X] PQ Q");
  EXPECT_EQ(tree.find("P:X")->treeWidget(), &view);
  EXPECT_EQ(tree.count(), 4);
  // Nodes added after the list go straight into the view.
  EXPECT_NE(tree.addLastTop("R", "R", NodeKind::Compound), nullptr);
  EXPECT_EQ(view.topLevelItemCount(), 4);
}

// ---- over a connection: what the list requests and the double click send ----------

class TreeWire : public Tree {
 protected:
  void openExample() {
    connectClient();
    openSessionWithTree(
        {cmp(1, "A"), blk(2, "B1", "AIN"), cmp(3, "C"), blk(4, "D1", "IND"), end(5)});
    ASSERT_TRUE(server.waitForCommands(1));
    ASSERT_EQ(server.commands.takeFirst(), "GETBLKS 0 CP6001");
  }
  // What the window system delivers for a double click: press, release, press, double
  // click, release.
  void doubleClick(const QString& key) {
    ASSERT_NE(node(key), nullptr) << key.toStdString();
    const QPoint at = centreOf(key);
    QWidget* port = view()->viewport();
    QTest::mouseClick(port, Qt::LeftButton, {}, at);
    QTest::mousePress(port, Qt::LeftButton, {}, at);
    QTest::mouseDClick(port, Qt::LeftButton, {}, at);
    QTest::mouseRelease(port, Qt::LeftButton, {}, at);
  }
};

TEST_F(TreeWire, RefreshAndShowEcbsHideTheTreeAndAskAgain) {
  openExample();
  action("RefreshListMP")->trigger();
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  reply({"CLRBLKLST", cmp(1, "NEW"), "DNBLKLST"});
  EXPECT_TRUE(ui<QGroupBox>("CBFRM")->isVisible());
  EXPECT_EQ(view()->topLevelItemCount(), 1);
  ASSERT_FALSE(action("ShowEcbsMP")->isChecked());
  action("ShowEcbsMP")->trigger();
  EXPECT_TRUE(action("ShowEcbsMP")->isChecked());
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
  action("ShowEcbsMP")->trigger();
  EXPECT_FALSE(action("ShowEcbsMP")->isChecked());
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001", "GETBLKS 1 CP6001", "GETBLKS 0 CP6001"}));
}

TEST_F(TreeWire, DoubleClickAsksForTheParametersOfAnEditableBlockOnly) {
  openExample();
  doubleClick("A");
  EXPECT_EQ(client->tree().currSelBlk(), "A");
  ASSERT_TRUE(button("EditPB")->isEnabled());
  doubleClick("***END***");
  EXPECT_EQ(client->tree().currSelBlk(), "***END***");
  click("A:B1");
  ASSERT_EQ(client->tree().currSelBlk(), "A:B1");
  button("EditPB")->setEnabled(false);
  emit view()->itemDoubleClicked(node("A:B1"), 0);
  // Only the block with Edit enabled asks, and what it asks comes first.
  doubleClick("C:D1");
  EXPECT_EQ(client->tree().currSelBlk(), "C:D1");
  EXPECT_TRUE(sent({"GETPARMS:C:D1"}));
  settle();
  EXPECT_EQ(server.commands, QStringList{"GETPARMS:C:D1"});
}

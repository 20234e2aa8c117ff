// The block tree: building it from the block list, and what clicking, the arrow keys and the
// space bar on its nodes select and enable. Reply lines go through the real dispatcher into
// the client; no server is needed.
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

QString text(const QString& name, const QString& type) {
  return name.leftJustified(18, u' ') + type;
}

QStringList keysUnder(QTreeWidgetItem* parent) {
  QStringList keys;
  for (int i = 0; i < parent->childCount(); ++i) keys << BlockTree::keyOf(parent->child(i));
  return keys;
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
  QTreeWidget* view() { return form().TreeView1; }
  QTreeWidgetItem* node(const QString& key) { return tree().blocks().find(key); }
  QStringList topKeys() { return keysUnder(view()->invisibleRootItem()); }

  // A mouse click on the node, as the user makes it.
  void click(const QString& key) {
    QTreeWidgetItem* item = node(key);
    ASSERT_NE(item, nullptr) << key.toStdString();
    if (item->parent()) item->parent()->setExpanded(true);
    view()->scrollToItem(item);
    const QRect rect = view()->visualItemRect(item);
    ASSERT_TRUE(rect.isValid()) << key.toStdString();
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rect.center());
  }

  // The enabled block buttons by name, in their on-screen order.
  QString enabledButtons() {
    QStringList names;
    for (QPushButton* button : form().blockButtons())
      if (button->isEnabled()) names << button->objectName();
    return names.join(u' ');
  }
};

// ---- building the tree ----------------------------------------------------------------

TEST_F(Tree, ExampleListKeepsTheServersOrderUnderItsKeys) {
  loadExample();
  EXPECT_EQ(topKeys(), QStringList({"A", "C", "***END***"}));
  EXPECT_EQ(keysUnder(node("A")), QStringList({"A:B1", "A:B2"}));
  EXPECT_EQ(keysUnder(node("C")), QStringList({"C:D1"}));
  EXPECT_EQ(node("***END***")->childCount(), 0);

  EXPECT_EQ(node("A")->text(0), "A");
  EXPECT_EQ(node("A:B1")->text(0), text("B1", "AIN"));
  EXPECT_EQ(node("C:D1")->text(0), text("D1", "IND"));
  EXPECT_EQ(node("***END***")->text(0), "***END***");
  EXPECT_EQ(node("C:D1")->parent(), node("C"));
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
  feed({"CLRBLKLST"});
  EXPECT_EQ(form().panelText(3), "Getting Cmp:Blk Names");
  feed({cmp(0, "A")});
  EXPECT_EQ(form().panelText(3), "Getting Cmp:Blk Names [0]");
  feed({blk(20, "B1", "AIN")});
  EXPECT_EQ(form().panelText(3), "Getting Cmp:Blk Names [20]");
  feed({blk(21, "B2", "AIN"), blk(39, "B3", "AIN")});
  EXPECT_EQ(form().panelText(3), "Getting Cmp:Blk Names [20]");
  feed({end(40)});
  EXPECT_EQ(form().panelText(3), "Getting Cmp:Blk Names [40]");
  feed({"DNBLKLST"});
  EXPECT_EQ(form().panelText(3), "");
}

TEST_F(Tree, CompleteListShowsTheTreeWithNothingSelected) {
  // A CP utility had disabled the tree; Edit Seq and View PLB are left as they were.
  view()->setEnabled(false);
  for (QPushButton* button : form().blockButtons()) button->setEnabled(true);
  tree().moveSrcIdx = 5;
  loadExample();
  EXPECT_TRUE(form().CBFRM->isVisible());
  EXPECT_TRUE(form().ListMenu->menuAction()->isVisible());
  EXPECT_TRUE(form().CPUtilitiesMenu->menuAction()->isVisible());
  EXPECT_TRUE(view()->isEnabled());
  EXPECT_EQ(enabledButtons(), "EditSeq PLBEditPB");
  EXPECT_EQ(tree().moveSrcIdx, -1);
  EXPECT_EQ(view()->currentItem(), nullptr);
}

TEST_F(Tree, NewListReplacesTheOldOne) {
  loadExample();
  load({cmp(1, "Z"), blk(2, "B1", "AIN"), end(3)});
  EXPECT_EQ(topKeys(), QStringList({"Z", "***END***"}));
  EXPECT_EQ(node("A"), nullptr);
  EXPECT_EQ(node("A:B1"), nullptr);
  EXPECT_EQ(keysUnder(node("Z")), QStringList({"Z:B1"}));
  EXPECT_EQ(tree().blocks().count(), 3);
}

TEST_F(Tree, StrayLinesAddNoNodes) {
  // Blocks before any compound, a second end line, lines cut short.
  load({blk(1, "ORPHAN", "AIN"), "BLKLST", cmp(2, "A"), blk(3, "B1", "AIN"), end(4), end(5),
        "BLKLST     6"});
  EXPECT_EQ(topKeys(), QStringList({"A", "***END***"}));
  EXPECT_EQ(keysUnder(node("A")), QStringList({"A:B1"}));
  EXPECT_EQ(tree().blocks().count(), 3);
}

TEST_F(Tree, ListErrorShowsTheServersTextAndLeavesTheTree) {
  loadExample();
  tree().refresh();  // hides the tree's frame until the list comes
  feed({"ERRBLKLSTCP6001 is not open"});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
  EXPECT_EQ(prompter.shown[0].title, "Can not list blocks");
  EXPECT_EQ(prompter.shown[0].text, "ERROR: CP6001 is not open");
  EXPECT_EQ(prompter.shown[0].buttons, QMessageBox::Ok);
  EXPECT_EQ(topKeys(), QStringList({"A", "C", "***END***"}));
  EXPECT_FALSE(form().CBFRM->isVisible());

  feed({"ERRBLKLST"});
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_EQ(prompter.shown[1].text, "ERROR: ");
}

TEST_F(Tree, ClosedSessionEmptiesTheTree) {
  loadExample();
  feed({"CLOSEICCCP6001"});
  EXPECT_EQ(view()->topLevelItemCount(), 0);
  EXPECT_EQ(tree().blocks().count(), 0);
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

TEST_F(TreeSelection, CompoundEnablesEverythingButPasteMoveToAndXref) {
  tree().copySrcBlk = "C:D1";
  tree().moveSrcBlk = "C:D2";
  click("A");
  EXPECT_EQ(form().currSelBlk, "A");
  EXPECT_EQ(form().currSelTyp, "");
  EXPECT_FALSE(form().currIsSeq);
  EXPECT_FALSE(form().currIsPLB);
  EXPECT_EQ(tree().selNodeKey(), "A");
  EXPECT_EQ(enabledButtons(), "EditPB AddPB CopyPB DelPB MoveFromPB");
}

TEST_F(TreeSelection, BlockEnablesItsOperationsAndXref) {
  click("A:B1");
  EXPECT_EQ(form().currSelBlk, "A:B1");
  EXPECT_EQ(form().currSelTyp, "AIN");
  EXPECT_FALSE(form().currIsSeq);
  EXPECT_FALSE(form().currIsPLB);
  EXPECT_EQ(enabledButtons(), "EditPB AddPB XrefPB CopyPB DelPB MoveFromPB");
}

TEST_F(TreeSelection, SequenceBlocksAlsoEnableEditSeq) {
  for (const char* key : {"A:SEQ1", "C:D1", "C:D2", "C:D3"}) {
    click(key);
    EXPECT_TRUE(form().currIsSeq) << key;
    EXPECT_FALSE(form().currIsPLB) << key;
    EXPECT_EQ(enabledButtons(), "EditPB AddPB XrefPB EditSeq CopyPB DelPB MoveFromPB") << key;
  }
  EXPECT_EQ(form().currSelTyp, "MON");
  click("A:B1");  // and an ordinary block takes it away again
  EXPECT_FALSE(form().currIsSeq);
  EXPECT_FALSE(form().EditSeq->isEnabled());
}

TEST_F(TreeSelection, PlbAlsoEnablesViewPlb) {
  click("A:LOGIC1");
  EXPECT_EQ(form().currSelTyp, "PLB");
  EXPECT_TRUE(form().currIsPLB);
  EXPECT_FALSE(form().currIsSeq);
  EXPECT_EQ(enabledButtons(), "EditPB AddPB XrefPB CopyPB DelPB MoveFromPB PLBEditPB");
  click("A");
  EXPECT_FALSE(form().currIsPLB);
  EXPECT_FALSE(form().PLBEditPB->isEnabled());
}

TEST_F(TreeSelection, HeldCopyAndMoveSourcesEnablePasteAndMoveTo) {
  tree().copySrcBlk = "C:D1";
  click("A:B1");
  EXPECT_EQ(enabledButtons(), "EditPB PastePB AddPB XrefPB CopyPB DelPB MoveFromPB");
  tree().copySrcBlk.clear();
  tree().moveSrcBlk = "C:D2";
  click("C:D3");
  EXPECT_EQ(enabledButtons(), "EditPB AddPB MoveToPB XrefPB EditSeq CopyPB DelPB MoveFromPB");
}

TEST_F(TreeSelection, EndEntriesLeaveOnlyAdd) {
  click("A:SEQ1");
  click("A:LOGIC1");  // a PLB, after a sequence block
  click("A:---END_A");
  EXPECT_EQ(form().currSelBlk, "A:---END_A");
  EXPECT_EQ(form().currSelTyp, "END_ZONE");
  EXPECT_EQ(enabledButtons(), "AddPB");
  // The kind flags are those of the last block selected.
  EXPECT_TRUE(form().currIsPLB);
  EXPECT_FALSE(form().currIsSeq);

  tree().copySrcBlk = "A:B1";
  tree().moveSrcBlk = "A:B1";
  click("***END***");
  EXPECT_EQ(form().currSelBlk, "***END***");
  EXPECT_EQ(form().currSelTyp, "END_ZONE");
  EXPECT_EQ(enabledButtons(), "PastePB AddPB MoveToPB");
}

TEST_F(TreeSelection, DashNameWithoutTheEndMarkIsAnOrdinaryBlock) {
  click("A:---SEP");
  EXPECT_EQ(form().currSelBlk, "A:---SEP");
  EXPECT_EQ(form().currSelTyp, "CALC");
  EXPECT_EQ(enabledButtons(), "EditPB AddPB XrefPB CopyPB DelPB MoveFromPB");
}

TEST_F(TreeSelection, ClickGivesTheTreeTheFocus) {
  form().EditPB->setEnabled(true);
  form().EditPB->setFocus();
  ASSERT_EQ(form().focusWidget(), form().EditPB);
  tree().nodeClick(node("A:B1"));
  EXPECT_EQ(form().focusWidget(), view());
}

TEST_F(TreeSelection, ClickingTheCurrentNodeAgainRunsTheHandlingAgain) {
  click("A:B1");
  // Another operation changes the buttons meanwhile, as Move From does.
  form().EditPB->setEnabled(false);
  form().currSelBlk = "elsewhere";
  click("A:B1");
  EXPECT_EQ(form().currSelBlk, "A:B1");
  EXPECT_TRUE(form().EditPB->isEnabled());
}

TEST_F(TreeSelection, ArrowKeysSelectAsTheyMove) {
  click("A");
  node("A")->setExpanded(true);
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(form().currSelBlk, "A:B1");
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(form().currSelBlk, "A:SEQ1");
  EXPECT_TRUE(form().EditSeq->isEnabled());
  QTest::keyClick(view(), Qt::Key_End);
  EXPECT_EQ(form().currSelBlk, "***END***");
  EXPECT_EQ(enabledButtons(), "AddPB");
}

TEST_F(TreeSelection, NodeMadeCurrentWithoutSelectingIsSelected) {
  click("A:B1");
  // What the view does when the tree gets the focus by the keyboard.
  const QModelIndex first = view()->model()->index(0, 0);
  view()->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
  EXPECT_EQ(form().currSelBlk, "A");
  EXPECT_TRUE(node("A")->isSelected());
  EXPECT_EQ(view()->selectedItems(), QList<QTreeWidgetItem*>({node("A")}));
}

TEST_F(TreeSelection, SpaceBarAsksForTheCrossReferenceOnly) {
  QSignalSpy xref(&tree(), &TreeController::xrefRequested);
  click("A");  // Xref is disabled for a compound; the space bar asks all the same
  ASSERT_FALSE(form().XrefPB->isEnabled());
  QTest::keyClick(view(), Qt::Key_Space);
  EXPECT_EQ(xref.count(), 1);
  EXPECT_EQ(view()->currentItem(), node("A"));
  EXPECT_EQ(form().currSelBlk, "A");
  QTest::keyClick(view(), Qt::Key_A);
  EXPECT_EQ(xref.count(), 1);
}

TEST_F(TreeSelection, SelectNodeMakesTheNodeCurrentAndRunsTheHandling) {
  EXPECT_TRUE(tree().selectNode("C:D1"));
  EXPECT_EQ(view()->currentItem(), node("C:D1"));
  EXPECT_TRUE(node("C:D1")->isSelected());
  EXPECT_EQ(form().currSelBlk, "C:D1");
  EXPECT_TRUE(form().EditSeq->isEnabled());

  EXPECT_FALSE(tree().selectNode("C:NOSUCH"));
  EXPECT_EQ(form().currSelBlk, "C:D1");
  EXPECT_EQ(view()->currentItem(), node("C:D1"));
}

TEST_F(TreeSelection, ProgramChangesToTheTreeSelectNothing) {
  click("A:B1");
  // Removing the current node moves Qt's current node elsewhere; that is no user's choice.
  ASSERT_TRUE(tree().blocks().remove("A:B1"));
  EXPECT_EQ(form().currSelBlk, "A:B1");
  tree().blocks().addBefore("A:B2", "A:NEW", text("NEW", "AIN"), NodeKind::Block);
  EXPECT_EQ(form().currSelBlk, "A:B1");
}

TEST_F(TreeSelection, SelectionSurvivesANewList) {
  click("A:SEQ1");
  load({cmp(1, "Z"), end(2)});
  EXPECT_EQ(form().currSelBlk, "A:SEQ1");
  EXPECT_EQ(form().currSelTyp, "IND");
  EXPECT_TRUE(form().currIsSeq);
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
  EXPECT_EQ(keysUnder(tree.find("A")), QStringList({"A:B1", "A:B2", "A:B3", "A:B4"}));
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), QStringList({"0", "A", "B", "C", "***END***"}));
  EXPECT_EQ(tree.find("A:B2")->text(0), "B2");
  EXPECT_EQ(tree.find("B")->foreground(0).color(), QColor(64, 0, 0));
}

TEST_F(KeyedTree, TakenOrEmptyKeysAndMissingNeighboursAddNothing) {
  EXPECT_EQ(tree.addLastChild("C", "A:B1", "again", NodeKind::Block), nullptr);
  EXPECT_EQ(tree.addLastTop("A", "again", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addLastTop("", "nameless", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addAfter("NOSUCH", "X", "X", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addBefore("NOSUCH", "X", "X", NodeKind::Compound), nullptr);
  EXPECT_EQ(tree.addLastChild("NOSUCH", "X:Y", "Y", NodeKind::Block), nullptr);
  EXPECT_EQ(tree.count(), 5);
  EXPECT_EQ(tree.find("A:B1")->parent(), tree.find("A"));
  EXPECT_EQ(tree.find("A:B1")->text(0), "B1");
  EXPECT_FALSE(tree.contains("X"));
}

TEST_F(KeyedTree, RemovingANodeForgetsItsChildrenToo) {
  EXPECT_TRUE(tree.remove("A"));
  EXPECT_FALSE(tree.remove("A"));
  EXPECT_EQ(tree.find("A:B1"), nullptr);
  EXPECT_EQ(tree.count(), 2);
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), QStringList({"C", "***END***"}));
  // The keys are free again.
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

TEST_F(KeyedTree, NextSibling) {
  EXPECT_EQ(tree.nextSibling(tree.find("A:B1")), tree.find("A:B3"));
  EXPECT_EQ(tree.nextSibling(tree.find("A:B3")), nullptr);
  EXPECT_EQ(tree.nextSibling(tree.find("A")), tree.find("C"));
  EXPECT_EQ(tree.nextSibling(tree.find("***END***")), nullptr);
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
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), QStringList({"P", "PQ", "Q"}));
  EXPECT_EQ(keysUnder(tree.find("P")), QStringList({"P:X"}));
  EXPECT_EQ(tree.find("P:X")->treeWidget(), &view);
  EXPECT_EQ(tree.find("Q")->parent(), nullptr);
  EXPECT_EQ(tree.count(), 4);
  // Nodes added after the list go straight into the view.
  EXPECT_NE(tree.addLastTop("R", "R", NodeKind::Compound), nullptr);
  EXPECT_EQ(view.topLevelItemCount(), 4);
}

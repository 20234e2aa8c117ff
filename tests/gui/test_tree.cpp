// The block tree: building it from the block list, and what clicking and the arrow keys
// on its nodes select and enable, with reply lines put through the real dispatcher
// into the client; the keyed tree under it at scale; then, over a connection, what the list
// requests and the double click send.

#include <QApplication>
#include <QTest>

#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
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
    for (const QString& line : lines)
      client->connection().router().dispatch(line.toLatin1().toStdString());
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

// The space bar's request for the cross-reference is shown with the Xref button's.
TEST_F(TreeSelection, FocusAloneSelectsNothingAndArrowKeysSelect) {
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

// Thousands of nodes: the key table grows many times over while a long list arrives, and
// every key must still find its node, refuse a second node and be freed with its node.
TEST(KeyedTree, KeysStayUniqueFindTheirNodesAndAreFreedWhileTheTableGrows) {
  constexpr int kCompounds = 80, kBlocksEach = 50;
  const auto cmpKey = [](int c) { return QStringLiteral("C%1").arg(c); };
  const auto blkKey = [&](int c, int b) { return cmpKey(c) + QStringLiteral(":B%1").arg(b); };
  QTreeWidget view;
  BlockTree tree(&view);
  auto addBlocks = [&](int c) {
    for (int b = 0; b < kBlocksEach; ++b)
      ASSERT_NE(tree.addLastChild(cmpKey(c), blkKey(c, b), QStringLiteral("B"), NodeKind::Block),
                nullptr);
  };
  tree.beginList();
  for (int c = 0; c < kCompounds; ++c) {
    const QString key = cmpKey(c);
    QTreeWidgetItem* added = c == 0 ? tree.addFirstTop(key, key, NodeKind::Compound)
                             : c % 2 == 0
                                 ? tree.addLastTop(key, key, NodeKind::Compound)
                                 : tree.addAfter(cmpKey(c - 1), key, key, NodeKind::Compound);
    ASSERT_NE(added, nullptr) << c;
    addBlocks(c);
  }
  EXPECT_EQ(view.topLevelItemCount(), 0);  // collected out of the view
  // Taken or empty keys and missing neighbours add nothing, wherever the node would go.
  int added = 0;
  for (int c = 0; c < kCompounds; ++c)
    added += tree.addLastChild(cmpKey((c + 1) % kCompounds), blkKey(c, c % kBlocksEach),
                               QStringLiteral("again"), NodeKind::Block) != nullptr;
  added += tree.addLastTop(QString(), QStringLiteral("nameless"), NodeKind::Compound) != nullptr;
  added += tree.addAfter("NOSUCH", "X", "X", NodeKind::Compound) != nullptr;
  added += tree.addBefore("NOSUCH", "X", "X", NodeKind::Compound) != nullptr;
  added += tree.addLastChild("NOSUCH", "X:Y", "Y", NodeKind::Block) != nullptr;
  EXPECT_EQ(added, 0);

  // A compound removed while the list is still collected frees its own keys and no other,
  // and leaves its neighbours side by side; put back, it takes its place again.
  ASSERT_TRUE(tree.remove(cmpKey(7)));
  EXPECT_FALSE(tree.remove(cmpKey(7)));
  EXPECT_EQ(tree.count(), kCompounds * (kBlocksEach + 1) - kBlocksEach - 1);
  EXPECT_FALSE(tree.contains(blkKey(7, 0)));
  EXPECT_EQ(tree.nextSibling(tree.find(cmpKey(6))), tree.find(cmpKey(8)));
  ASSERT_NE(tree.addBefore(cmpKey(8), cmpKey(7), cmpKey(7), NodeKind::Compound), nullptr);
  addBlocks(7);
  tree.finishList();

  // Every key finds the node that carries it, and the nodes stand in order.
  QStringList expected, lost;
  for (int c = 0; c < kCompounds; ++c) {
    QStringList keys{cmpKey(c)};
    for (int b = 0; b < kBlocksEach; ++b) keys << blkKey(c, b);
    for (const QString& key : keys)
      if (BlockTree::keyOf(tree.find(key)) != key) lost << key;
    expected << cmpKey(c) + u'[' + keys.mid(1).join(u' ') + u']';
  }
  EXPECT_EQ(lost.join(u' '), "");
  EXPECT_EQ(keysUnder(view.invisibleRootItem()), expected.join(u' '));
  EXPECT_EQ(tree.count(), kCompounds * (kBlocksEach + 1));
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

TEST_F(TreeWire, ShowEcbsHidesTheTreeAndAsksAgainWithOrWithoutThem) {
  action("ShowEcbsMP")->trigger();
  EXPECT_TRUE(action("ShowEcbsMP")->isChecked());
  EXPECT_FALSE(ui<QGroupBox>("CBFRM")->isVisible());
  action("ShowEcbsMP")->trigger();
  EXPECT_TRUE(sent({"GETBLKS 1 CP6001", "GETBLKS 0 CP6001"}));
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

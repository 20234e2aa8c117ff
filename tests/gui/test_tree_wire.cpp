// The block tree over a connection: what the list requests and the double click send.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "support/BlockLines.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;

class TreeWire : public ClientFixture {
 protected:
  void openExample() {
    connectClient();
    openSessionWithTree({cmp(1, "A"), blk(2, "B1", "AIN"), cmp(3, "C"), blk(4, "D1", "IND"),
                         end(5)});
    ASSERT_TRUE(server.waitForCommands(1));
    ASSERT_EQ(server.commands.takeFirst(), "GETBLKS 0 CP6001");
  }
  QTreeWidget* view() { return form().TreeView1; }
  QPoint centreOf(const QString& key) {
    QTreeWidgetItem* item = client->tree().blocks().find(key);
    if (!item) return {};
    if (item->parent()) item->parent()->setExpanded(true);
    view()->scrollToItem(item);
    return view()->visualItemRect(item).center();
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
  // Nothing more goes out: a later command arrives first.
  void expectNothingSentBefore(const QString& marker) {
    ASSERT_TRUE(server.waitForCommands(1));
    EXPECT_EQ(server.commands.first(), marker);
  }
};

TEST_F(TreeWire, ListFromTheServerFillsTheTree) {
  openExample();
  EXPECT_TRUE(form().CBFRM->isVisible());
  ASSERT_EQ(view()->topLevelItemCount(), 3);
  EXPECT_EQ(view()->topLevelItem(1)->child(0)->text(0), "D1                IND");
  EXPECT_EQ(form().panelText(3), "");
}

TEST_F(TreeWire, RefreshHidesTheTreeAndAsksAgain) {
  openExample();
  form().RefreshListMP->trigger();
  EXPECT_FALSE(form().CBFRM->isVisible());
  ASSERT_TRUE(server.waitForCommands(1));
  EXPECT_EQ(server.commands[0], "GETBLKS 0 CP6001");
  reply({"CLRBLKLST", cmp(1, "NEW"), "DNBLKLST"});
  EXPECT_TRUE(form().CBFRM->isVisible());
  EXPECT_EQ(view()->topLevelItemCount(), 1);
}

TEST_F(TreeWire, TickingShowEcbsAsksForAllBlocksAndUntickingForFewer) {
  openExample();
  ASSERT_FALSE(form().ShowEcbsMP->isChecked());
  form().ShowEcbsMP->trigger();
  EXPECT_TRUE(form().ShowEcbsMP->isChecked());
  EXPECT_FALSE(form().CBFRM->isVisible());
  ASSERT_TRUE(server.waitForCommands(1));
  EXPECT_EQ(server.commands[0], "GETBLKS 1 CP6001");
  form().ShowEcbsMP->trigger();
  EXPECT_FALSE(form().ShowEcbsMP->isChecked());
  ASSERT_TRUE(server.waitForCommands(2));
  EXPECT_EQ(server.commands[1], "GETBLKS 0 CP6001");
}

TEST_F(TreeWire, DoubleClickOnABlockAsksForItsParameters) {
  openExample();
  doubleClick("C:D1");
  ASSERT_TRUE(server.waitForCommands(1));
  EXPECT_EQ(server.commands[0], "GETPARMS:C:D1");
  EXPECT_EQ(form().currSelBlk, "C:D1");
}

TEST_F(TreeWire, DoubleClickOnACompoundOrTheEndAsksForNothing) {
  openExample();
  doubleClick("A");
  EXPECT_EQ(form().currSelBlk, "A");
  ASSERT_TRUE(form().EditPB->isEnabled());
  doubleClick("***END***");
  EXPECT_EQ(form().currSelBlk, "***END***");
  form().RefreshListMP->trigger();
  expectNothingSentBefore("GETBLKS 0 CP6001");
}

TEST_F(TreeWire, DoubleClickWithEditDisabledAsksForNothing) {
  openExample();
  QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, centreOf("A:B1"));
  ASSERT_EQ(form().currSelBlk, "A:B1");
  form().EditPB->setEnabled(false);
  emit view()->itemDoubleClicked(client->tree().blocks().find("A:B1"), 0);
  form().RefreshListMP->trigger();
  expectNothingSentBefore("GETBLKS 0 CP6001");
}

// Finding blocks in the tree: what typing shows, Enter and Escape, and the replies that
// change the tree while a search is on, over a recording fake server.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "browser/TreeFilter.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using browser::BlockTree;

class Find : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({cmp(1, "BOILER"), blk(2, "LT101", "AIN"), blk(3, "LC101", "PIDA"),
                         blk(4, "FT102", "AIN"), blk(5, "---END_BOILER", ""), cmp(6, "FEED"),
                         blk(7, "FT201", "AIN"), blk(8, "FV201", "AOUT"), blk(9, "---END_FEED", ""),
                         end(10)});
  }

  QLineEdit* field() { return ui<QLineEdit>("FilterTB"); }
  QTreeWidget* view() { return ui<QTreeWidget>("TreeView1"); }
  QTreeWidgetItem* node(const QString& key) { return client->tree().blocks().find(key); }
  void search(const QString& text) {
    field()->setText(text);
    settle();  // a change of the tree is followed once it is complete
  }

  // What the user sees: the nodes shown, an open compound's shown blocks in brackets.
  std::string shown() {
    QStringList out;
    for (int i = 0; i < view()->topLevelItemCount(); ++i) {
      QTreeWidgetItem* top = view()->topLevelItem(i);
      if (top->isHidden()) continue;
      QStringList blocks;
      for (int j = 0; top->isExpanded() && j < top->childCount(); ++j)
        if (!top->child(j)->isHidden()) blocks << BlockTree::keyOf(top->child(j));
      out << BlockTree::keyOf(top) + (blocks.isEmpty() ? "" : "[" + blocks.join(u' ') + "]");
    }
    return out.join(u' ').toStdString();
  }
};

TEST_F(Find, TypingShowsTheMatchesOfNameOrTypeWithTheirCompounds) {
  QTest::keyClicks(field(), "Ft");
  EXPECT_EQ(shown(), "BOILER[BOILER:FT102] FEED[FEED:FT201]");
  const struct {
    const char* text;
    const char* shown;
  } steps[] = {
      {"pida", "BOILER[BOILER:LC101]"},    // FEED, opened by the search, is closed again
      {"feed", "FEED[FEED:---END_FEED]"},  // a compound by its name, and its end entry
      {"", "BOILER FEED ***END***"},       // as it was, every compound closed
  };
  for (const auto& s : steps) {
    search(s.text);
    EXPECT_EQ(shown(), s.shown) << s.text;
  }
}

TEST_F(Find, EnterSelectsTheFirstMatchAsAClickDoesAndEscapeClears) {
  QTest::keyClick(&form(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(QApplication::focusWidget(), field());
  QTest::keyClicks(field(), "nothing");
  QTest::keyClick(field(), Qt::Key_Return);
  EXPECT_EQ(client->tree().currSelBlk(), "");
  EXPECT_EQ(enabledButtons(), "");

  field()->clear();
  QTest::keyClicks(field(), "1");
  QTest::keyClick(field(), Qt::Key_Enter);
  EXPECT_EQ(client->tree().currSelBlk(), "BOILER:LT101");
  EXPECT_EQ(QApplication::focusWidget(), view());
  EXPECT_EQ(enabledButtons(), "EditPB AddPB XrefPB CopyPB DelPB MoveFromPB");

  field()->setFocus();
  QTest::keyClick(field(), Qt::Key_Escape);
  EXPECT_EQ(field()->text(), "");
  // The compound of the selected block stays open; the others close again.
  EXPECT_EQ(shown(),
            "BOILER[BOILER:LT101 BOILER:LC101 BOILER:FT102 BOILER:---END_BOILER] FEED ***END***");
}

TEST_F(Find, RepliesAndRefreshChangeTheTreeAsWithoutASearch) {
  search("ft");
  // Added (before FT201) and selected, but not what is looked for: in the tree, hidden.
  reply({q(recordLine(9, "DNADDNEW", "FEED:FT201", "FEED:LT202", "AIN"))});
  EXPECT_EQ(client->tree().currSelBlk(), "FEED:LT202");
  EXPECT_EQ(shown(), "BOILER[BOILER:FT102] FEED[FEED:FT201]");
  reply({q(recordLine(9, "DNCPYNEX", "FEED:LT202", "FEED:FT203", "AIN")), "DNDELBLXFEED:FT201"});
  EXPECT_EQ(shown(), "BOILER[BOILER:FT102] FEED[FEED:FT203]");
  search("");
  EXPECT_EQ(shown(), "BOILER FEED[FEED:FT203 FEED:LT202 FEED:FV201 FEED:---END_FEED] ***END***");

  search("lt");
  action("RefreshListMP")->trigger();
  ASSERT_TRUE(sent({"GETBLKS 0 CP6001"}));
  reply({"CLRBLKLST", cmp(1, "BOILER"), blk(2, "LT101", "AIN"), blk(3, "FT102", "AIN"),
         cmp(4, "WATER"), blk(5, "LT301", "AIN"), end(6), "DNBLKLST"});
  EXPECT_EQ(shown(), "BOILER[BOILER:LT101] WATER[WATER:LT301]");
}

TEST_F(Find, ASearchFindingBlocksAllOverLeavesTheirCompoundsClosed) {
  // More blocks in the compounds holding matches than are opened for reading through.
  const int compounds = browser::TreeFilter::kMostBlocksOpened / 50 + 1;
  QStringList lines = {"CLRBLKLST"};
  int n = 0;
  for (int c = 0; c < compounds; ++c) {
    lines << cmp(++n, "C" + std::to_string(c));
    for (int b = 0; b < 50; ++b) lines << blk(++n, "B" + std::to_string(b), b % 2 ? "PID" : "AIN");
  }
  reply(lines << "DNBLKLST");
  search("ain");
  EXPECT_TRUE(!node("C7")->isHidden() && !node("C7")->isExpanded());
  node("C7")->setExpanded(true);  // as the user opens it: only its matches show
  EXPECT_TRUE(!node("C7:B48")->isHidden() && node("C7:B49")->isHidden());
  search("c7:b4");  // few enough: opened
  EXPECT_EQ(shown(),
            "C7[C7:B4 C7:B40 C7:B41 C7:B42 C7:B43 C7:B44 C7:B45 C7:B46 C7:B47 C7:B48 C7:B49]");
}

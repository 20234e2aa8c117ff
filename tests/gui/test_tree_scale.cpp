// The keyed tree with thousands of nodes: its key table grows many times over while a long
// list arrives, and every key must still find its node, refuse a second node and be freed
// with its node.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include "browser/BlockTree.h"

using namespace tarvo::browser;

namespace {

constexpr int kCompounds = 80;
constexpr int kBlocksEach = 50;

QString compound(int c) {
  return QStringLiteral("C%1").arg(c);
}
QString block(int c, int b) {
  return compound(c) + QStringLiteral(":B%1").arg(b);
}

// How many of the keys are not found on a node that carries them.
int lostKeys(const BlockTree& tree) {
  int lost = 0;
  for (int c = 0; c < kCompounds; ++c) {
    lost += BlockTree::keyOf(tree.find(compound(c))) == compound(c) ? 0 : 1;
    for (int b = 0; b < kBlocksEach; ++b)
      lost += BlockTree::keyOf(tree.find(block(c, b))) == block(c, b) ? 0 : 1;
  }
  return lost;
}

}  // namespace

TEST(KeyedTreeScale, KeysAndOrderHoldWhileTheTableGrows) {
  QTreeWidget view;
  BlockTree tree(&view);
  auto addBlocks = [&](int c) {
    for (int b = 0; b < kBlocksEach; ++b)
      ASSERT_NE(tree.addLastChild(compound(c), block(c, b), QStringLiteral("B"), NodeKind::Block),
                nullptr);
  };
  tree.beginList();
  for (int c = 0; c < kCompounds; ++c) {
    ASSERT_NE(tree.addLastTop(compound(c), compound(c), NodeKind::Compound), nullptr);
    addBlocks(c);
  }
  // Taken keys stay taken, wherever the second node would go.
  int doubled = 0;
  for (int c = 0; c < kCompounds; ++c)
    doubled += tree.addLastChild(compound((c + 1) % kCompounds), block(c, c % kBlocksEach),
                                 QStringLiteral("again"), NodeKind::Block) != nullptr;
  EXPECT_EQ(doubled, 0);

  // A compound removed while the list is still collected frees its own keys and no other,
  // and leaves its neighbours side by side; put back, it takes its place again.
  ASSERT_TRUE(tree.remove(compound(7)));
  EXPECT_EQ(tree.count(), kCompounds * (kBlocksEach + 1) - kBlocksEach - 1);
  EXPECT_FALSE(tree.contains(block(7, 0)));
  EXPECT_EQ(tree.nextSibling(tree.find(compound(6))), tree.find(compound(8)));
  ASSERT_NE(tree.addBefore(compound(8), compound(7), compound(7), NodeKind::Compound), nullptr);
  addBlocks(7);
  tree.finishList();

  EXPECT_EQ(tree.count(), kCompounds * (kBlocksEach + 1));
  EXPECT_EQ(lostKeys(tree), 0);
  ASSERT_EQ(view.topLevelItemCount(), kCompounds);
  int misplaced = 0;
  for (int c = 0; c < kCompounds; ++c)
    misplaced += BlockTree::keyOf(view.topLevelItem(c)) == compound(c) &&
                         view.topLevelItem(c)->childCount() == kBlocksEach
                     ? 0
                     : 1;
  EXPECT_EQ(misplaced, 0);
}

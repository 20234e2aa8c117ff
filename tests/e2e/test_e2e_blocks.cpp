// Adding, copying, moving and deleting blocks against tarvo-sim: after each change the tree
// the client has updated from the confirmation must be the tree a fresh block list gives.
#include "blocks/BlockTypesFRM.h"
#include "blocks/BlocksController.h"
#include "browser/BlockTree.h"
#include "browser/TreeController.h"
#include "browser/block_list.h"
#include "support/SimFixture.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

// One line per node in tree order, "key|text", a block's line indented under its compound.
QString nodeLine(bool child, const QString& key, const QString& text) {
  return (child ? QStringLiteral("  ") : QString()) + key + u'|' + text;
}

}  // namespace

class BlocksEndToEnd : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    client = newClient(prompter);
    openCp(*client, prompter, QStringLiteral("CP6001"));
    ASSERT_TRUE(control<QGroupBox>(*client, "CBFRM")->isVisible());
  }

  QPushButton* button(const char* name) { return control<QPushButton>(*client, name); }
  void select(const QString& key) {
    ASSERT_TRUE(client->tree().selectNode(key)) << key.toStdString();
  }
  bool statusBecomes(const QString& text) {
    return waitUntil([&] { return client->form().panelText(3) == text; });
  }

  // The tree the client shows.
  QStringList shownTree() {
    QStringList out;
    QTreeWidget* view = control<QTreeWidget>(*client, "TreeView1");
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
      QTreeWidgetItem* top = view->topLevelItem(i);
      out << nodeLine(false, browser::BlockTree::keyOf(top), top->text(0));
      for (int j = 0; j < top->childCount(); ++j)
        out << nodeLine(true, browser::BlockTree::keyOf(top->child(j)), top->child(j)->text(0));
    }
    return out;
  }

  // The tree a fresh "GETBLKS" gives, asked of an engine on a copy of the simulator's plant
  // so that the client keeps its session.
  QStringList listedTree() {
    sim::Engine fresh(sim.engine().plant());
    const sim::ConnId id = fresh.connect();
    fresh.handle(id, "OPENCP:CP6001 ALL WS99");
    browser::BlockListBuilder builder;
    QStringList out;
    for (const sim::Outgoing& o : fresh.handle(id, "GETBLKS 0 CP6001")) {
      if (!o.line.starts_with("BLKLST")) continue;
      const browser::NodeOp& op = builder.feed(o.line).node;
      if (op.placement != browser::Placement::None)
        out << nodeLine(op.key.find(':') != std::string::npos, QString::fromStdString(op.key),
                        QString::fromStdString(op.text));
    }
    return out;
  }

  // The client's tree is the one the server lists.
  void expectTheServerListsTheClientsTree() {
    const QStringList shown = shownTree();
    ASSERT_GT(shown.size(), 10);
    EXPECT_EQ(listedTree(), shown);
  }

  std::unique_ptr<Client> client;
};

TEST_F(BlocksEndToEnd, AddCopyMoveAndDeleteLeaveTheTreeAFreshListGives) {
  // Add: an AIN block before BOILER:LT101.
  select("BOILER:LT101");
  prompter.answerInput("newai");
  button("AddPB")->click();
  // The type chooser shows the list the simulator sent.
  blocks::BlockTypesFRM& chooser = client->blocks().blockTypes();
  ASSERT_TRUE(chooser.isVisible());
  inside<QComboBox>(&chooser, "BlockTypesCB")->setCurrentIndex(chooser.types().indexOf("AIN"));
  inside<QPushButton>(&chooser, "OKButton")->click();
  ASSERT_TRUE(statusBecomes("ADD: BOILER:NEWAI"));
  expectTheServerListsTheClientsTree();

  // Copy it to the end of FEEDWT.
  select("BOILER:NEWAI");
  button("CopyPB")->click();
  QTreeWidgetItem* feed = client->tree().blocks().find("FEEDWT");
  ASSERT_NE(feed, nullptr);
  const QString feedEnd = browser::BlockTree::keyOf(feed->child(feed->childCount() - 1));
  ASSERT_TRUE(feedEnd.startsWith("FEEDWT:---END_")) << feedEnd.toStdString();
  select(feedEnd);
  prompter.answerInput("copyai");
  button("PastePB")->click();
  ASSERT_TRUE(statusBecomes("COPY: FEEDWT:COPYAI"));
  expectTheServerListsTheClientsTree();

  // Move the new block into FEEDWT, where it takes FEEDWT's name.
  select("BOILER:NEWAI");
  button("MoveFromPB")->click();
  select("FEEDWT:FT201");
  button("MoveToPB")->click();
  ASSERT_TRUE(statusBecomes("MOVE: FEEDWT:NEWAI"));
  expectTheServerListsTheClientsTree();

  // Delete it.
  select("FEEDWT:NEWAI");
  prompter.answer(QMessageBox::Yes);
  button("DelPB")->click();
  ASSERT_TRUE(statusBecomes("DEL: FEEDWT:NEWAI"));
  expectTheServerListsTheClientsTree();
  // Only the names asked for and the question before deleting: no error, no warning.
  for (const ShownBox& box : prompter.shown)
    EXPECT_TRUE(box.isInput || box.title == "Are you sure") << box.title.toStdString();
}

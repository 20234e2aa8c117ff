// Parameter list replies that come late or out of place: rows after the list ended, a new
// list while another is still loading.
#include <QPointer>
#include <QTableWidget>

#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using params::ParmEditFRM;

class LateReplies : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
  }
};

TEST_F(LateReplies, RowsAfterTheListEndedGoBeforeTheBlankRowAndKeepTheChosenRow) {
  selectBlock("CMP1:PID1");
  reply({"CLRPRMLST", "PRMLST NAME  PID1", "PRMLST HILIM 100", "DNPRMLST"});
  ParmEditFRM* editor = client->params().parmEditor();
  ASSERT_TRUE(editor && waitUntil([editor] { return editor->EditRow() == 2; }));
  reply({"PRMLST LOLIM 0", "PRMLST KP    1.5"});
  QTableWidget* grid = editor->MSHFlexGrid1;
  ASSERT_EQ(grid->rowCount(), 5);
  QStringList cells;
  for (int r = 0; r < grid->rowCount(); ++r)
    cells << grid->item(r, 0)->text() + "=" + grid->item(r, 1)->text();
  EXPECT_EQ(cells, QStringList({"NAME=PID1", "HILIM=100", "LOLIM=0", "KP=1.5", "="}));
  EXPECT_EQ(editor->EditRow(), 2);
  EXPECT_EQ(grid->currentRow(), ParmEditFRM::tableRowOf(2));
}

TEST_F(LateReplies, ANewListUnloadsAnEditorWhoseListNeverCompleted) {
  selectBlock("CMP1:PID1");
  reply({"CLRPRMLST", "PRMLST NAME  PID1"});
  QPointer<ParmEditFRM> stranded = client->params().parmEditor();
  selectBlock("CMP1:AIN2", "AIN");
  reply({"CLRPRMLST", "PRMLST NAME  AIN2", "DNPRMLST"});
  EXPECT_TRUE(waitUntil([&] { return stranded.isNull(); }));
  EXPECT_TRUE(sent({"MODDONE:CMP1:PID1"}));
  ASSERT_NE(client->params().parmEditor(), nullptr);
  EXPECT_TRUE(client->params().parmEditor()->isVisible());
  EXPECT_EQ(client->params().parmEditor()->CBUse, "CMP1:AIN2");
}

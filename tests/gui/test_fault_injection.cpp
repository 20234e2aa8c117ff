// The server closing the connection at every point of each flow that waits for a reply:
// no window may be left disabled, hidden or waiting for good, and a new connect works.
#include <QApplication>
#include <QPointer>

#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/BlockLines.h"
#include "support/ClientFixture.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

using namespace tarvo;
using namespace tarvo::test;

class FaultInjection;

namespace {

QString line(const std::string& s) {
  return QString::fromStdString(s);
}

struct Flow {
  const char* name;
  // Brings the client to where it has asked and waits for the answer.
  std::function<void(FaultInjection&)> ask;
  // Each way the answer may be cut off: the lines that still arrive before the close.
  QList<QStringList> partials;
};

}  // namespace

class FaultInjection : public ClientFixture {
 public:
  using ClientFixture::action;
  using ClientFixture::button;
  using ClientFixture::client;
  using ClientFixture::prompter;
  using ClientFixture::reply;
  using ClientFixture::ui;

  void session() {
    openSessionWithTree({line(cmpLine(1, "A")), line(blkLine(2, "B1", "AIN")),
                         line(blkLine(3, "SEQ1", "DEP")), line(blkLine(4, "LAD1", "PLB")),
                         line(endLine(5))});
  }
  void select(const char* key) { ASSERT_TRUE(client->tree().selectNode(QLatin1String(key))); }
  QPushButton* editorButton(const char* name) {
    auto* editor = client->sequence().seqEditor();
    return editor ? editor->findChild<QPushButton*>(QLatin1String(name)) : nullptr;
  }

  // What must hold once the connection is gone, and that a new one can be made.
  void checkRecovers(const QString& what) {
    SCOPED_TRACE(what.toStdString());
    EXPECT_TRUE(form().isVisible());
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (!window->isVisible()) continue;
      EXPECT_TRUE(window->isEnabled()) << window->objectName().toStdString() << " disabled";
    }
    // A parameter editor still loading can never be shown: it must be gone.
    auto* editor = client->params().parmEditor();
    EXPECT_TRUE(!editor || editor->isVisible());
    // Edit Seq is back unless the editor it opened is still there (its Cancel closes it).
    if (client->sequence().seqEditor()) {
      EXPECT_TRUE(editorButton("CancelPB")->isEnabled());
    } else {
      EXPECT_FALSE(button("EditSeq")->isHidden());
    }
    server.commands.clear();
    if (action("SessionCloseMP")->isVisible()) action("SessionCloseMP")->trigger();
    action("SessionNewMP")->trigger();
    ASSERT_TRUE(server.waitForClient());
    EXPECT_TRUE(sent({"GETVERSION", "GETCPS", "GETCMPS"}));
  }
};

TEST_F(FaultInjection, TheServerGoingAwayAtAnyPointLeavesNothingWaiting) {
  const QList<Flow> flows = {
      {"lists", [](FaultInjection&) {}, {{}, {"CLRCPLST", "CPLST    CP6001"}}},
      {"open session",
       [](FaultInjection& t) {
         t.reply({"CLRCPLST", "CPLST    CP6001", "DNCPLST"});
         emit t.ui<QComboBox>("CPListCBO")->activated(0);
       },
       {{}, {"TRYOPENCP contacting ICC"}}},
      {"block list",
       [](FaultInjection& t) { t.reply({"DNOPENCPCP6001"}); },
       {{}, {"CLRBLKLST"}, {"CLRBLKLST", line(cmpLine(1, "A")), line(blkLine(2, "B1", "AIN"))}}},
      {"parameter list",
       [](FaultInjection& t) {
         t.session();
         t.select("A:B1");
         t.button("EditPB")->click();
       },
       {{}, {"CLRPRMLST"}, {"CLRPRMLST", "PRMLST NAME  B1"}}},
      {"CP utility",
       [](FaultInjection& t) {
         t.session();
         t.prompter.answer(QMessageBox::Yes);
         t.action("UploadCPMP")->trigger();
       },
       {{}}},
      {"add compound",
       [](FaultInjection& t) {
         t.session();
         t.select("***END***");
         t.prompter.answerInput("NEWC");
         t.button("AddPB")->click();
       },
       {{}}},
      {"edit session",
       [](FaultInjection& t) {
         t.session();
         t.select("A:SEQ1");
         t.button("EditSeq")->click();
       },
       {{}, {"WRNEDTSEQ no source yet"}}},
      {"source download",
       [](FaultInjection& t) {
         t.session();
         t.select("A:SEQ1");
         t.button("EditSeq")->click();
         t.reply({"DNEDTSEQ A:SEQ1"});
         t.editorButton("EditPB")->click();
       },
       {{}, {"CLRSEQSRC", "SEQSRCSEQUENCE SEQ1"}}},
      {"compile and listing",
       [](FaultInjection& t) {
         t.session();
         t.select("A:SEQ1");
         t.button("EditSeq")->click();
         t.reply({"DNEDTSEQ A:SEQ1"});
         t.editorButton("CompilePB")->click();
       },
       {{}, {"ERRCPLSEQ 1 error"}, {"ERRCPLSEQ 1 error", "CLRGETLST", "SEQLST    1  X"}}},
      {"PLB listing",
       [](FaultInjection& t) {
         t.session();
         t.select("A:LAD1");
         t.button("PLBEditPB")->click();
       },
       {{}, {"CLRPLBLIST A:LAD1", "PLBLIST RUNG 1"}}},
      {"cross-reference run",
       [](FaultInjection& t) {
         t.prompter.answer(QMessageBox::Ok);
         t.action("xrefMP")->trigger();
         t.client->xref().createXref();
       },
       {{}, {"XREFRUNLINE Reading CP6001"}}},
      {"cross-reference of a block",
       [](FaultInjection& t) {
         t.session();
         t.select("A:B1");
         t.button("XrefPB")->click();
       },
       {{}, {"CLRXREFLST", "XREFLST IN  A:B1.MEAS"}}},
  };
  for (const Flow& flow : flows) {
    for (const QStringList& partial : flow.partials) {
      const QString what = QLatin1String(flow.name) + " | " + partial.join(u'|');
      SCOPED_TRACE(what.toStdString());
      client.reset();
      prompter.clear();
      connectClient();
      flow.ask(*this);
      if (!partial.isEmpty()) reply(partial);
      server.dropClient();
      ASSERT_TRUE(waitUntil([&] { return !client->connection().isConnected(); }));
      settle();
      checkRecovers(what);
    }
  }
}

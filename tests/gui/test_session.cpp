// Opening, refusing, overriding and closing ICC sessions, and the CP utilities.
#include <QHostInfo>
#include <QTcpSocket>

#include "app/LinkController.h"
#include "browser/TreeController.h"
#include "icc/SessionController.h"
#include "link/Connection.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;

class Session : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    reply({"CLRCPLST", "CPLST    CP6001 ready", "CPLST    CP6002", "DNCPLST", "CLRCMPLST",
           "CMPLST      BOILER       CP6003 x", "DNCMPLST"});
  }
};

TEST_F(Session, PickingARowOpensItsCpAndAsksForItsBlocksAtOnceItsCloseAsksForTheLists) {
  client->session().rowChosen(QString(), false);  // an empty row opens nothing
  emit ui<QComboBox>("CPListCBO")->activated(0);
  const QString host = QHostInfo::localHostName();
  // The block list request goes out with the open, before any answer.
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001"}));
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|Opening ICC session to CP6001");
  action("ShowEcbsMP")->setChecked(true);
  emit ui<QComboBox>("CmpCBO")->activated(0);  // the compound's CP, not its name
  EXPECT_TRUE(sent({"OPENCP:CP6003 ALL " + host, "GETBLKS 1 CP6003"}));
  action("ShowEcbsMP")->setChecked(false);

  reply({"TRYOPENCPstarting ICC"});
  EXPECT_EQ(form().panelText(3), "Opening CP: starting ICC");
  // The open's answer asks for nothing more: its list is on its way.
  reply({"DNOPENCPCP6001XYZ"});
  EXPECT_EQ(form().panelText(2), "CP: CP6001");
  EXPECT_EQ(form().sessionCp(), "CP6001");
  EXPECT_TRUE(sent({}));
  EXPECT_EQ(shown(), "SessionCloseMP CPFRM");
  reply({"CLRBLKLST", cmp(1, "BOILER"), blk(2, "LT101", "AIN"), "DNBLKLST"});
  EXPECT_EQ(shown(), "SessionCloseMP ListMenu CPUtilitiesMenu CPFRM CBFRM");
  EXPECT_EQ(keys(), "BOILER[BOILER:LT101]");

  // The server closing the session fetches the lists again.
  reply({"CLOSEICC CP6001"});
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|Closed session to CP [CP6001]");
  EXPECT_EQ(shown(), "SessionNewMP");
  EXPECT_TRUE(sent({"GETCPS", "GETCMPS"}));
  reply({"CLRCPLST"});
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP");
}

TEST_F(Session, ARefusedOpenShowsTheListsALockedCpAsksToOverrideACheckpointingOneCloses) {
  form().hideLists(true);
  reply({"ERROPENCPCP9999 not found"});
  EXPECT_EQ(form().panelText(2), "CP: None");
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP CPFRM CPListCBO OrLBL CmpCBO");
  runAll("yes, LOCKOPENCP CP6004 held by AW0001");
  EXPECT_TRUE(sent({"OVERRIDECP:CP6004 held by AW0001"}));  // the whole lock text
  EXPECT_EQ(form().panelText(3), "Overriding: CP6004 held by AW0001");
  EXPECT_TRUE(prompter.showed(1, "CP Locked", "[CP6004] is locked, Override?",
                              Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No));
  runAll("no, LOCKOPENCP CP6004 held by AW0001, CHECKPOINT CP6005");
  EXPECT_TRUE(sent({"CLOSEICC", "CLOSEICC"}));
  EXPECT_EQ(prompter.boxes(),
            "CP Open Error|Can not open CP [CP9999 not found]; "
            "CP Locked|[CP6004] is locked, Override?; CP Locked|[CP6004] is locked, Override?; "
            "CP Checkpoint|[CP6005] Checkpoint in Progress");
}

TEST_F(Session, TheListAskedWithAnOpenThatFailsIsPassedOverAndALostLinkForgetsIt) {
  const QString host = QHostInfo::localHostName();
  const QStringList aList = {"CLRBLKLST", cmp(1, "BOILER"), blk(2, "LT101", "AIN"), "DNBLKLST"};
  // Refused: the list's answer, an error, shows no second box.
  run("pick");
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001"}));
  reply({"ERROPENCPCP6001 no configurator", "ERRBLKLST no session"});
  EXPECT_EQ(prompter.boxes(), "CP Open Error|Can not open CP [CP6001 no configurator]");
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP CPFRM CPListCBO OrLBL CmpCBO");

  // Locked and declined, and checkpointing: a list that comes anyway is not shown.
  runAll("pick, no");
  reply(QStringList{"LOCKOPENCP CP6001 held by AW0001"} + aList);
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001", "CLOSEICC"}));
  run("pick");
  reply(QStringList{"CHECKPOINT CP6001"} + aList);
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001", "CLOSEICC"}));
  EXPECT_FALSE(ui("CBFRM")->isVisible());
  EXPECT_EQ(keys(), "");

  // Taken over: the list is asked for once the override has opened the session.
  runAll("pick, yes");
  reply({"LOCKOPENCP CP6001 held by AW0001", "ERRBLKLST locked"});
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001",
                    "OVERRIDECP:CP6001 held by AW0001"}));
  reply({"DNOPENCPCP6001"});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  reply(aList);
  EXPECT_TRUE(ui("CBFRM")->isVisible());
  EXPECT_EQ(keys(), "BOILER[BOILER:LT101]");
  EXPECT_EQ(prompter.shown.size(), 4);  // the refusal, two lock questions and the checkpoint

  // Two opens in flight, the first refused: each answer goes to its own request.
  action("SessionCloseMP")->trigger();
  connectClient();
  reply({"CLRCPLST", "CPLST    CP6001", "DNCPLST"});
  client->tree().clear();
  runAll("pick, pick");
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001", "OPENCP:CP6001 ALL " + host,
                    "GETBLKS 0 CP6001"}));
  reply(QStringList{"ERROPENCPCP6001 busy", "ERRBLKLST no session", "DNOPENCPCP6001"} + aList);
  EXPECT_TRUE(sent({}));
  EXPECT_EQ(keys(), "BOILER[BOILER:LT101]");
  EXPECT_EQ(prompter.shown.size(), 5);

  // Answers still awaited when the link is lost never come: the next connection's lists
  // are all shown.
  client->tree().clear();
  run("pick");
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "GETBLKS 0 CP6001"}));
  reply({"ERROPENCPCP6001 busy"});
  server.dropClient();
  ASSERT_TRUE(waitUntil([&] { return !client->connection().isConnected(); }));
  action("SessionCloseMP")->trigger();
  connectClient();
  reply(QStringList{"DNOPENCPCP6001"});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  reply(aList);
  EXPECT_EQ(keys(), "BOILER[BOILER:LT101]");
}

TEST_F(Session, CommandsLeaveWithoutWaitingForTheServerToAcknowledgeTheOnesBefore) {
  // Without it, the tail of a long upload would wait a round trip for the acknowledgement
  // of what went before it.
  EXPECT_EQ(client->connection().socket()->socketOption(QAbstractSocket::LowDelayOption).toInt(),
            1);
}

TEST_F(Session, CloseMenuEndsSessionAndConnectionAndResetsTheWindowEvenWhenNotConnected) {
  reply({"VERSION0.95.1", "DNOPENCPCP6001"});
  action("SessionCloseMP")->trigger();
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001", "CLOSEICC"}));
  EXPECT_TRUE(server.waitForDisconnect());
  EXPECT_EQ(panels(), "Host: None|CP: None|");
  EXPECT_EQ(shown(), "SessionNewMP");
  EXPECT_EQ(client->linkController().serverVersion(), "?.?.?");
  // Closing again, while not connected, still resets the window and connects nowhere.
  form().updStatBar(QStringLiteral("CP6001"), 2);
  action("SessionCloseMP")->trigger();
  EXPECT_EQ(form().panelText(2), "CP: None");
  EXPECT_TRUE(sent({}));
}

// ---- CP utilities -----------------------------------------------------------------------

class CpUtilities : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({});  // the utilities' menu comes with the tree
  }
  // Whether the window and its tree take input.
  bool usable() { return form().isEnabled() && ui<QTreeWidget>("TreeView1")->isEnabled(); }
};

TEST_F(CpUtilities, NoSendsNothingAndYesLocksTheWindowUntilTheUtilityIsDone) {
  runAll("no, menu UploadCPMP");
  EXPECT_TRUE(prompter.showed(0, "Are you Sure",
                              "Uploads parameters from CP (This may take a while). Proceed?",
                              Prompter::Icon::None));
  EXPECT_TRUE(sent({}));
  EXPECT_TRUE(usable());
  runAll("yes, menu CheckpointCPMP");
  EXPECT_TRUE(sent({"CHECKPOINTCP"}));
  EXPECT_FALSE(form().isEnabled());
  EXPECT_FALSE(ui<QTreeWidget>("TreeView1")->isEnabled());
  EXPECT_EQ(form().panelText(3), "Performing CHECKPOINT, Please Wait....");
  reply({"DNCPUTIL"});
  EXPECT_TRUE(usable());
  EXPECT_EQ(form().panelText(3), "");
  EXPECT_TRUE(
      prompter.showed(2, "CP Utility Function", "Operation Complete", Prompter::Icon::Information));
}

TEST_F(CpUtilities, AnErrorKeepsTheWaitTextAndALostConnectionSaysTheOutcomeIsUnknown) {
  runAll("yes, menu InitializeCPMP");
  EXPECT_TRUE(sent({"INITIALIZECP"}));
  reply({"ERRCPUTIL"});
  EXPECT_EQ(prompter.boxes(),
            "Are you Sure|Are You Sure You Want to Initialize this CP (CP Reboot must follow)?; "
            "CP Utility Function|ERROR: ");
  EXPECT_EQ(form().panelText(3), "INITIALIZING CP, Please Wait....");
  EXPECT_TRUE(usable());
  runAll("yes, menu UploadCPMP");
  EXPECT_TRUE(sent({"UPLOADCP"}));
  ASSERT_FALSE(form().isEnabled());
  server.dropClient();
  ASSERT_TRUE(waitUntil([this] { return form().isEnabled(); }));
  EXPECT_TRUE(usable());
  EXPECT_EQ(form().panelText(3), "UPLOAD: connection lost, outcome unknown");
}

// Opening, refusing, overriding and closing ICC sessions, and the CP utilities.
#include <QHostInfo>

#include "app/LinkController.h"
#include "icc/SessionController.h"
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

TEST_F(Session, PickingARowOpensItsCpTheSessionAsksForItsBlocksAndItsCloseForTheLists) {
  client->session().rowChosen(QString(), false);  // an empty row opens nothing
  emit ui<QComboBox>("CPListCBO")->activated(0);
  const QString host = QHostInfo::localHostName();
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host}));
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|Opening ICC session to CP6001");
  emit ui<QComboBox>("CmpCBO")->activated(0);  // the compound's CP, not its name
  EXPECT_TRUE(sent({"OPENCP:CP6003 ALL " + host}));

  reply({"TRYOPENCPstarting ICC"});
  EXPECT_EQ(form().panelText(3), "Opening CP: starting ICC");
  reply({"DNOPENCPCP6001XYZ"});
  EXPECT_EQ(form().panelText(2), "CP: CP6001");
  EXPECT_EQ(form().sessionCp(), "CP6001");
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  EXPECT_EQ(shown(), "SessionCloseMP CPFRM");

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

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

TEST_F(Session, PickingACpOrCompoundRowOpensItsCpAndTheOpenedSessionAsksForItsBlocks) {
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
  action("ShowEcbsMP")->setChecked(true);
  reply({"DNOPENCPCP6002"});
  EXPECT_TRUE(sent({"GETBLKS 1 CP6002"}));
}

TEST_F(Session, RefusedOpenShowsTheReasonAndTheListsAgain) {
  form().hideLists(true);
  reply({"ERROPENCPCP9999 not found"});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "CP Open Error", "Can not open CP [CP9999 not found]",
                              Prompter::Icon::Exclamation));
  EXPECT_EQ(form().panelText(2), "CP: None");
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP CPFRM CPListCBO OrLBL CmpCBO");
}

TEST_F(Session, LockedCpAsksToOverrideAndACheckpointingOneIsClosed) {
  prompter.answer(QMessageBox::Yes);
  reply({"LOCKOPENCP CP6004 held by AW0001"});
  EXPECT_TRUE(prompter.showed(0, "CP Locked", "[CP6004] is locked, Override?",
                              Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No));
  EXPECT_TRUE(sent({"OVERRIDECP:CP6004 held by AW0001"}));  // the whole lock text
  EXPECT_EQ(form().panelText(3), "Overriding: CP6004 held by AW0001");
  prompter.answer(QMessageBox::No);
  reply({"LOCKOPENCP CP6004 held by AW0001"});
  reply({"CHECKPOINT CP6005"});
  ASSERT_EQ(prompter.shown.size(), 3);
  EXPECT_TRUE(prompter.showed(2, "CP Checkpoint", "[CP6005] Checkpoint in Progress"));
  EXPECT_TRUE(sent({"CLOSEICC", "CLOSEICC"}));
}

TEST_F(Session, ClosedReplyFetchesTheListsAgain) {
  reply({"DNOPENCPCP6001"});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  reply({"CLOSEICC CP6001"});
  EXPECT_EQ(panels(), "Host: 127.0.0.1|CP: None|Closed session to CP [CP6001]");
  EXPECT_EQ(shown(), "SessionNewMP");
  EXPECT_TRUE(sent({"GETCPS", "GETCMPS"}));
  reply({"CLRCPLST"});
  EXPECT_EQ(shown(), "SessionCloseMP xrefMP");
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
  prompter.answer(QMessageBox::No);
  action("UploadCPMP")->trigger();
  EXPECT_TRUE(prompter.showed(0, "Are you Sure",
                              "Uploads parameters from CP (This may take a while). Proceed?",
                              Prompter::Icon::None));
  EXPECT_TRUE(sent({}));
  EXPECT_TRUE(usable());

  prompter.answer(QMessageBox::Yes);
  action("CheckpointCPMP")->trigger();
  EXPECT_TRUE(sent({"CHECKPOINTCP"}));
  EXPECT_FALSE(form().isEnabled());
  EXPECT_FALSE(ui<QTreeWidget>("TreeView1")->isEnabled());
  EXPECT_EQ(form().panelText(3), "Performing CHECKPOINT, Please Wait....");
  reply({"DNCPUTIL"});
  EXPECT_TRUE(usable());
  EXPECT_EQ(form().panelText(3), "");
  ASSERT_EQ(prompter.shown.size(), 3);
  EXPECT_TRUE(
      prompter.showed(2, "CP Utility Function", "Operation Complete", Prompter::Icon::Information));
}

TEST_F(CpUtilities, AnErrorKeepsTheWaitTextAndALostConnectionSaysTheOutcomeIsUnknown) {
  prompter.answer(QMessageBox::Yes);
  action("InitializeCPMP")->trigger();
  EXPECT_TRUE(sent({"INITIALIZECP"}));
  EXPECT_EQ(prompter.shown[0].text,
            "Are You Sure You Want to Initialize this CP (CP Reboot must follow)?");
  reply({"ERRCPUTIL"});
  EXPECT_TRUE(prompter.showed(1, "CP Utility Function", "ERROR: ", Prompter::Icon::Exclamation));
  EXPECT_EQ(form().panelText(3), "INITIALIZING CP, Please Wait....");
  EXPECT_TRUE(usable());

  prompter.answer(QMessageBox::Yes);
  action("UploadCPMP")->trigger();
  EXPECT_TRUE(sent({"UPLOADCP"}));
  ASSERT_FALSE(form().isEnabled());
  server.dropClient();
  ASSERT_TRUE(waitUntil([this] { return form().isEnabled(); }));
  EXPECT_TRUE(usable());
  EXPECT_EQ(form().panelText(3), "UPLOAD: connection lost, outcome unknown");
}

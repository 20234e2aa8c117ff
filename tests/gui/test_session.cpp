// Opening, refusing, overriding and closing ICC sessions, and the CP utilities.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHostInfo>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

#include "app/LinkController.h"
#include "browser/Form1.h"
#include "icc/CpUtilController.h"
#include "icc/SessionController.h"
#include "link/Connection.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;

class Session : public ClientFixture {
 protected:
  void connectWithLists() {
    connectClient();
    reply({"CLRCPLST", "CPLST    CP6001 ready", "CPLST    CP6002", "DNCPLST", "CLRCMPLST",
           "CMPLST      BOILER       CP6003 x", "DNCMPLST"});
    server.commands.clear();
  }
};

TEST_F(Session, PickingACpRowOrACompoundRowOpensItsCpAndAnEmptyRowNothing) {
  connectWithLists();
  client->session().rowChosen(QString(), false);
  emit ui<QComboBox>("CPListCBO")->activated(0);
  const QString host = QHostInfo::localHostName();
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host}));
  EXPECT_EQ(form().panelText(3), "Opening ICC session to CP6001");
  emit ui<QComboBox>("CmpCBO")->activated(0);  // the compound's CP, not its name
  EXPECT_TRUE(sent({"OPENCP:CP6001 ALL " + host, "OPENCP:CP6003 ALL " + host}));
}

TEST_F(Session, OpenedSessionAsksForTheBlocksOfItsSixCharacterCp) {
  connectWithLists();
  reply({"TRYOPENCPstarting ICC"});
  EXPECT_EQ(form().panelText(3), "Opening CP: starting ICC");
  reply({"DNOPENCPCP6001XYZ"});
  EXPECT_EQ(form().panelText(2), "CP: CP6001");
  EXPECT_EQ(form().sessionCp(), "CP6001");
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001"}));
  EXPECT_FALSE(ui<QComboBox>("CPListCBO")->isVisible());
  EXPECT_FALSE(ui<QLabel>("OrLBL")->isVisible());
  EXPECT_TRUE(ui<QGroupBox>("CPFRM")->isVisible());
  EXPECT_FALSE(action("xrefMP")->isEnabled());
  EXPECT_TRUE(action("SessionCloseMP")->isVisible());
  action("ShowEcbsMP")->setChecked(true);
  reply({"DNOPENCPCP6002"});
  EXPECT_TRUE(sent({"GETBLKS 0 CP6001", "GETBLKS 1 CP6002"}));
}

TEST_F(Session, RefusedOpenShowsTheReasonAndTheListsAgain) {
  connectWithLists();
  form().hideLists(true);
  reply({"ERROPENCPCP9999 not found"});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "CP Open Error", "Can not open CP [CP9999 not found]",
                              Prompter::Icon::Exclamation));
  EXPECT_EQ(form().panelText(2), "CP: None");
  EXPECT_TRUE(ui<QComboBox>("CPListCBO")->isVisible());
}

TEST_F(Session, LockedCpAsksToOverrideAndACheckpointingOneIsClosed) {
  connectWithLists();
  prompter.answer(QMessageBox::Yes);
  reply({"LOCKOPENCP CP6004 held by AW0001"});
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "CP Locked", "[CP6004] is locked, Override?",
                              Prompter::Icon::Question, QMessageBox::Yes | QMessageBox::No));
  EXPECT_TRUE(sent({"OVERRIDECP:CP6004 held by AW0001"}));  // the whole lock text
  EXPECT_EQ(form().panelText(3), "Overriding: CP6004 held by AW0001");
  prompter.answer(QMessageBox::No);
  reply({"LOCKOPENCP CP6004 held by AW0001"});
  EXPECT_TRUE(sent({"OVERRIDECP:CP6004 held by AW0001", "CLOSEICC"}));
  reply({"CHECKPOINT CP6005"});
  ASSERT_EQ(prompter.shown.size(), 3);
  EXPECT_TRUE(prompter.showed(2, "CP Checkpoint", "[CP6005] Checkpoint in Progress"));
  EXPECT_TRUE(sent({"OVERRIDECP:CP6004 held by AW0001", "CLOSEICC", "CLOSEICC"}));
}

TEST_F(Session, ClosedReplyFetchesTheListsAgain) {
  connectWithLists();
  reply({"DNOPENCPCP6001"});
  server.commands.clear();
  reply({"CLOSEICC CP6001"});
  EXPECT_EQ(form().panelText(2), "CP: None");
  EXPECT_EQ(form().panelText(3), "Closed session to CP [CP6001]");
  EXPECT_FALSE(ui<QGroupBox>("CPFRM")->isVisible());
  EXPECT_FALSE(action("xrefMP")->isEnabled());
  EXPECT_TRUE(action("SessionNewMP")->isVisible());
  EXPECT_TRUE(sent({"GETCPS", "GETCMPS"}));
  reply({"CLRCPLST"});
  EXPECT_TRUE(action("xrefMP")->isEnabled());
  EXPECT_FALSE(action("SessionNewMP")->isVisible());
}

TEST_F(Session, CloseMenuEndsSessionAndConnectionAndResetsTheWindowEvenWhenNotConnected) {
  connectWithLists();
  reply({"VERSION0.95.1", "DNOPENCPCP6001"});
  server.commands.clear();
  action("SessionCloseMP")->trigger();
  EXPECT_TRUE(sent({"CLOSEICC"}));
  EXPECT_TRUE(server.waitForDisconnect());
  EXPECT_EQ(form().panelText(1), "Host: None");
  EXPECT_EQ(form().panelText(2), "CP: None");
  EXPECT_EQ(form().panelText(3), "");
  EXPECT_EQ(client->linkController().serverVersion(), "?.?.?");
  EXPECT_TRUE(action("SessionNewMP")->isVisible());
  EXPECT_FALSE(action("SessionCloseMP")->isVisible());
  EXPECT_FALSE(ui<QGroupBox>("CPFRM")->isVisible());
  // Closing again, while not connected, still resets the window and connects nowhere.
  form().updStatBar(QStringLiteral("CP6001"), 2);
  action("SessionCloseMP")->trigger();
  EXPECT_EQ(form().panelText(2), "CP: None");
  settle();
  EXPECT_EQ(server.commands, QStringList{"CLOSEICC"});
}

class CpUtilities : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
    openSessionWithTree({});  // the utilities' menu comes with the tree
    server.commands.clear();
  }
};

TEST_F(CpUtilities, AnsweringNoSendsNothingAndKeepsTheWindowUsable) {
  prompter.answer(QMessageBox::No);
  action("UploadCPMP")->trigger();
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "Are you Sure",
                              "Uploads parameters from CP (This may take a while). Proceed?",
                              Prompter::Icon::None));
  settle();
  EXPECT_TRUE(server.commands.isEmpty());
  EXPECT_TRUE(form().isEnabled());
}

TEST_F(CpUtilities, CheckpointLocksTheWindowUntilDone) {
  prompter.answer(QMessageBox::Yes);
  action("CheckpointCPMP")->trigger();
  EXPECT_TRUE(sent({"CHECKPOINTCP"}));
  EXPECT_FALSE(form().isEnabled());
  EXPECT_FALSE(ui<QTreeWidget>("TreeView1")->isEnabled());
  EXPECT_EQ(form().panelText(3), "Performing CHECKPOINT, Please Wait....");
  reply({"DNCPUTIL"});
  EXPECT_TRUE(form().isEnabled());
  EXPECT_TRUE(ui<QTreeWidget>("TreeView1")->isEnabled());
  EXPECT_EQ(form().panelText(3), "");
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(
      prompter.showed(1, "CP Utility Function", "Operation Complete", Prompter::Icon::Information));
}

TEST_F(CpUtilities, ErrorKeepsTheWaitTextAndUnlocks) {
  prompter.answer(QMessageBox::Yes);
  action("InitializeCPMP")->trigger();
  EXPECT_TRUE(sent({"INITIALIZECP"}));
  EXPECT_EQ(prompter.shown[0].text,
            "Are You Sure You Want to Initialize this CP (CP Reboot must follow)?");
  reply({"ERRCPUTIL"});
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_TRUE(prompter.showed(1, "CP Utility Function", "ERROR: ", Prompter::Icon::Exclamation));
  EXPECT_EQ(form().panelText(3), "INITIALIZING CP, Please Wait....");
  EXPECT_TRUE(form().isEnabled());
}

TEST_F(CpUtilities, LostConnectionWhileWaitingUnlocksAndSaysTheOutcomeIsUnknown) {
  prompter.answer(QMessageBox::Yes);
  action("UploadCPMP")->trigger();
  EXPECT_TRUE(sent({"UPLOADCP"}));
  ASSERT_FALSE(form().isEnabled());
  server.dropClient();
  ASSERT_TRUE(waitUntil([this] { return form().isEnabled(); }));
  EXPECT_TRUE(ui<QTreeWidget>("TreeView1")->isEnabled());
  EXPECT_EQ(form().panelText(3), "UPLOAD: connection lost, outcome unknown");
}

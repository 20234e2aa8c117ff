// The cross-reference: the setup window and its lists, the generation with its polling,
// and one block's listing, checked on screen and on the wire.
#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "browser/TreeController.h"
#include "support/ClientFixture.h"
#include "ui/RunIndicator.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

using namespace tarvo;
using namespace tarvo::test;
using namespace tarvo::xref;

class Xref : public ClientFixture {
 protected:
  // Connected with no session, the setup window open.
  XrefOptionsFRM* openSetup() {
    connectClient();
    action("xrefMP")->trigger();
    return client->xref().setupWindow();
  }
  XrefOptionsBoxFRM* editor() { return client->xref().listEditor(); }
};

TEST_F(Xref, TheListsGoBackAsTheEditorShowsThemAndASecondListOfOneLetterJoinsTheFirst) {
  XrefOptionsFRM* setup = openSetup();
  ASSERT_TRUE(setup && setup->isVisible());
  EXPECT_FALSE(form().isVisible());
  for (QPushButton* list :
       {inside<QPushButton>(setup, "CPPB"), inside<QPushButton>(setup, "DispsPB"),
        inside<QPushButton>(setup, "histsPB")})
    list->click();
  EXPECT_TRUE(sent({"XREFCFGGETC", "XREFCFGGETD", "XREFCFGGETH"}));

  reply({"XREFCFGGETSTRTD", "XREFCFGGETLINE DA", "XREFCFGGETLINE D", "XREFCFGGETLINE DB"});
  ASSERT_NE(editor(), nullptr);
  EXPECT_EQ(editor()->windowTitle(), "Enter Display base directories");
  EXPECT_FALSE(inside<QPlainTextEdit>(editor(), "CfgTB")->isEnabled());
  EXPECT_FALSE(inside<QPushButton>(editor(), "OKPB")
                   ->isEnabled());  // a list still arriving is not sent back
  reply({"XREFCFGGETDONED"});
  EXPECT_TRUE(inside<QPlainTextEdit>(editor(), "CfgTB")->isEnabled());
  inside<QPushButton>(editor(), "OKPB")->click();
  EXPECT_TRUE(sent({"XREFCFGPUTDSTRT", "XREFCFGPUTDLINE:A\n", "XREFCFGPUTDLINE:\n",
                    "XREFCFGPUTDLINE:B", "XREFCFGPUTDDONE"}));
  EXPECT_EQ(editor(), nullptr);

  // Cancel sends nothing back.
  reply({"XREFCFGGETSTRTC", "XREFCFGGETLINE Cold", "XREFCFGGETDONEC"});
  inside<QPlainTextEdit>(editor(), "CfgTB")->setPlainText("X");
  inside<QPushButton>(editor(), "CancelPB")->click();
  EXPECT_TRUE(sent({}));
  EXPECT_EQ(editor(), nullptr);

  // A second list of the same letter joins what the editor shows, typed lines included.
  reply({"XREFCFGGETSTRTC", "XREFCFGGETDONEC"});  // an empty list, then the user types
  inside<QPlainTextEdit>(editor(), "CfgTB")->setPlainText("A2");
  reply({"XREFCFGGETSTRTC", "XREFCFGGETLINE CB", "XREFCFGGETDONEC"});
  inside<QPushButton>(editor(), "OKPB")->click();
  EXPECT_TRUE(
      sent({"XREFCFGPUTCSTRT", "XREFCFGPUTCLINE:A2\n", "XREFCFGPUTCLINE:B", "XREFCFGPUTCDONE"}));
}

TEST_F(Xref, AListOfAnotherLetterReplacesWhatTheEditorShowsSoOkSendsOnlyTheListShown) {
  XrefOptionsFRM* setup = openSetup();
  inside<QPushButton>(setup, "CPPB")->click();
  reply({"XREFCFGGETSTRTC", "XREFCFGGETLINE CCP6001", "XREFCFGGETLINE CCP6002", "XREFCFGGETDONEC"});
  inside<QPushButton>(setup, "histsPB")->click();
  EXPECT_TRUE(sent({"XREFCFGGETC", "XREFCFGGETH"}));
  reply({"XREFCFGGETSTRTH", "XREFCFGGETLINE HHIST1", "XREFCFGGETDONEH"});
  EXPECT_EQ(editor()->windowTitle(), "Enter Historian names");
  EXPECT_EQ(editor()->text(), "HIST1");
  inside<QPushButton>(editor(), "OKPB")->click();
  EXPECT_TRUE(sent({"XREFCFGPUTHSTRT", "XREFCFGPUTHLINE:HIST1", "XREFCFGPUTHDONE"}));

  // Rows or an end of another list, and a letter that names no list, do the same: the
  // editor shows one list, under the title of its letter.
  reply({"XREFCFGGETSTRTC", "XREFCFGGETLINE CCP6001", "XREFCFGGETLINE DDIR1", "XREFCFGGETDONED"});
  EXPECT_EQ(editor()->windowTitle(), "Enter Display base directories");
  EXPECT_EQ(editor()->text(), "DIR1");
  reply({"XREFCFGGETSTRTQ", "XREFCFGGETLINE QB", "XREFCFGGETDONEQ"});
  EXPECT_EQ(editor()->windowTitle(), "Enter List Q");
  EXPECT_EQ(editor()->text(), "B");
  inside<QPushButton>(editor(), "OKPB")->click();
  EXPECT_TRUE(sent({"XREFCFGPUTQSTRT", "XREFCFGPUTQLINE:B", "XREFCFGPUTQDONE"}));
}

TEST_F(Xref, AListHoldingACharacterTheWireCanNotCarryIsNamedAndStaysInTheEditorUnsent) {
  openSetup();
  reply({"XREFCFGGETSTRTH", "XREFCFGGETDONEH"});
  QPointer<XrefOptionsBoxFRM> list = editor();
  inside<QPlainTextEdit>(list, "CfgTB")->setPlainText(QString::fromUtf16(u"OK\nHIST\u20ac1"));
  inside<QPushButton>(list, "OKPB")->click();
  EXPECT_EQ(prompter.boxes(),
            QString::fromUtf16(u"Enter Historian names|ERROR: Line 2 holds the character "
                               u"\"\u20ac\" (U+20ac), which can not be sent to the server. "
                               u"Nothing was sent."));
  EXPECT_TRUE(sent({}));
  ASSERT_TRUE(list && list->isVisible());
  // Latin-1 goes as it is, one byte a character.
  inside<QPlainTextEdit>(list, "CfgTB")->setPlainText(QString::fromUtf16(u"HIST\u00e9"));
  inside<QPushButton>(list, "OKPB")->click();
  EXPECT_TRUE(sent(
      {"XREFCFGPUTHSTRT", QString::fromUtf16(u"XREFCFGPUTHLINE:HIST\u00e9"), "XREFCFGPUTHDONE"}));
}

TEST_F(Xref, TheSetupWindowPollsWhileOpenWithOrWithoutARunAndStopsWhenClosed) {
  XrefOptionsFRM* setup = openSetup();
  EXPECT_EQ(inside<QTimer>(setup, "Timer1")->interval(), 3000);
  inside<QTimer>(setup, "Timer1")->setInterval(5);
  ASSERT_TRUE(server.waitForCommands(2));
  EXPECT_EQ(server.commands.mid(0, 2), QStringList({"XREFRUNC", "XREFRUNC"}));
  const QPointer<QTimer> timer = inside<QTimer>(setup, "Timer1");
  inside<QPushButton>(setup, "CancelPB")->click();
  ASSERT_TRUE(waitUntil([&] { return server.commands.endsWith("XREFRUNE"); }));
  settle();
  EXPECT_EQ(server.commands.count("XREFRUNE"), 1);
  EXPECT_EQ(server.commands.last(), "XREFRUNE");  // and no poll after it
  EXPECT_TRUE(timer.isNull() || !timer->isActive());
  EXPECT_TRUE(form().isVisible());
}

TEST_F(Xref, AConfirmedRunLocksTheListsShowsItsOutputAndEndsBeforeTheBox) {
  XrefOptionsFRM* setup = openSetup();
  prompter.answer(QMessageBox::Cancel);
  inside<QPushButton>(setup, "CreatePB")->click();
  ASSERT_TRUE(prompter.showed(0, "Are you sure",
                              "There can be no Active ICC Configurator Sessions, Continue?",
                              Prompter::Icon::Question, QMessageBox::Ok | QMessageBox::Cancel));
  inside<QPushButton>(setup, "CreatePB")->click();
  EXPECT_TRUE(sent({"XREFRUNS"}));  // once: not after Cancel
  for (QWidget* w : std::initializer_list<QWidget*>{
           inside<QGroupBox>(setup, "ConfigFRM"), inside<QPushButton>(setup, "CPPB"),
           inside<QPushButton>(setup, "DispsPB"), inside<QPushButton>(setup, "histsPB"),
           inside<QPushButton>(setup, "CreatePB")})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

  reply({"XREFRUNLINEa", "XREFRUNLINEb"});
  EXPECT_EQ(inside<QPlainTextEdit>(setup, "StatusTB")->toPlainText(), "a\nb");
  EXPECT_EQ(inside<QPlainTextEdit>(setup, "StatusTB")->textCursor().position(), 3);

  QStringList sentAtBox;
  prompter.setWhileOpen([&] {
    server.waitForCommands(1);
    sentAtBox = server.commands;
    EXPECT_TRUE(form().isVisible());
  });
  reply({"XREFRUNDONE"});
  EXPECT_EQ(sentAtBox, QStringList({"XREFRUNE"}));
  EXPECT_TRUE(prompter.showed(2, "Cross-Reference", "Cross-Reference Generation Complete",
                              Prompter::Icon::Information, QMessageBox::Ok));
  EXPECT_TRUE(sent({"XREFRUNE"}));  // once
}

TEST_F(Xref, TheBusyBarAndClockRunFromTheConfirmedStartAndStopAtEachOfTheRunsEnds) {
  // Each end, and what a screen reader reads as the bar stops; the time is whatever the
  // run reached on a busy machine.
  const QString ends[][2] = {{"XREFRUNDONE", "Generation finished"},
                             {"Cancel", "Generation left"},
                             {"connection lost", "Generation stopped: connection lost"}};
  const QRegularExpression time(QStringLiteral(", \\d\\d:\\d\\d$"));
  connectClient();
  for (const auto& [end, read] : ends) {
    SCOPED_TRACE(end.toStdString());
    action("xrefMP")->trigger();
    XrefOptionsFRM* setup = client->xref().setupWindow();
    auto* indicator = inside<RunIndicator>(setup, "RunIndicator1");
    QStringList seen;
    QObject::connect(indicator, &RunIndicator::runningChanged, [&](bool on) {
      seen << (on ? "on: " : "off: ") + QString(indicator->accessibleName()).remove(time);
    });
    prompter.answer(QMessageBox::Cancel);  // not confirmed: no run
    inside<QPushButton>(setup, "CreatePB")->click();
    EXPECT_FALSE(indicator->isVisible());
    inside<QPushButton>(setup, "CreatePB")->click();
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(inside<QProgressBar>(indicator, "RunIndicator1Bar")->accessibleName(),
              "Generation running, 00:00");
    reply({"XREFRUNLINE reading CP6001"});  // output is not the end
    if (end == "XREFRUNDONE")
      reply({"XREFRUNDONE"});
    else if (end == "Cancel")
      inside<QPushButton>(setup, "CancelPB")->click();
    else
      server.dropClient();
    ASSERT_TRUE(waitUntil([&] { return client->xref().setupWindow() == nullptr; }));
    EXPECT_EQ(seen, QStringList({"on: Generation running", "off: " + read}));
    prompter.clear();
  }
}

TEST_F(Xref, LeavingWithTheSetupWindowOpenEndsItFirst) {
  openSetup();
  form().close();
  EXPECT_TRUE(sent({"XREFRUNE", "CLOSEICC"}));
}

TEST_F(Xref, XrefAndTheSpaceBarAskForTheSelectedNodeOnlyAndTheListingJoinsItsLines) {
  connectClient();
  selectBlock("CMP1:AIN1", "AIN");
  button("XrefPB")->click();
  EXPECT_FALSE(button("XrefPB")->isEnabled());
  QTest::keyClick(form().treeView(), Qt::Key_Space);  // the button's state does not matter
  ASSERT_TRUE(client->tree().selectNode("CMP1"));
  QTest::keyClick(form().treeView(), Qt::Key_Space);
  EXPECT_TRUE(sent({"XREFBLK:CMP1:AIN1", "XREFBLK:CMP1:AIN1", "XREFBLK:CMP1"}));
  reply({"CLRBLKLST", cmp(1, "CMP1"), "DNBLKLST"});
  QTest::keyClick(form().treeView(), Qt::Key_Space);  // a new list: nothing selected
  EXPECT_TRUE(sent({}));

  // The listing joins its lines, and an empty one says so.
  reply({"CLRXREFLST", "XREFLST", "XREFLST x", "XREFLST  y"});
  XrefFRM* listing = client->xref().listingWindow();
  ASSERT_TRUE(listing && listing->isVisible());
  EXPECT_EQ(inside<QPlainTextEdit>(listing, "SourceTB")->toPlainText(), "x\n y");
  EXPECT_FALSE(inside<QPlainTextEdit>(listing, "SourceTB")->isEnabled());
  reply({"ENDXREFLST"});
  EXPECT_TRUE(inside<QPlainTextEdit>(listing, "SourceTB")->isEnabled());
  reply({"CLRXREFLST", "NONEXREFLST"});
  EXPECT_EQ(inside<QPlainTextEdit>(listing, "SourceTB")->toPlainText(),
            "No cross-reference for this block.");
  EXPECT_TRUE(inside<QPlainTextEdit>(listing, "SourceTB")->isEnabled());
}

TEST(DialogPrompter, AWindowClosedUnderItsOpenBoxTakesTheBoxAlongSafely) {
  auto* window = new QDialog;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  window->activateWindow();
  ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == window; }));
  const QPointer<QDialog> alive = window;
  // As a lost connection closes the setup window while "Create Xref" asks its question.
  QTimer::singleShot(50, window, &QWidget::close);
  QTimer::singleShot(3000, [] {  // only if the box outlived its window
    if (auto* box = QApplication::activeModalWidget()) box->close();
  });
  DialogPrompter prompter;
  const auto answer = prompter.message(Prompter::Icon::Question, "Are you sure", "?",
                                       QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(answer, QMessageBox::NoButton);
  EXPECT_TRUE(alive.isNull());
}

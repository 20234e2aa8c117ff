// The cross-reference against tarvo-sim: editing the CP list, a generation whose progress
// arrives poll by poll, and the cross-reference of a block that others connect to.
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>

#include "browser/TreeController.h"
#include "support/SimFixture.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

using namespace tarvo;
using namespace tarvo::test;

class XrefEndToEnd : public SimFixture {};

TEST_F(XrefEndToEnd, AnEditedCpListIsGeneratedAndABlocksReferencesAreListed) {
  auto c = newClient(prompter);
  ASSERT_TRUE(waitUntil([&] { return control<QAction>(*c, "xrefMP")->isEnabled(); }));

  // The CP list, cut down to one CP.
  control<QAction>(*c, "xrefMP")->trigger();
  xref::XrefOptionsFRM* setup = c->xref().setupWindow();
  setup->CPPB->click();
  xref::XrefOptionsBoxFRM* editor = nullptr;
  ASSERT_TRUE(
      waitUntil([&] { return (editor = c->xref().listEditor()) && editor->OKPB->isEnabled(); }));
  EXPECT_TRUE(editor->text().startsWith("CP6001\nCP6002\n")) << editor->text().toStdString();
  editor->CfgTB->setPlainText("CP6001\n");
  editor->OKPB->click();
  ASSERT_TRUE(waitUntil([&] { return sim.engine().xrefLists().cps.size() == 1; }));
  EXPECT_EQ(sim.engine().xrefLists().cps.front(), "CP6001");

  // The run: its output shows while the window is still open, then the window closes.
  setup->Timer1->setInterval(50);
  setup->CreatePB->click();  // the question is answered OK
  ASSERT_TRUE(waitUntil(
      [&] { return c->xref().setupWindow() && setup->outputText().contains("Reading CP6001"); }));
  ASSERT_TRUE(waitUntil([&] { return prompter.shown.size() == 2; }, 10000));
  EXPECT_EQ(prompter.shown[1].text, "Cross-Reference Generation Complete");
  EXPECT_TRUE(c->form().isVisible());

  // The level controller, wired from its calculation and to its valve.
  openCp(*c, prompter, "CP6001");
  ASSERT_TRUE(c->tree().selectNode("BOILER:LC101"));
  control<QPushButton>(*c, "XrefPB")->click();
  ASSERT_TRUE(waitUntil([&] {
    return c->xref().listingWindow() && c->xref().listingWindow()->SourceTB->isEnabled();
  }));
  const QString listing = c->xref().listingWindow()->text();
  for (const char* reference : {"IN  BOILER:LC101.MEAS +<-- BOILER:LCALC.RO01(\n|$)",
                                "IN  BOILER:LC101.BCALCI +<-- BOILER:LV101.BCALCO(\n|$)",
                                "OUT BOILER:LC101.OUT +--> BOILER:LV101.MEAS(\n|$)"})
    EXPECT_TRUE(listing.contains(QRegularExpression(reference))) << listing.toStdString();
}

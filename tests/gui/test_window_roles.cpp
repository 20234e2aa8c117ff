// Every window of its own is one a screen reader announces: Qt's accessibility gives it the
// role of a window (a frame on AT-SPI) or a dialog, and its title as its name. A window
// built on a bare QWidget reads as a client area ("filler") instead and is not announced,
// as the sequence editor, the journal, trace and options windows once did.
// scripts/a11y-check.sh checks the same over the accessibility bus, with a real desktop.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTemporaryDir>

#include "app/frmOptions.h"
#include "blocks/BlockTypesFRM.h"
#include "browser/Form1.h"
#include "params/ParmEditFRM.h"
#include "sequence/PLBList.h"
#include "sequence/SeqEditFRM.h"
#include "support/ScriptedPrompter.h"
#include "tools/JournalFRM.h"
#include "tools/TraceFRM.h"
#include "tools/trace_buffer.h"
#include "xref/XrefWindows.h"

using namespace tarvo;

namespace {

void expectAnnounced(QWidget& window, QAccessible::Role role) {
  const std::string title = window.windowTitle().toStdString();
  ASSERT_TRUE(window.isWindow()) << title;
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&window);
  ASSERT_NE(accessible, nullptr) << title;
  EXPECT_EQ(accessible->role(), role) << title;
  EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), title);
}

}  // namespace

TEST(WindowRoles, TheMainWindowReadsAsAWindowNamedByItsTitle) {
  browser::Form1 main;
  expectAnnounced(main, QAccessible::Window);
}

TEST(WindowRoles, EveryOtherWindowReadsAsADialogNamedByItsTitle) {
  sequence::SeqEditFRM sequenceEditor(QStringLiteral("FEEDWT:PMPSEQ"), QStringLiteral("IND"));
  expectAnnounced(sequenceEditor, QAccessible::Dialog);
  tools::JournalFRM journal([] { return QString(); });
  expectAnnounced(journal, QAccessible::Dialog);
  const tools::TraceBuffer trace;
  tools::TraceFRM traceWindow(trace, false);
  expectAnnounced(traceWindow, QAccessible::Dialog);
  QTemporaryDir dir;
  test::ScriptedPrompter prompter;
  frmOptions options(dir.filePath(QStringLiteral("TarvoIp.txt")), prompter);
  expectAnnounced(options, QAccessible::Dialog);
  params::ParmEditFRM parameters(QStringLiteral("BOILER:LC101"));
  expectAnnounced(parameters, QAccessible::Dialog);
  sequence::PLBList listing;
  expectAnnounced(listing, QAccessible::Dialog);
  blocks::BlockTypesFRM types;
  expectAnnounced(types, QAccessible::Dialog);
  xref::XrefOptionsFRM setup;
  expectAnnounced(setup, QAccessible::Dialog);
  // The list editor's caption comes later, from the server: the name follows it.
  xref::XrefOptionsBoxFRM list(nullptr);
  list.setWindowTitle(QStringLiteral("Enter CP/Vol Names"));
  expectAnnounced(list, QAccessible::Dialog);
  xref::XrefFRM blockXref(nullptr);
  expectAnnounced(blockXref, QAccessible::Dialog);
}

// The parameter editor against a recording fake server: the list replies, choosing and
// editing rows in the window, what OK, Cancel and closing put on the wire, and the
// answers to a modification.
#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <functional>

#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "support/ClientFixture.h"
#include "ui/ui_helpers.h"

using namespace tarvo;
using namespace tarvo::test;
using tarvo::params::ParamsController;
using tarvo::params::ParmEditFRM;
using Params = QList<QPair<QString, QString>>;

namespace {

QString prmLine(const QString& name, const QString& value) {
  return QStringLiteral("PRMLST ") + name.leftJustified(6, QLatin1Char(' '), true) + value;
}

// Rows 1..8 of the grid; row 9 is the blank last row.
const Params kPidParams = {{"NAME", "PID1"},   {"TYPE", "PID"},  {"DESCRP", "FEED FLOW"},
                           {"HILIM", "100.0"}, {"LOLIM", "0.0"}, {"MA", "1"},
                           {"KP", "1.5"},      {"TI", "2.0"}};

// A grid row as the user sees it: its three cells, and "changed" when it is marked red.
QString row(ParmEditFRM* editor, int gridRow) {
  QTableWidget* grid = inside<QTableWidget>(editor, "MSHFlexGrid1");
  const int r = ParmEditFRM::tableRowOf(gridRow);
  QString text = grid->item(r, 0)->text();
  for (int c = 1; c < 3; ++c) text += u'|' + grid->item(r, c)->text();
  bool red = true;
  for (int c = 0; c < 3; ++c) red = red && grid->item(r, c)->foreground().color() == Qt::red;
  return red ? text + " changed" : text;
}

// The value entry as the user sees it: hidden, or its caption, items and text; then which
// step buttons are enabled.
QString entry(ParmEditFRM* editor) {
  QString text = QStringLiteral("hidden");
  if (inside<QGroupBox>(editor, "EditFRM")->isVisible()) {
    QStringList items;
    for (int i = 0; i < inside<QComboBox>(editor, "ValEntryCB")->count(); ++i)
      items << inside<QComboBox>(editor, "ValEntryCB")->itemText(i);
    text = inside<QGroupBox>(editor, "EditFRM")->title() + " [" + items.join(u',') + "] " +
           inside<QComboBox>(editor, "ValEntryCB")->currentText();
  }
  return text + (inside<QPushButton>(editor, "DownPB")->isEnabled() ? " add" : "") +
         (inside<QPushButton>(editor, "UpPB")->isEnabled() ? " del" : "");
}

}  // namespace

class ParamEditor : public ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    connectClient();
  }

  // Selects `block`, presses Edit, answers with the list and waits for the window to
  // choose its first row.
  ParmEditFRM* openEditor(const QString& block, const Params& params) {
    selectBlock(block);
    client->params().edit();
    EXPECT_TRUE(sent({"GETPARMS:" + block}));
    QStringList lines{"CLRPRMLST"};
    for (const auto& [name, value] : params) lines << prmLine(name, value);
    reply(lines << "DNPRMLST");
    ParmEditFRM* editor = client->params().parmEditor();
    EXPECT_TRUE(editor && waitUntil([editor] { return editor->EditRow() > 0; }));
    return editor;
  }

  static void click(ParmEditFRM* editor, int gridRow) {
    QTableWidget* grid = inside<QTableWidget>(editor, "MSHFlexGrid1");
    const QModelIndex index = grid->model()->index(ParmEditFRM::tableRowOf(gridRow), 0);
    grid->scrollTo(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
  }

  // Types over the entry's text; a final "\n" presses Enter.
  static void type(ParmEditFRM* editor, QString text) {
    inside<QComboBox>(editor, "ValEntryCB")->lineEdit()->selectAll();
    const bool enter = text.endsWith(u'\n');
    QTest::keyClicks(inside<QComboBox>(editor, "ValEntryCB")->lineEdit(),
                     enter ? text.chopped(1) : text);
    if (enter) QTest::keyClick(inside<QComboBox>(editor, "ValEntryCB")->lineEdit(), Qt::Key_Return);
  }

  // Waits until the editor has gone, then checks what was sent.
  ::testing::AssertionResult closedSending(QPointer<ParmEditFRM> editor,
                                           const QStringList& commands) {
    if (!waitUntil([&] { return editor.isNull(); }))
      return ::testing::AssertionFailure() << "the editor is still open";
    return sent(commands);
  }

  // Changes HILIM of `block` to 50 and presses OK: one modification outstanding more.
  void submitEdit(const QString& block) {
    QPointer<ParmEditFRM> editor = openEditor(block, kPidParams);
    ASSERT_TRUE(editor);
    click(editor, 4);
    type(editor, "50");
    inside<QPushButton>(editor, "OKPB")->click();
    ASSERT_TRUE(closedSending(editor, {"MODSTART:" + block, "MODPARM:HILIM = 50", "MODEND:" + block,
                                       "MODDONE:" + block}));
  }
};

// ---- the list ---------------------------------------------------------------------------

TEST_F(ParamEditor, ListFillsAHiddenWindowThatShowsOnTheLastLineAndChoosesRowTwo) {
  selectBlock("CMP1:PID1");
  client->params().edit();
  EXPECT_TRUE(sent({"GETPARMS:CMP1:PID1"}));
  reply({"CLRPRMLST", prmLine("NAME", "PID1"), prmLine("TYPE", "PID"),
         prmLine("DESCRP", "  FEED   FLOW  ")});
  ParmEditFRM* editor = client->params().parmEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->isVisible());
  EXPECT_EQ(form().panelText(3), "Getting Parameters");

  reply({"DNPRMLST"});
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(form().panelText(3), "");
  EXPECT_EQ(editor->windowTitle(), "Edit Parameters CMP1:PID1");
  QTableWidget* grid = inside<QTableWidget>(editor, "MSHFlexGrid1");
  ASSERT_EQ(grid->rowCount(), 4);  // three parameters and the blank row under the header
  EXPECT_EQ(row(editor, 3), "DESCRP|FEED   FLOW|");
  // 1000 twips, or wider when the heading needs it, so that it is not cut off.
  EXPECT_GE(grid->columnWidth(0), twipsToPx(1000));
  EXPECT_GT(grid->columnWidth(0),
            QFontMetrics(grid->horizontalHeader()->font()).horizontalAdvance("Parameter"));
  // The text field inside the value entry is what a screen reader lands on when typing.
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(inside<QComboBox>(editor, "ValEntryCB")->lineEdit())
          ->text(QAccessible::Name),
      "New value");
  // Activating the window chooses row 2, here TYPE.
  ASSERT_TRUE(waitUntil([editor] { return editor->EditRow() == 2; }));
  EXPECT_EQ(grid->currentRow(), ParmEditFRM::tableRowOf(2));
  EXPECT_EQ(entry(editor), "hidden");
}

TEST_F(ParamEditor, ErrorInsteadOfAListOpensNoWindowAndEditorsCascadeThroughThirteenPlaces) {
  selectBlock("CMP1:GONE");
  client->params().edit();
  reply({"ERRPRMLSTBlock CMP1:GONE does not exist"});
  EXPECT_EQ(prompter.boxes(), "Can not edit block|ERROR MSG: Block CMP1:GONE does not exist");
  EXPECT_EQ(form().panelText(3), "Error getting parameters");
  EXPECT_EQ(client->params().parmEditor(), nullptr);

  QList<QRect> frames;
  for (int i = 0; i < 14; ++i) {
    selectBlock(QStringLiteral("CMP1:B%1").arg(i));
    client->params().edit();
    reply({"CLRPRMLST"});
    const ParmEditFRM* editor = client->params().parmEditor();
    frames << QRect(editor->pos(), editor->size());
  }
  // The screen here is too small for the cascade's places as such: the whole cascade moves
  // back so that every editor stays on it, one step apart.
  const QRect available = form().screen()->availableGeometry();
  for (int i = 0; i < 13; ++i)
    EXPECT_TRUE(available.contains(frames[i]))
        << i << ": " << frames[i].x() << "," << frames[i].y();
  EXPECT_EQ(frames[1].topLeft() - frames[0].topLeft(), QPoint(twipsToPx(325), twipsToPx(325)));
  EXPECT_EQ(frames[13], frames[0]);
  EXPECT_EQ(client->params().editWindowCnt(), 1);
}

// ---- choosing and editing rows ----------------------------------------------------------

TEST_F(ParamEditor, ClicksAndKeysChooseRowsAndTheEntryShowsWhatTheRowOffers) {
  ParmEditFRM* editor = openEditor("CMP1:SEQ1", {{"NAME", "SEQ1"},
                                                 {"TYPE", "DEP"},
                                                 {"MA", "1"},
                                                 {"STEP01", "a"},
                                                 {"HILIM", "5"},
                                                 {"LOLIM", "0"}});
  ASSERT_NE(editor, nullptr);
  QTableWidget* grid = inside<QTableWidget>(editor, "MSHFlexGrid1");
  click(editor, 3);
  EXPECT_EQ(entry(editor), "MA [0,1] 1");
  EXPECT_EQ(grid->item(ParmEditFRM::tableRowOf(3), 1)->background().color(),
            editor->palette().color(QPalette::Button));
  EXPECT_TRUE(inside<QComboBox>(editor, "ValEntryCB")->hasFocus());
  click(editor, 4);
  EXPECT_EQ(entry(editor), "STEP01 [a,] a add del");
  EXPECT_EQ(grid->item(ParmEditFRM::tableRowOf(3), 1)->background().style(), Qt::NoBrush);

  // The keyboard in the grid chooses rows too, and arrowing on through the grid stays possible.
  click(editor, 5);
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(editor->EditRow(), 6);
  EXPECT_EQ(entry(editor), "LOLIM [0,] 0");
  EXPECT_TRUE(grid->hasFocus());
  QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(editor->EditRow(), 2);  // never the first parameter
  EXPECT_EQ(grid->currentRow(), ParmEditFRM::tableRowOf(2));
  QTest::keyClick(grid, Qt::Key_Down);
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(editor->EditRow(), 3);
  EXPECT_TRUE(inside<QComboBox>(editor, "ValEntryCB")->hasFocus());
  EXPECT_TRUE(editor->isVisible());
}

TEST_F(ParamEditor, TypingAndEnterMarkTheRowAndOkSendsChangedRowsThenEndsTheEdit) {
  QPointer<ParmEditFRM> editor = openEditor("CMP1:PID1", kPidParams);
  ASSERT_TRUE(editor);
  click(editor, 4);
  type(editor, "120\n");
  EXPECT_EQ(row(editor, 4), "HILIM|100.0|120 changed");
  EXPECT_EQ(entry(editor), "LOLIM [0.0,] 0.0");
  EXPECT_TRUE(editor->isVisible());  // Enter is not the default button
  click(editor, 3);
  type(editor, "FEED  FLOW A\n");
  click(editor, 7);  // KP, typed but not committed before OK; HILIM's change goes too
  type(editor, "2.5");
  EXPECT_TRUE(sent({}));
  inside<QPushButton>(editor, "OKPB")->click();
  EXPECT_TRUE(closedSending(
      editor, {"MODSTART:CMP1:PID1", "MODPARM:DESCRP = FEED  FLOW A", "MODPARM:HILIM = 120",
               "MODPARM:KP = 2.5", "MODEND:CMP1:PID1", "MODDONE:CMP1:PID1"}));
  EXPECT_EQ(client->params().outstandingEdits(), 1u);
}

TEST_F(ParamEditor, EnterPastTheBottomPutsTheRowFiveBelowTheTop) {
  Params many{{"NAME", "X"}};
  for (int i = 0; i < 60; ++i) many.append({QStringLiteral("P%1").arg(i), QString::number(i)});
  ParmEditFRM* editor = openEditor("CMP1:BIG", many);
  ASSERT_NE(editor, nullptr);
  QTableWidget* grid = inside<QTableWidget>(editor, "MSHFlexGrid1");
  click(editor, 2);
  const int top = grid->rowAt(0);
  while (grid->rowAt(0) == top && editor->EditRow() < 60) type(editor, "\n");
  const int row = ParmEditFRM::tableRowOf(editor->EditRow());
  EXPECT_EQ(grid->rowAt(0), row - 5);
  EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(row, 0))));
}

TEST_F(ParamEditor, StepButtonsShiftTheValuesBelow) {
  QPointer<ParmEditFRM> editor = openEditor(
      "CMP1:SEQ1",
      {{"NAME", "SEQ1"}, {"STEP01", "a"}, {"STEP02", "b"}, {"STEP03", "c"}, {"STEP04", "d"}});
  ASSERT_TRUE(editor);
  click(editor, 3);
  inside<QPushButton>(editor, "UpPB")->click();  // Del Step: c, d, ""
  EXPECT_EQ(inside<QComboBox>(editor, "ValEntryCB")->currentText(), "c");
  EXPECT_EQ(row(editor, 5), "STEP04|d| changed");
  EXPECT_TRUE(inside<QComboBox>(editor, "ValEntryCB")->hasFocus());
  inside<QPushButton>(editor, "DownPB")->click();  // Add Step: "", c, d
  inside<QPushButton>(editor, "OKPB")->click();
  EXPECT_TRUE(
      closedSending(editor, {"MODSTART:CMP1:SEQ1", "MODPARM:STEP02 = ", "MODPARM:STEP03 = c",
                             "MODPARM:STEP04 = d", "MODEND:CMP1:SEQ1", "MODDONE:CMP1:SEQ1"}));
}

// ---- OK, Cancel, closing ----------------------------------------------------------------

TEST_F(ParamEditor, OkWithoutChangesCancelEscapeAndCloseOnlyEndTheEdit) {
  const struct {
    const char* what;
    bool edit;  // a committed edit, then an uncommitted one
    std::function<void(ParmEditFRM*)> close;
    const char* panel;
  } cases[] = {
      {"OK", false, [](ParmEditFRM* e) { inside<QPushButton>(e, "OKPB")->click(); },
       "EDIT: No Edits"},
      {"Cancel", true, [](ParmEditFRM* e) { inside<QPushButton>(e, "CancelPB")->click(); },
       "EDIT: Cancelled"},
      {"Escape", true,
       [](ParmEditFRM* e) {
         QTest::keyClick(inside<QTableWidget>(e, "MSHFlexGrid1"), Qt::Key_Escape);
       },
       "EDIT: Cancelled"},
      {"close box", true, [](ParmEditFRM* e) { e->close(); }, "before"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QPointer<ParmEditFRM> editor = openEditor("CMP1:PID1", kPidParams);
    ASSERT_TRUE(editor);
    form().updStatBar("before", 3);
    click(editor, 4);
    if (c.edit) {
      type(editor, "999\n");
      type(editor, "888");
    } else {
      click(editor, 5);
    }
    c.close(editor);
    EXPECT_TRUE(closedSending(editor, {"MODDONE:CMP1:PID1"}));
    EXPECT_EQ(form().panelText(3), c.panel);
    EXPECT_EQ(client->params().outstandingEdits(), 0u);
  }
  // List lines with no editor to take them are ignored.
  reply({prmLine("HILIM", "5"), "DNPRMLST"});
  EXPECT_EQ(client->params().parmEditor(), nullptr);
}

// ---- answers to a modification ----------------------------------------------------------

TEST_F(ParamEditor, AnswersNameTheEditedBlockNotTheSelectionAndALostConnectionForgetsThem) {
  for (const QString block : {"CMP1:PID1", "CMP2:AIN7", "CMP3:CALC1"}) submitEdit(block);
  EXPECT_EQ(client->params().outstandingEdits(), 3u);
  selectBlock("CMP9:ELSE");
  const QString pad(81, u' ');  // the message is read from column 91
  reply({"ERRPRMMOD" + pad + "HILIM out of range"});
  reply({"WRNPRMMOD" + pad + "LOLIM above HILIM"});
  reply({"DNPRMMOD"});
  EXPECT_EQ(prompter.boxes(),
            "EDIT Error: CMP1:PID1|ERROR: HILIM out of range; "
            "EDIT Warning: CMP2:AIN7|WARN MSG: LOLIM above HILIM");
  EXPECT_TRUE(prompter.showed(0, "EDIT Error: CMP1:PID1", "ERROR: HILIM out of range",
                              Prompter::Icon::Exclamation, QMessageBox::Ok));
  EXPECT_EQ(form().panelText(3), "EDIT: CMP3:CALC1");
  EXPECT_EQ(client->params().outstandingEdits(), 0u);
  EXPECT_EQ(form().focusWidget(), ui<QTreeWidget>("TreeView1"));

  // With nothing outstanding the answers name the selection.
  selectBlock("CMP4:PID4");
  reply({"ERRPRMMOD short line", "DNPRMMOD"});
  EXPECT_TRUE(prompter.showed(2, "EDIT Error: CMP4:PID4", "ERROR: "));
  EXPECT_EQ(form().panelText(3), "EDIT: CMP4:PID4");

  submitEdit("CMP1:PID1");
  server.dropClient();
  ASSERT_TRUE(waitUntil([this] { return client->params().outstandingEdits() == 0; }));
}

// ---- editors and the main window --------------------------------------------------------

TEST_F(ParamEditor, EditorsStayUsableWhileACpUtilityRunsAndAreUnloadedWhenStrandedOrLeft) {
  openSessionWithTree({});
  QPointer<ParmEditFRM> shown = openEditor("CMP1:PID1", {{"NAME", "PID1"}, {"HILIM", "100"}});
  ASSERT_TRUE(shown);
  // A CP utility locks the main window but not the editors.
  runAll("yes, menu CheckpointCPMP");
  EXPECT_TRUE(sent({"CHECKPOINTCP"}));
  EXPECT_FALSE(form().isEnabled());
  EXPECT_TRUE(shown->isEnabled());
  reply({"DNCPUTIL"});
  // Rows after the list ended go in before the blank row and keep the chosen row.
  reply({prmLine("LOLIM", "0"), prmLine("KP", "1.5")});
  ASSERT_EQ(inside<QTableWidget>(shown, "MSHFlexGrid1")->rowCount(), 5);
  EXPECT_EQ(row(shown, 3) + u'/' + row(shown, 4) + u'/' + row(shown, 5), "LOLIM|0|/KP|1.5|/||");
  EXPECT_EQ(shown->EditRow(), 2);
  EXPECT_EQ(inside<QTableWidget>(shown, "MSHFlexGrid1")->currentRow(), ParmEditFRM::tableRowOf(2));

  auto startList = [&](const QString& block) -> QPointer<ParmEditFRM> {
    selectBlock(block);
    client->params().edit();
    EXPECT_TRUE(sent({"GETPARMS:" + block}));
    reply({"CLRPRMLST", prmLine("NAME", block.section(u':', 1))});  // not complete
    return client->params().parmEditor();
  };
  QPointer<ParmEditFRM> stranded = startList("CMP2:AIN2");
  ASSERT_TRUE(stranded && !stranded->isVisible());
  QPointer<ParmEditFRM> next = startList("CMP3:CALC3");
  reply({"DNPRMLST"});
  EXPECT_TRUE(sent({"MODDONE:CMP2:AIN2"}));
  EXPECT_TRUE(stranded.isNull());
  ASSERT_TRUE(next && next->isVisible());
  EXPECT_EQ(next->windowTitle(), "Edit Parameters CMP3:CALC3");

  QPointer<ParmEditFRM> loading = startList("CMP4:AIN4");
  form().close();
  EXPECT_TRUE(sent({"MODDONE:CMP1:PID1", "MODDONE:CMP3:CALC3", "MODDONE:CMP4:AIN4", "CLOSEICC"}));
  client.reset();  // the editors go with the program
  EXPECT_TRUE(shown.isNull() && next.isNull() && loading.isNull());
}

// ---- lists nobody asked for -------------------------------------------------------------

TEST_F(ParamEditor, AListNobodyAskedForOpensNoEditorAndIsCountedAndSaid) {
  auto editorsAlive = [] {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      n += qobject_cast<ParmEditFRM*>(w) != nullptr;
    return n;
  };
  reply({"CLRPRMLST", prmLine("NAME", "X"), "DNPRMLST"});
  ASSERT_TRUE(waitUntil([&] { return !form().panelText(3).isEmpty(); }));
  EXPECT_EQ(form().panelText(3), "A parameter list not asked for was ignored");
  // A flood of list starts in one stream, then whole lists, shown or not.
  QStringList lines;
  for (int i = 0; i < 1999; ++i) lines << "CLRPRMLST";
  for (int i = 0; i < 200; ++i) lines << "CLRPRMLST" << prmLine("NAME", "X") << "DNPRMLST";
  reply(lines);
  ASSERT_TRUE(waitUntil([&] { return form().panelText(3).startsWith("2200 "); }));
  EXPECT_EQ(form().panelText(3), "2200 parameter lists not asked for were ignored");
  EXPECT_EQ(client->params().unaskedLists(), 2200u);
  EXPECT_EQ(client->params().editorCount(), 0);
  EXPECT_EQ(editorsAlive(), 0);
  EXPECT_TRUE(sent({}));  // no editor, so no "MODDONE:" either

  // An asked list opens its editor for the block asked, wherever the selection is now; a
  // list after it that nobody asked for does not reach it.
  selectBlock("CMP1:PID1");
  client->params().edit();
  selectBlock("CMP1:OTHER");
  reply({"CLRPRMLST", prmLine("NAME", "PID1"), "DNPRMLST", "CLRPRMLST", prmLine("LOST", "1"),
         "DNPRMLST"});
  EXPECT_EQ(client->params().editorCount(), 1);
  EXPECT_EQ(client->params().parmEditor(), nullptr);  // the list arriving has none
  ASSERT_EQ(editorsAlive(), 1);
  ParmEditFRM* editor = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* e = qobject_cast<ParmEditFRM*>(w)) editor = e;
  EXPECT_EQ(editor->CBUse, "CMP1:PID1");
  EXPECT_EQ(editor->grid().parameterCount(), 1);
  EXPECT_EQ(form().panelText(3), "2201 parameter lists not asked for were ignored");
}

TEST_F(ParamEditor, EditorsAreBoundedInNumberAndAnUnloadedOneIsFreedAtOnce) {
  // Asked for, with their lists still to come, they count as editors.
  QStringList asked;
  for (int i = 0; i < ParamsController::kMaxEditors; ++i) {
    selectBlock(QStringLiteral("CMP1:B%1").arg(i));
    client->params().edit();
    asked << QStringLiteral("GETPARMS:CMP1:B%1").arg(i);
  }
  EXPECT_TRUE(sent(asked));
  client->params().edit();
  EXPECT_EQ(prompter.boxes(),
            "Can not edit block|32 parameter editors are open already. Close one of them and "
            "press Edit again.");
  EXPECT_TRUE(sent({}));

  // A list that never completes is unloaded when the next begins, and its memory goes with
  // it there and then, not when the event loop next idles.
  reply({"CLRPRMLST", prmLine("NAME", "B0")});
  QPointer<ParmEditFRM> stranded = client->params().parmEditor();
  ASSERT_TRUE(stranded);
  client->connection().router().dispatch("CLRPRMLST");
  EXPECT_TRUE(stranded.isNull());
  EXPECT_TRUE(sent({"MODDONE:CMP1:B0"}));
  // The connection lost takes the rest away: what was asked is not waited for any more.
  QPointer<ParmEditFRM> loading = client->params().parmEditor();
  server.dropClient();
  ASSERT_TRUE(waitUntil([&] { return !client->connection().isConnected(); }));
  EXPECT_TRUE(loading.isNull());
  EXPECT_EQ(client->params().listsAsked(), 0u);
  EXPECT_EQ(client->params().editorCount(), 0);
}

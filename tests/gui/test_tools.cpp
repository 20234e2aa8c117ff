// The View menu's tools: the change journal window, the protocol trace, and the CSV exports
// of the block tree and the parameter grid read back through the CSV reader.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "browser/TreeController.h"
#include "link/ChangeJournal.h"
#include "link/Connection.h"
#include "link/JournalFile.h"
#include "link/csv.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "support/ClientFixture.h"
#include "tools/JournalFRM.h"
#include "tools/ToolsController.h"
#include "tools/TraceFRM.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

// The records of a CSV file as written for a spreadsheet: UTF-8 after a byte-order mark.
std::vector<std::vector<std::string>> readCsv(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const link::CsvParse parsed =
      link::parseCsv(QString::fromUtf8(bytes.mid(3)).toLatin1().toStdString());
  std::vector<std::vector<std::string>> rows;
  for (const auto& r : parsed.records) rows.push_back(r.fields);
  if (parsed.error) rows.push_back({"error: " + parsed.error->message});
  return rows;
}

}  // namespace

class Tools : public ClientFixture {
 protected:
  QString file(const char* name) { return dir.filePath(QLatin1String(name)); }
  tools::ToolsController& tools() { return client->tools(); }
};

// ---- the change journal -----------------------------------------------------------------

TEST_F(Tools, JournalWindowListsTheEventsNewestFirstAndFilters) {
  startClient();
  const QString folder = file("journal");
  client->journal().file().setFolder(folder);
  link::JournalFile writer(folder);
  const std::int64_t jan = 1767225600000;  // 2026-01-01T00:00:00Z
  const std::int64_t feb = jan + 31LL * 86400000;
  auto write = [&](std::int64_t t, const char* cp, const char* block, link::Outcome result) {
    const bool error = result == link::Outcome::Error;
    ASSERT_TRUE(writer.append({t,
                               "anna",
                               "vm",
                               "127.0.0.1",
                               1582,
                               cp,
                               block,
                               "edit",
                               "PBAND \"80\" -> \"90\"",
                               {},
                               result,
                               error ? "no such block" : ""}));
  };
  write(jan + 1000, "CP6001", "BOILER:LT101", link::Outcome::Done);
  write(feb + 500, "CP6002", "FEED:FT201", link::Outcome::Sent);
  write(feb + 900, "CP6002", "FEED:NOPE", link::Outcome::Error);
  QFile jan2026(writer.pathFor(jan));
  ASSERT_TRUE(jan2026.open(QIODevice::Append));
  jan2026.write("{\"time\": broken\n");
  jan2026.close();

  action("JournalMP")->trigger();
  tools::JournalFRM* window = tools().journalWindow();
  ASSERT_NE(window, nullptr);
  auto cell = [&](int row, int column) {
    return window->JournalGrid->model()->index(row, column).data().toString();
  };
  auto blocks = [&] {
    QStringList out;
    for (int r = 0; r < window->shownCount(); ++r) out << cell(r, 5);
    return out.join(u' ');
  };
  EXPECT_EQ(blocks(), "FEED:NOPE FEED:FT201 BOILER:LT101");
  QStringList first;
  for (int c = 0; c < 10; ++c) first << cell(0, c);
  EXPECT_EQ(first.join(u'|'),
            "2026-02-01T00:00:00.900Z|anna|vm|127.0.0.1:1582|CP6002|FEED:NOPE|edit|"
            "PBAND \"80\" -> \"90\"|error|no such block");
  EXPECT_TRUE(window->JournalInfoLBL->text().contains("1 malformed line skipped"))
      << window->JournalInfoLBL->text().toStdString();

  window->BlockFilterTB->setText("ft");
  EXPECT_EQ(blocks(), "FEED:FT201");
  window->BlockFilterTB->clear();
  window->CpFilterTB->setText("cp6001");
  EXPECT_EQ(blocks(), "BOILER:LT101");
  write(feb + 2000, "CP6001", "BOILER:LC101", link::Outcome::Sent);
  window->RefreshPB->click();
  EXPECT_EQ(blocks(), "BOILER:LC101 BOILER:LT101");
}

// ---- the protocol trace -----------------------------------------------------------------

TEST_F(Tools, TraceRecordsOnlyWhenOnShowsControlCharactersFindsAndSaves) {
  connectClient();
  action("TraceMP")->trigger();
  tools::TraceFRM* window = tools().traceWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->RecordCB->isChecked());
  client->connection().sendRawData(std::string_view("WATCHDOG"));
  reply({"NOT KEPT"});
  EXPECT_EQ(tools().trace().size(), 0u);

  window->RecordCB->click();
  client->connection().sendRawData(std::string_view("GETCPS"));
  ASSERT_TRUE(server.waitForCommands(2));
  reply({q("HELLO \x1B[1mthere\x7F \xE9t\xE9")});
  window->RecordCB->click();
  client->connection().sendRawData(std::string_view("WATCHDOG"));
  reply({"OFF AGAIN"});
  window->flush();
  const QStringList lines = window->TraceTB->toPlainText().split(u'\n');
  ASSERT_EQ(lines.size(), 2) << window->TraceTB->toPlainText().toStdString();
  const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d "));
  EXPECT_TRUE(stamp.match(lines[0]).hasMatch()) << lines[0].toStdString();
  EXPECT_EQ(lines[0].mid(13), "-> MSG:0006GETCPS");
  EXPECT_EQ(lines[1].mid(13), q("<- HELLO \\x1B[1mthere\\x7F \xE9t\xE9"));

  window->FindTB->setText("THERE");
  QTest::keyClick(window->FindTB, Qt::Key_Return);
  EXPECT_EQ(window->TraceTB->textCursor().selectedText(), "there");

  prompter.answerSaveFile(file("trace.txt"));
  window->SaveAsPB->click();
  EXPECT_EQ(prompter.shown.value(0).title, "Save Protocol Trace");
  EXPECT_TRUE(prompter.shown.value(0).text.startsWith(
      "Text files (*.txt);;All files (*)|tarvolink-trace-"));
  QFile saved(file("trace.txt"));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(saved.readAll()), lines.join(u'\n') + u'\n');

  // Closed and opened again, the window shows what was kept; Clear forgets it.
  window->close();
  ASSERT_TRUE(waitUntil([&] { return tools().traceWindow() == nullptr; }));
  action("TraceMP")->trigger();
  window = tools().traceWindow();
  EXPECT_EQ(window->TraceTB->toPlainText(), lines.join(u'\n'));
  window->ClearPB->click();
  EXPECT_EQ(tools().trace().size(), 0u);
  EXPECT_EQ(window->TraceTB->toPlainText(), "");
}

// ---- CSV exports --------------------------------------------------------------------------

TEST_F(Tools, TreeAndGridExportsReadBackWithAwkwardValues) {
  connectClient();
  openSessionWithTree(
      {cmp(1, "A,\"B\""), blk(2, "T\xC9MP", "AIN"), blk(3, "---END_A", ""), end(4)});
  EXPECT_TRUE(ui<QTreeWidget>("TreeView1")->actions().contains(action("ExportBlocksMP")));

  action("ExportBlocksMP")->trigger();  // cancelled: nothing written, nothing said
  EXPECT_EQ(prompter.shown.value(0).text, "CSV files (*.csv);;All files (*)|CP6001-blocks.csv");
  prompter.answerSaveFile(file("blocks.csv"));
  action("ExportBlocksMP")->trigger();
  EXPECT_EQ(readCsv(file("blocks.csv")),
            (std::vector<std::vector<std::string>>{{"compound", "block", "type"},
                                                   {"A,\"B\"", "", "COMPND"},
                                                   {"A,\"B\"", "T\xC9MP", "AIN"}}));
  EXPECT_EQ(form().panelText(3), "EXPORT: " + file("blocks.csv"));

  ASSERT_TRUE(client->tree().selectNode(q("A,\"B\":T\xC9MP")));
  client->params().edit();
  reply(
      {"CLRPRMLST", q("PRMLST DESCRP Drum level, \"main\" \xB0"), "PRMLST PBAND  150", "DNPRMLST"});
  params::ParmEditFRM* editor = client->params().parmEditor();
  ASSERT_NE(editor, nullptr);
  auto* exportCsv = editor->MSHFlexGrid1->findChild<QAction*>("ExportCsvMP");
  ASSERT_NE(exportCsv, nullptr);
  EXPECT_TRUE(editor->MSHFlexGrid1->actions().contains(exportCsv));
  prompter.clear();
  prompter.answerSaveFile(file("no such folder/grid.csv"));
  exportCsv->trigger();
  ASSERT_EQ(prompter.shown.size(), 2);
  EXPECT_EQ(prompter.shown[0].text,
            q("CSV files (*.csv);;All files (*)|A,_B__T\xC9MP-parameters.csv"));
  EXPECT_EQ(prompter.shown[1].title, "Export to CSV");
  EXPECT_TRUE(prompter.shown[1].text.startsWith("The file can not be written:\r"));
  prompter.answerSaveFile(file("grid.csv"));
  exportCsv->trigger();
  EXPECT_EQ(readCsv(file("grid.csv")), (std::vector<std::vector<std::string>>{
                                           {"parameter", "original value", "new value", "changed"},
                                           {"DESCRP", "Drum level, \"main\" \xB0", "", "no"},
                                           {"PBAND", "150", "", "no"}}));

  // With no tree there is nothing to export, and the user is told.
  reply({"CLOSEICCCP6001"});
  prompter.clear();
  action("ExportBlocksMP")->trigger();
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_TRUE(prompter.showed(0, "Export Blocks to CSV",
                              "There is no block list to export: open a CP first."));
}

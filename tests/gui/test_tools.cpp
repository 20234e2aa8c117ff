// The change journal the client writes, naming its server, and the View menu's tools: the
// change journal window, the protocol trace, and the CSV exports of the block tree and the
// parameter grid.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "browser/TreeController.h"
#include "link/Connection.h"
#include "params/ParamsController.h"
#include "params/ParmEditFRM.h"
#include "records/ChangeJournal.h"
#include "records/JournalFile.h"
#include "records/journal.h"
#include "support/ClientFixture.h"
#include "tools/JournalFRM.h"
#include "tools/ToolsController.h"
#include "tools/TraceFRM.h"

using namespace tarvo;
using namespace tarvo::test;

class Tools : public ClientFixture {
 protected:
  QString file(const char* name) { return dir.filePath(QLatin1String(name)); }
  QByteArray read(const char* name) {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
  }
  tools::ToolsController& tools() { return client->tools(); }
  // An upload of the CP, confirmed and answered; returns status panel 3 before the answer.
  QString upload() {
    prompter.answer(QMessageBox::Yes);
    action("UploadCPMP")->trigger();
    EXPECT_TRUE(sent({"UPLOADCP"}));
    const QString status = form().panelText(3);
    reply({"DNCPUTIL"});
    return status;
  }
};

TEST_F(Tools, ChangesAndAnswersGoToTheJournalAndAFailureToWriteIsSaidOnce) {
  startClient();
  client->journal().file().setFolder(file("client-journal"));
  connectClient();
  openSessionWithTree({});
  upload();
  QFile written(client->journal().file().pathFor(records::systemTimeMs()));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  std::vector<records::JournalEvent> events;
  EXPECT_EQ(records::parseJournalText(written.readAll().toStdString(), events), 0u);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(QString::fromStdString(events[0].what + '|' + events[0].cp + '|' +
                                   events[0].serverHost + ':') +
                QString::number(events[0].serverPort),
            "upload|CP6001|127.0.0.1:" + QString::number(server.port()));
  EXPECT_EQ(events[1].result, records::Outcome::Done);

  // A folder that cannot be made: the work goes on and the user is told once.
  QFile blocker(file("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  client->journal().file().setFolder(file("blocker/journal"));
  const QString status = upload();
  EXPECT_TRUE(status.startsWith(QLatin1String("Change journal not written: ")))
      << status.toStdString();
  upload();
  EXPECT_EQ(prompter.boxes().count("; Change Journal|"), 1);
  EXPECT_EQ(prompter.boxes().count("; CP Utility Function|"), 3);
}

TEST_F(Tools, JournalWindowListsTheEventsNewestFirstAndFilters) {
  startClient();
  client->journal().file().setFolder(file("journal"));
  records::JournalFile writer(file("journal"));
  const std::int64_t jan = 1767225600000;  // 2026-01-01T00:00:00Z
  auto write = [&](std::int64_t t, const char* cp, const char* block, records::Outcome result,
                   const char* message = "") {
    const std::vector<records::ParamChange> none;
    ASSERT_TRUE(writer.append({t, "anna", "vm", "127.0.0.1", 1582, cp, block, "edit",
                               "PBAND \"80\" -> \"90\"", none, result, message}));
  };
  write(jan + 1000, "CP6001", "BOILER:LT101", records::Outcome::Done);
  write(jan + 31LL * 86400000 + 900, "CP6002", "FEED:NOPE", records::Outcome::Error,
        "no such block");
  QFile jan2026(writer.pathFor(jan));
  ASSERT_TRUE(jan2026.open(QIODevice::Append));
  jan2026.write("{\"time\": broken\n");
  jan2026.close();

  action("JournalMP")->trigger();
  tools::JournalFRM* window = tools().journalWindow();
  ASSERT_NE(window, nullptr);
  auto row = [&](int r, int columns) {
    QStringList cells;
    for (int c = 0; c < columns; ++c)
      cells << inside<QTableView>(window, "JournalGrid")->model()->index(r, c).data().toString();
    return cells.join(u'|');
  };
  auto blocks = [&] {
    QStringList out;
    for (int r = 0; r < window->shownCount(); ++r) out << row(r, 6).section(u'|', 5);
    return out.join(u' ');
  };
  EXPECT_EQ(blocks(), "FEED:NOPE BOILER:LT101");
  EXPECT_EQ(row(0, 10),
            "2026-02-01T00:00:00.900Z|anna|vm|127.0.0.1:1582|CP6002|FEED:NOPE|edit|"
            "PBAND \"80\" -> \"90\"|error|no such block");
  EXPECT_TRUE(inside<QLabel>(window, "JournalInfoLBL")->text().contains("1 malformed line skipped"))
      << inside<QLabel>(window, "JournalInfoLBL")->text().toStdString();
  inside<QLineEdit>(window, "BlockFilterTB")->setText("nope");
  EXPECT_EQ(blocks(), "FEED:NOPE");
  inside<QLineEdit>(window, "BlockFilterTB")->clear();
  inside<QLineEdit>(window, "CpFilterTB")->setText("cp6001");
  write(jan + 2000, "CP6001", "BOILER:LC101", records::Outcome::Sent);
  inside<QPushButton>(window, "RefreshPB")->click();
  EXPECT_EQ(blocks(), "BOILER:LC101 BOILER:LT101");
}

TEST_F(Tools, TraceRecordsOnlyWhenOnFindsSavesAndOutlivesItsWindow) {
  connectClient();
  action("TraceMP")->trigger();
  tools::TraceFRM* window = tools().traceWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(inside<QCheckBox>(window, "RecordCB")->isChecked());
  client->connection().sendRawData(std::string_view("WATCHDOG"));
  reply({"NOT KEPT"});
  inside<QCheckBox>(window, "RecordCB")->click();
  client->connection().sendRawData(std::string_view("GETCPS"));
  reply({"HELLO \x1B[1mthere"});
  inside<QCheckBox>(window, "RecordCB")->click();
  reply({"OFF AGAIN"});
  window->flush();
  const QString text = inside<QPlainTextEdit>(window, "TraceTB")->toPlainText();
  const QStringList lines = text.split(u'\n');
  ASSERT_EQ(lines.size(), 2) << text.toStdString();
  // Each line after its time stamp (hh:mm:ss.mmm, the trace buffer's tests show its form).
  EXPECT_EQ(lines[0].mid(13) + u'|' + lines[1].mid(13), "-> MSG:0006GETCPS|<- HELLO \\x1B[1mthere");

  inside<QLineEdit>(window, "FindTB")->setText("THERE");
  QTest::keyClick(inside<QLineEdit>(window, "FindTB"), Qt::Key_Return);
  EXPECT_EQ(inside<QPlainTextEdit>(window, "TraceTB")->textCursor().selectedText(), "there");
  // The only one: found again round the end, as the sequence editor's Find says it.
  QTest::keyClick(inside<QLineEdit>(window, "FindTB"), Qt::Key_Return);
  EXPECT_EQ(inside<QLabel>(window, "TraceInfoLBL")->text(), "Wrapped to the top");
  EXPECT_EQ(inside<QPlainTextEdit>(window, "TraceTB")->textCursor().selectedText(), "there");
  prompter.answerSaveFile(file("trace.txt"));
  inside<QPushButton>(window, "SaveAsPB")->click();
  EXPECT_TRUE(prompter.boxes().startsWith(
      "Save Protocol Trace|Text files (*.txt);;All files (*)|tarvolink-trace-"));
  EXPECT_EQ(read("trace.txt"), text.toUtf8() + '\n');

  // Closed and opened again, the window shows what was kept; Clear forgets it.
  window->close();
  ASSERT_TRUE(waitUntil([&] { return tools().traceWindow() == nullptr; }));
  action("TraceMP")->trigger();
  window = tools().traceWindow();
  EXPECT_EQ(inside<QPlainTextEdit>(window, "TraceTB")->toPlainText(), text);
  inside<QPushButton>(window, "ClearPB")->click();
  EXPECT_EQ(tools().trace().size(), 0u);
  EXPECT_EQ(inside<QPlainTextEdit>(window, "TraceTB")->toPlainText(), "");
}

TEST_F(Tools, TreeAndGridExportsWriteSpreadsheetFilesAndSayWhatGoesWrong) {
  connectClient();
  openSessionWithTree(
      {cmp(1, "A,\"B\""), blk(2, "T\xC9MP", "AIN"), blk(3, "---END_A", ""), end(4)});
  EXPECT_TRUE(ui<QTreeWidget>("TreeView1")->actions().contains(action("ExportBlocksMP")));
  action("ExportBlocksMP")->trigger();  // cancelled: nothing written, nothing said
  EXPECT_EQ(prompter.shown.value(0).text, "CSV files (*.csv);;All files (*)|CP6001-blocks.csv");
  prompter.answerSaveFile(file("blocks.csv"));
  action("ExportBlocksMP")->trigger();
  EXPECT_EQ(
      read("blocks.csv"),
      "\xEF\xBB\xBF"
      "compound,block,type\r\n\"A,\"\"B\"\"\",,COMPND\r\n\"A,\"\"B\"\"\",T\xC3\x89MP,AIN\r\n");
  EXPECT_EQ(form().panelText(3), "EXPORT: " + file("blocks.csv"));

  ASSERT_TRUE(client->tree().selectNode(q("A,\"B\":T\xC9MP")));
  client->params().edit();
  reply({"CLRPRMLST", q("PRMLST DESCRP Drum level \xB0"), "DNPRMLST"});
  params::ParmEditFRM* editor = client->params().parmEditor();
  ASSERT_NE(editor, nullptr);
  auto* exportCsv =
      inside<QTableWidget>(editor, "MSHFlexGrid1")->findChild<QAction*>("ExportCsvMP");
  ASSERT_TRUE(exportCsv &&
              inside<QTableWidget>(editor, "MSHFlexGrid1")->actions().contains(exportCsv));
  prompter.clear();
  prompter.answerSaveFile(file("no such folder/grid.csv"));
  exportCsv->trigger();
  EXPECT_TRUE(prompter.boxes().startsWith(
      q("Export to CSV|CSV files (*.csv);;All files (*)|A,_B__T\xC9MP-parameters.csv; "
        "Export to CSV|The file can not be written:\r")))
      << prompter.boxes().toStdString();
  prompter.answerSaveFile(file("grid.csv"));
  exportCsv->trigger();
  EXPECT_EQ(read("grid.csv"),
            "\xEF\xBB\xBF"
            "parameter,original value,new value,changed\r\nDESCRP,Drum level \xC2\xB0,,no\r\n");

  // With no tree there is nothing to export, and the user is told.
  reply({"CLOSEICCCP6001"});
  prompter.clear();
  action("ExportBlocksMP")->trigger();
  EXPECT_EQ(prompter.boxes(),
            "Export Blocks to CSV|There is no block list to export: open a CP first.");
}

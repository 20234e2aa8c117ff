// A sequence block's whole round in the client against tarvo-sim: fetch, break, save,
// compile, read the error in the listing, fix, compile, install.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/Client.h"
#include "browser/TreeController.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "sim_app.h"
#include "support/ClientFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using tarvo::sequence::SeqEditFRM;

class SequenceEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    sim::SimOptions options;
    options.port = 0;
    options.workMs = 50;
    QString error;
    ASSERT_TRUE(sim.start(options, &error)) << error.toStdString();
    const QString settings = dir.filePath(QStringLiteral("TarvoIp.txt"));
    writeSettings(settings, QStringLiteral("127.0.0.1"), QString::number(sim.port()));
    client = std::make_unique<Client>(prompter, settings);
    client->start();
    control<QAction>(*client, "SessionNewMP")->trigger();
    QComboBox* cps = control<QComboBox>(*client, "CPListCBO");
    ASSERT_TRUE(waitUntil([&] { return cps->isVisible() && cps->count() > 0; }));
    emit cps->activated(cps->findText(QStringLiteral("CP6001"), Qt::MatchStartsWith));
    ASSERT_TRUE(waitUntil([&] { return control<QGroupBox>(*client, "CBFRM")->isVisible(); }));
  }

  const std::vector<std::string>& stored(const char* block) {
    return sim.engine().plant().findBlock("FEEDWT", block)->source;
  }

  sim::SimInstance sim{[](const std::string&) {}};
  QTemporaryDir dir;
  ScriptedPrompter prompter;
  std::unique_ptr<Client> client;
};

TEST_F(SequenceEndToEnd, EditBreakSaveCompileReadTheErrorFixCompileAndInstall) {
  ASSERT_TRUE(client->tree().selectNode(QStringLiteral("FEEDWT:PMPSEQ")));
  control<QPushButton>(*client, "EditSeq")->click();
  SeqEditFRM* e = nullptr;
  ASSERT_TRUE(waitUntil([&] { return (e = client->sequence().seqEditor()) != nullptr; }));
  auto wire = [](const QStringList& lines) {
    std::vector<std::string> out;
    for (const QString& line : lines) out.push_back(line.toLatin1().toStdString());
    return out;
  };
  auto fetch = [&] {
    e->EditPB->click();
    EXPECT_TRUE(waitUntil([&] { return e->EditSvPB->isVisible() && e->EditSvPB->isEnabled(); }));
    return e->rawText().split(QChar::ParagraphSeparator);
  };
  auto save = [&](const QStringList& lines) {
    e->SourceTB->setPlainText(lines.join(u'\n'));
    e->EditSvPB->click();
    EXPECT_TRUE(waitUntil([&] { return stored("PMPSEQ") == wire(lines); }));
  };
  QStringList lines = fetch();
  EXPECT_EQ(wire(lines), stored("PMPSEQ"));

  // Broken: an ENDIF with no IF, under a comment with 8-bit characters and an empty line.
  const QString eightBit = QString::fromLatin1("{ Pumpe f\xFCr Kessel \xA0\xFF }");
  lines.insert(1, eightBit);
  lines.insert(2, QString());
  lines.insert(lines.indexOf(QStringLiteral("ENDSEQUENCE")), QStringLiteral("  ENDIF;"));
  save(lines);
  e->CompilePB->click();
  ASSERT_TRUE(waitUntil([&] {
    return e->SourceTB->isEnabled() &&
           e->SourceTB->toPlainText().contains(
               u"  ENDIF;\n         ^\n       *** ERROR: ENDIF without IF");
  }));
  EXPECT_EQ(prompter.shown.value(0).title, "Error Compiling Sequence Block Code");
  EXPECT_EQ(e->SourceTB->textCursor().position(), e->SourceTB->document()->characterCount() - 1);

  e->CancelPB->click();
  lines = fetch();
  EXPECT_EQ(lines.value(1), eightBit);
  lines.removeAll(QStringLiteral("  ENDIF;"));
  save(lines);
  e->CompilePB->click();
  ASSERT_TRUE(waitUntil([&] { return e->DonePB->isVisible() && e->DonePB->isEnabled(); }));
  e->DonePB->click();
  ASSERT_TRUE(waitUntil([&] { return client->sequence().seqEditor() == nullptr; }));
  EXPECT_FALSE(control<QPushButton>(*client, "EditSeq")->isHidden());
  EXPECT_EQ(prompter.shown.size(), 1);  // nothing more went wrong
}

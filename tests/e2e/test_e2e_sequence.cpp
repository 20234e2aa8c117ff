// A sequence block's whole round in the client against tarvo-sim: fetch, break, save,
// compile, read the error in the listing, fix, compile, install; and a PLB listing.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/Client.h"
#include "browser/TreeController.h"
#include "sequence/PLBList.h"
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
  const std::vector<std::string> original = stored("PMPSEQ");
  std::vector<std::string> before = original;
  auto editing = [&] { return e->EditSvPB->isVisible() && e->EditSvPB->isEnabled(); };
  auto fetch = [&] {
    e->EditPB->click();
    EXPECT_TRUE(waitUntil(editing));
    return e->rawText().replace(QChar::ParagraphSeparator, u'\n');
  };
  auto save = [&](const QString& text) {
    e->SourceTB->setPlainText(text);
    e->EditSvPB->click();
    EXPECT_TRUE(waitUntil([&] { return stored("PMPSEQ") != before; }));
  };
  QStringList lines = fetch().split(u'\n');
  ASSERT_EQ(lines.size(), static_cast<qsizetype>(original.size()));
  EXPECT_EQ(lines.first().toStdString(), original.front());

  // Broken: an ENDIF with no IF, under a comment with 8-bit characters and an empty line.
  lines.insert(1, QString::fromLatin1("{ Pumpe f\xFCr Kessel \xA0\xFF }"));
  lines.insert(2, QString());
  const qsizetype end = lines.indexOf(QStringLiteral("ENDSEQUENCE"));
  lines.insert(end, QStringLiteral("  ENDIF;"));
  save(lines.join(u'\n'));
  std::vector<std::string> sent;
  for (const QString& line : lines) sent.push_back(line.toLatin1().toStdString());
  EXPECT_EQ(stored("PMPSEQ"), sent);

  e->CompilePB->click();
  ASSERT_TRUE(waitUntil([&] {
    return e->SourceTB->isVisible() && e->SourceTB->isEnabled() &&
           e->SourceTB->toPlainText().contains(u"ENDIF");
  }));
  ASSERT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(prompter.shown[0].title, "Error Compiling Sequence Block Code");
  EXPECT_TRUE(e->SourceTB->toPlainText().startsWith(u'\n'));
  EXPECT_FALSE(e->DonePB->isEnabled());
  EXPECT_TRUE(e->SourceTB->toPlainText().contains(
      u"  ENDIF;\n         ^\n       *** ERROR: ENDIF without IF"));
  EXPECT_EQ(e->SourceTB->textCursor().position(), e->SourceTB->document()->characterCount() - 1);

  e->CancelPB->click();
  before = stored("PMPSEQ");
  lines = fetch().split(u'\n');
  EXPECT_EQ(lines.value(1), QString::fromLatin1("{ Pumpe f\xFCr Kessel \xA0\xFF }"));
  lines.removeAll(QStringLiteral("  ENDIF;"));
  save(lines.join(u'\n'));
  sent.erase(sent.begin() + end);
  EXPECT_EQ(stored("PMPSEQ"), sent);

  e->CompilePB->click();
  ASSERT_TRUE(waitUntil([&] { return e->DonePB->isVisible() && e->DonePB->isEnabled(); }));
  e->DonePB->click();
  ASSERT_TRUE(waitUntil([&] { return client->sequence().seqEditor() == nullptr; }));
  EXPECT_FALSE(control<QPushButton>(*client, "EditSeq")->isHidden());
  EXPECT_EQ(prompter.shown.size(), 1);
  EXPECT_EQ(stored("PMPSEQ"), sent);
}

TEST_F(SequenceEndToEnd, APlbListingIsShownIndentedUnderItsName) {
  ASSERT_TRUE(client->tree().selectNode(QStringLiteral("FEEDWT:PMPPLB")));
  control<QPushButton>(*client, "PLBEditPB")->click();
  ASSERT_TRUE(waitUntil([&] {
    auto* w = client->sequence().plbList();
    return w && w->SourceTB->isEnabled();
  }));
  sequence::PLBList* w = client->sequence().plbList();
  EXPECT_EQ(w->windowTitle(), "PLB Listing: FEEDWT:PMPPLB");
  QStringList expected;
  for (const std::string& line : stored("PMPPLB")) expected << u' ' + QString::fromStdString(line);
  EXPECT_EQ(w->text(), expected.join(u'\n'));
}

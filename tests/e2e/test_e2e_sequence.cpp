// A sequence block's whole round in the client against tarvo-sim: fetch, break, save,
// compile, read the error in the listing, fix, compile, install.
#include <QPlainTextEdit>

#include "browser/TreeController.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "support/SimFixture.h"

using namespace tarvo;
using namespace tarvo::test;
using tarvo::sequence::SeqEditFRM;

class SequenceEndToEnd : public SimFixture {
 protected:
  void SetUp() override {
    SimFixture::SetUp();
    client = newClient(prompter);
    openCp(*client, prompter, QStringLiteral("CP6001"));
  }

  const std::vector<std::string>& stored(const char* block) {
    return sim.engine().plant().findBlock("FEEDWT", block)->source;
  }

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
    inside<QPushButton>(e, "EditPB")->click();
    EXPECT_TRUE(waitUntil([&] {
      return inside<QPushButton>(e, "EditSvPB")->isVisible() &&
             inside<QPushButton>(e, "EditSvPB")->isEnabled();
    }));
    return e->rawText().split(QChar::ParagraphSeparator);
  };
  auto save = [&](const QStringList& lines) {
    inside<QPlainTextEdit>(e, "SourceTB")->setPlainText(lines.join(u'\n'));
    inside<QPushButton>(e, "EditSvPB")->click();
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
  inside<QPushButton>(e, "CompilePB")->click();
  ASSERT_TRUE(waitUntil([&] {
    return inside<QPlainTextEdit>(e, "SourceTB")->isEnabled() &&
           inside<QPlainTextEdit>(e, "SourceTB")
               ->toPlainText()
               .contains(u"  ENDIF;\n         ^\n       *** ERROR: ENDIF without IF");
  }));

  inside<QPushButton>(e, "CancelPB")->click();
  lines = fetch();
  EXPECT_EQ(lines.value(1), eightBit);
  lines.removeAll(QStringLiteral("  ENDIF;"));
  save(lines);
  inside<QPushButton>(e, "CompilePB")->click();
  ASSERT_TRUE(waitUntil([&] {
    return inside<QPushButton>(e, "DonePB")->isVisible() &&
           inside<QPushButton>(e, "DonePB")->isEnabled();
  }));
  inside<QPushButton>(e, "DonePB")->click();
  ASSERT_TRUE(waitUntil([&] { return client->sequence().seqEditor() == nullptr; }));
  EXPECT_EQ(prompter.shown.size(), 1);  // the compile error, and nothing more went wrong
}

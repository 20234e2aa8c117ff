#include "support/ClientFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpSocket>
#include <utility>

#include "blocks/BlockTypesFRM.h"
#include "blocks/BlocksController.h"
#include "browser/BlockTree.h"
#include "browser/Form1.h"
#include "browser/TreeController.h"
#include "link/Connection.h"
#include "link/Wire.h"
#include "link/dispatcher.h"
#include "sequence/SeqEditFRM.h"
#include "sequence/SequenceController.h"
#include "xref/XrefController.h"
#include "xref/XrefWindows.h"

namespace tarvo::test {

void writeSettings(const QString& path, const QString& host, const QString& port, int autoConnect,
                   int selected) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QByteArray text =
      " " + QByteArray::number(autoConnect) + "  " + QByteArray::number(selected) + " \r\n";
  for (int i = 0; i < 10; ++i) {
    if (i == selected)
      text += "\"" + host.toLatin1() + "\",\"" + port.toLatin1() + "\"\r\n";
    else
      text += "\"\",\"\"\r\n";
  }
  file.write(text);
}

QString panels(Client& client) {
  const auto& f = client.form();
  return f.panelText(1) + u'|' + f.panelText(2) + u'|' + f.panelText(3);
}

QString keysUnder(QTreeWidgetItem* parent) {
  QStringList keys;
  for (int i = 0; i < parent->childCount(); ++i) {
    QTreeWidgetItem* child = parent->child(i);
    keys << browser::BlockTree::keyOf(child) +
                (child->childCount() ? "[" + keysUnder(child) + "]" : QString());
  }
  return keys.join(u' ');
}

QString enabledButtons(Client& client) {
  QStringList names;
  for (const char* name : kBlockButtons)
    if (control<QPushButton>(client, name)->isEnabled()) names << QLatin1String(name);
  return names.join(u' ');
}

QString shown(Client& client) {
  QStringList names;
  for (const char* name : {"SessionNewMP", "SessionCloseMP"})
    if (control<QAction>(client, name)->isVisible()) names << QLatin1String(name);
  if (control<QAction>(client, "xrefMP")->isEnabled()) names << QStringLiteral("xrefMP");
  for (const char* name : {"ListMenu", "CPUtilitiesMenu"})
    if (control<QMenu>(client, name)->menuAction()->isVisible()) names << QLatin1String(name);
  for (const char* name : {"CPFRM", "CPListCBO", "OrLBL", "CmpCBO", "CBFRM"})
    if (control(client, name)->isVisible()) names << QLatin1String(name);
  return names.join(u' ');
}

void ClientFixture::SetUp() {
  ASSERT_TRUE(dir.isValid());
  writeSettings(settingsPath(), QStringLiteral("127.0.0.1"), QString::number(server.port()));
}

void ClientFixture::startClient() {
  client = std::make_unique<Client>(prompter, settingsPath());
  client->start();
}

void ClientFixture::connectClient() {
  if (!client) startClient();
  action("SessionNewMP")->trigger();
  ASSERT_TRUE(server.waitForClient());
  ASSERT_TRUE(
      waitUntil([this] { return client->connection().state() == link::Connection::Connected; }));
  ASSERT_TRUE(server.waitForCommands(3));
  server.commands.clear();
}

void ClientFixture::reply(const QStringList& lines) {
  const quint64 target =
      client->connection().dispatchedLines() + static_cast<quint64>(lines.size());
  server.sendLines(lines);
  ASSERT_TRUE(waitUntil([&] { return client->connection().dispatchedLines() >= target; }));
  settle();  // what the client sent in answer has arrived too
}

void ClientFixture::openSessionWithTree(const QStringList& blockLines) {
  QStringList lines = {QStringLiteral("DNOPENCPCP6001"), QStringLiteral("CLRBLKLST")};
  lines += blockLines;
  lines << QStringLiteral("DNBLKLST");
  reply(lines);
  EXPECT_TRUE(sent({QStringLiteral("GETBLKS 0 CP6001")}));
}

void ClientFixture::selectBlock(const QString& name, const char* type) {
  const std::string cmp = name.section(u':', 0, 0).toStdString();
  const std::string blk = name.section(u':', 1).toStdString();
  for (const std::string& line :
       {std::string("CLRBLKLST"), cmpLine(1, cmp), blkLine(2, blk, type), std::string("DNBLKLST")})
    client->connection().router().dispatch(line);
  ASSERT_TRUE(client->tree().selectNode(name));
}

void ClientFixture::run(const QString& step) {
  const QString arg = step.section(u' ', 1);
  blocks::BlockTypesFRM& chooser = client->blocks().blockTypes();
  if (step.startsWith(QLatin1String("select "))) {
    ASSERT_TRUE(client->tree().selectNode(arg)) << step.toStdString();
  } else if (step.startsWith(QLatin1String("press "))) {
    for (QWidget* w : std::initializer_list<QWidget*>{&chooser, client->sequence().seqEditor(),
                                                      client->xref().setupWindow(), &form()})
      if (auto* b = w ? w->findChild<QPushButton*>(arg) : nullptr) return b->click();
    ADD_FAILURE() << "no button " << arg.toStdString();
  } else if (step.startsWith(QLatin1String("choose "))) {
    auto* list = inside<QComboBox>(&chooser, "BlockTypesCB");
    const int index = list->findText(arg);
    if (index < 0) ADD_FAILURE() << "the chooser offers no type " << arg.toStdString();
    list->setCurrentIndex(index);
  } else if (step.startsWith(QLatin1String("menu "))) {
    action(arg.toLatin1().constData())->trigger();
  } else if (step == QLatin1String("pick")) {
    emit ui<QComboBox>("CPListCBO")->activated(0);
  } else if (step == QLatin1String("yes") || step == QLatin1String("no")) {
    prompter.answer(step == QLatin1String("yes") ? QMessageBox::Yes : QMessageBox::No);
  } else if (step.startsWith(QLatin1String("type "))) {
    prompter.answerInput(arg);
  } else if (step == QLatin1String("cancel")) {
    prompter.cancelInput();
  } else if (link::dispatchLine(link::toWire(step), [](link::ReplyId) {}) > 0) {
    reply({step});
  } else {
    ADD_FAILURE() << "unknown step (neither an action nor a reply line): " << step.toStdString();
  }
}

::testing::AssertionResult ClientFixture::sent(const QStringList& expected) {
  server.waitForCommands(static_cast<int>(expected.size()));
  settle();
  const QStringList got = std::exchange(server.commands, {});
  if (got == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "sent [" << got.join(u'|').toStdString() << "]";
}

void ClientFixture::settle() {
  // Nothing is left in flight: what the client has written is handed to the system, and
  // a few turns of the event loop let the server read it and the client read what was
  // played to it. On loopback that is all it takes for a wrong command to show.
  for (int turn = 0; turn < 3; ++turn) {
    if (client) client->connection().socket()->flush();
    QCoreApplication::processEvents();
  }
}

}  // namespace tarvo::test

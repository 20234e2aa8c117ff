// A server that floods the client: what the client holds stays bounded, and every line
// that fits still arrives, in order.
#include <QComboBox>
#include <QTcpSocket>

#include "link/Connection.h"
#include "support/ClientFixture.h"
#include "ui/Prompter.h"

using namespace tarvo;
using namespace tarvo::test;

class InputBounds : public ClientFixture {};

TEST_F(InputBounds, LinesArrivingWhileABoxIsOpenWaitAndTheClientHoldsLittleAndLosesNothing) {
  connectClient();
  // About 8 MB of lines no handler acts on, then the rest of a list the reply began.
  constexpr int kFlood = 8000;
  QStringList lines;
  for (int i = 0; i < kFlood; ++i) lines << QStringLiteral("NOISE%1").arg(i).leftJustified(1000);
  lines << "CPLST    LATE01"
        << "DNCPLST";
  QComboBox* cps = ui<QComboBox>("CPListCBO");
  qint64 mostHeld = 0;
  int rowsWhileOpen = -1;
  prompter.setWhileOpen([&] {
    // The box's own event loop delivers more data now; none of it may run yet.
    server.sendLines(lines);
    waitUntil(
        [&] {
          const auto& link = client->connection();
          mostHeld = std::max(
              mostHeld, static_cast<qint64>(link.queuedBytes()) + link.socket()->bytesAvailable());
          return false;
        },
        500);
    rowsWhileOpen = cps->count();
  });
  const quint64 before = client->connection().dispatchedLines();
  reply({"CLRCPLST", "VERSION9.9.9", "CPLST    SAME01"});  // a version that differs opens a box
  ASSERT_TRUE(waitUntil([&] { return cps->count() == 2; }));
  EXPECT_EQ(rowsWhileOpen, 0);
  EXPECT_EQ(cps->itemText(0) + u'|' + cps->itemText(1), "SAME01|LATE01");
  EXPECT_EQ(client->connection().dispatchedLines(), before + 3 + kFlood + 2);
  EXPECT_GT(mostHeld, 0);
  EXPECT_LE(mostHeld, 2 * 1024 * 1024);
}

TEST_F(InputBounds, AnOverLongLineIsCutAndSaidOnce) {
  connectClient();
  client->connection().setMaxLineLength(64);
  reply({"CLRCPLST"});
  server.sendRaw("CPLST    " + QByteArray(100000, 'X') + "\nCPLST    CP6001\nDNCPLST\n");
  ASSERT_TRUE(waitUntil([&] { return ui<QComboBox>("CPListCBO")->count() == 2; }));
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(0), QString(55, u'X'));
  EXPECT_EQ(ui<QComboBox>("CPListCBO")->itemText(1), "CP6001");
  EXPECT_EQ(form().panelText(3), "A reply line longer than 64 characters was cut short");
}

TEST(BoxText, ALongMessageShowsItsBeginningAndTheRestInTheDetails) {
  EXPECT_EQ(boxText(QStringLiteral("ERROR: short")).shown, "ERROR: short");
  EXPECT_TRUE(boxText(QStringLiteral("ERROR: short")).details.isEmpty());
  // A megabyte on one line, and many short lines.
  const QString huge = QStringLiteral("ERROR: ") + QString(1000000, u'x');
  const BoxText wide = boxText(huge);
  EXPECT_TRUE(wide.shown.startsWith(huge.left(1500)));
  EXPECT_LT(wide.shown.size(), 1600);
  EXPECT_TRUE(wide.shown.endsWith("[... 998507 more characters; see Show Details]"));
  EXPECT_TRUE(wide.details.startsWith(huge.left(65536)));
  EXPECT_LT(wide.details.size(), 65600);
  QStringList many;
  for (int i = 0; i < 100; ++i) many << QString::number(i);
  const BoxText tall = boxText(many.join(u'\n'));
  EXPECT_EQ(tall.shown.count(u'\n'), 24 + 2);
  EXPECT_EQ(tall.details, many.join(u'\n'));
}

// The client's wiring: every reply id has exactly one owner, and leaving closes the
// client's own windows, not those of another client in the same process.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QWindow>

#include "app/Client.h"
#include "link/Connection.h"
#include "link/dispatcher.h"
#include "link/reply_router.h"
#include "support/ClientFixture.h"

namespace tarvo::test {
namespace {

using Wiring = ClientFixture;

TEST_F(Wiring, EveryReplyIdIsBoundExactlyOnce) {
  startClient();
  const link::ReplyRouter& router = client->connection().router();
  for (const link::Route& route : link::replyRoutes())
    EXPECT_EQ(router.bindCount(route.id), 1) << route.keyword;
}

TEST_F(Wiring, LeavingClosesEveryWindowOfThisClientAndNoneOfAnothers) {
  startClient();
  Client other(prompter, settingsPath());
  other.start();
  for (Client* c : {client.get(), &other})
    for (const char* name : {"JournalMP", "TraceMP"}) control<QAction>(*c, name)->trigger();
  QList<QPointer<QWidget>> mine;
  QList<QPointer<QWidget>> theirs;
  for (const char* name : {"JournalFRM", "TraceFRM"}) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != QLatin1String(name) || !w->isVisible()) continue;
      // A tool window stays above the main window of the client that made it.
      (w->windowHandle()->transientParent() == form().windowHandle() ? mine : theirs) << w;
    }
  }
  ASSERT_EQ(mine.size(), 2);
  ASSERT_EQ(theirs.size(), 2);
  form().close();
  for (const QPointer<QWidget>& w : mine) EXPECT_TRUE(w.isNull() || !w->isVisible());
  for (const QPointer<QWidget>& w : theirs) EXPECT_TRUE(w && w->isVisible());
}

}  // namespace
}  // namespace tarvo::test

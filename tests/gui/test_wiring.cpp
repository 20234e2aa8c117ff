// The client's wiring: every reply id has exactly one owner.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarvo::test

// Fifty clients at once on loopback, each with a session on its own CP of a
// generated plant, listing blocks and editing parameters round after round,
// beside clients that send garbage. Every reply must be right, and nothing the
// server holds may grow from round to round.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "line_client.h"
#include "sim/server.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using link::frameCommand;
using testing::LineClient;
using testing::Lines;
using testing::linesFor;
using testing::valueOf;

constexpr int kClients = 50;
constexpr int kNoisy = 5;
constexpr int kRounds = 8;

// Client i's CP ("LD07") or compound ("LC07").
std::string cpName(int i, const char* prefix = "LD") {
  return prefix + std::string{static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
}

Plant loadPlant() {
  Plant plant;
  for (int i = 0; i < kClients; ++i) {
    Cp cp;
    cp.name = cpName(i);
    cp.model = "FCP280";
    Compound c = makeCompound(cpName(i, "LC"));
    for (const char* type : {"AIN", "PID", "AOUT", "CALC", "CIN", "TIM"})
      c.blocks.push_back(makeBlock(std::string(type) + "1", type));
    cp.compounds.push_back(std::move(c));
    plant.cps.push_back(std::move(cp));
  }
  return plant;
}

TEST(LoadTest, FiftyClientsListAndEditAtOnceUndisturbedByGarbage) {
  const Plant plant = loadPlant();
  Engine engine(plant, EngineOptions{"0.95.1", 10});
  SimServer server(engine);
  ServerLimits limits;
  limits.maxConnectionsPerPeer = kClients + kNoisy;  // every client comes from loopback
  server.setLimits(limits);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));

  // What each CP's block list must be: what one client alone gets.
  std::vector<Lines> blockLists;
  Engine alone(plant);
  for (int i = 0; i < kClients; ++i) {
    const ConnId c = alone.connect();
    alone.handle(c, "OPENCP:" + cpName(i) + " ALL WS");
    blockLists.push_back(linesFor(alone.handle(c, "GETBLKS 0 " + cpName(i)), c));
  }

  const int all = kClients + kNoisy;
  std::vector<std::unique_ptr<LineClient>> clients;
  for (int i = 0; i < all; ++i) {
    clients.push_back(std::make_unique<LineClient>(server.port()));
    ASSERT_TRUE(clients.back()->connected());
  }
  for (int i = 0; i < kClients; ++i)
    clients[i]->send(frameCommand("OPENCP:" + cpName(i) + " ALL WS" + cpName(i, "")));
  for (int i = 0; i < kClients; ++i) ASSERT_TRUE(clients[i]->waitForLine("DNOPENCP" + cpName(i)));

  std::string garbage;
  for (int k = 0; k < 2000; ++k) garbage += "MSG:x";
  garbage += "MSG:12X4MSG:" + std::string(12, '9');
  auto pid = [](int i) { return cpName(i, "LC") + ":PID1"; };

  std::size_t engineHeld = 0, serverHeld = 0;
  for (int round = 0; round < kRounds; ++round) {
    // Everyone at once lists the blocks and changes PBAND of the PID block; the noisy
    // clients wrap a command of their own in garbage.
    auto pband = [&](int i) { return std::to_string(10 + round * 50 + i); };
    for (int i = 0; i < all; ++i) {
      clients[i]->lines.clear();  // what this test keeps of the replies stays flat too
      clients[i]->send(i < kClients ? frameCommand("GETBLKS 0 " + cpName(i)) +
                                          frameCommand("MODSTART:" + pid(i)) +
                                          frameCommand("MODPARM:PBAND = " + pband(i)) +
                                          frameCommand("MODEND:" + pid(i))
                                    : garbage + frameCommand("GETVERSION") + "MSG:xMS");
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          for (int i = 0; i < all; ++i) {
            const Lines& g = clients[i]->lines;
            if (g.empty() || !tarvo::startsWith(g.back(), i < kClients ? "DNPRMMOD" : "VERSION"))
              return false;
          }
          return true;
        },
        20'000))
        << "round " << round;
    for (int i = 0; i < all; ++i) {
      if (i >= kClients) {
        ASSERT_EQ(clients[i]->lines, Lines{"VERSION0.95.1"});
        continue;
      }
      Lines expected = blockLists[i];
      expected.push_back("DNPRMMOD " + pid(i));
      ASSERT_EQ(clients[i]->lines, expected) << cpName(i) << " in round " << round;
      ASSERT_EQ(valueOf(engine.plant(), pid(i), "PBAND"), pband(i)) << cpName(i);
    }
    ASSERT_EQ(server.clientCount(), all);
    // Flat: the same held at the end of every round.
    if (round == 0) engineHeld = engine.heldBytes();
    if (round == 0) serverHeld = server.heldInputBytes() + server.heldOutputBytes();
    EXPECT_EQ(engine.heldBytes(), engineHeld) << "round " << round;
    EXPECT_EQ(server.heldInputBytes() + server.heldOutputBytes(), serverHeld) << "round " << round;
  }
  // The server holds only the start of a header after each noisy client's garbage.
  EXPECT_LE(serverHeld, std::size_t{kNoisy} * 3);
}

}  // namespace
}  // namespace tarvo::sim

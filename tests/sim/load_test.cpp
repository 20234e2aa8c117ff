// Fifty clients at once on loopback, each with a session on its own CP of a
// generated plant, listing blocks and editing parameters round after round,
// beside clients that send garbage. Every reply must be right, nothing the
// server holds may grow from round to round, and the 99th percentile of the
// reply times is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "line_client.h"
#include "server.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using link::frameCommand;
using testing::LineClient;
using testing::linesFor;

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
  server.setLogger([](const std::string&) {});
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));

  // What each CP's block list must be: what one client alone gets.
  std::vector<std::vector<std::string>> blockLists;
  Engine alone(plant);
  for (int i = 0; i < kClients; ++i) {
    const ConnId c = alone.connect();
    alone.handle(c, "OPENCP:" + cpName(i) + " ALL WS");
    blockLists.push_back(linesFor(alone.handle(c, "GETBLKS 0 " + cpName(i)), c));
  }

  std::vector<std::unique_ptr<LineClient>> clients;
  for (int i = 0; i < kClients + kNoisy; ++i) {
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

  // Each step: its command from client i with PBAND value v, the keyword that
  // ends its answer, and whether the answer is right.
  using Lines = std::vector<std::string>;
  struct Step {
    std::string name;
    std::function<std::string(int, const std::string&)> command;
    std::string end;
    std::function<bool(int, const std::string&, const Lines&)> right;
  };
  const Step steps[] = {
      {"GETBLKS", [](int i, const std::string&) { return frameCommand("GETBLKS 0 " + cpName(i)); },
       "DNBLKLST",
       [&](int i, const std::string&, const Lines& got) { return got == blockLists[i]; }},
      {"edit (MODSTART, MODPARM, MODEND)",
       [&](int i, const std::string& v) {
         return frameCommand("MODSTART:" + pid(i)) + frameCommand("MODPARM:PBAND = " + v) +
                frameCommand("MODEND:" + pid(i));
       },
       "DNPRMMOD",
       [&](int i, const std::string&, const Lines& got) {
         return got == Lines{"DNPRMMOD " + pid(i)};
       }},
      {"GETPARMS", [&](int i, const std::string&) { return frameCommand("GETPARMS:" + pid(i)); },
       "DNPRMLST",
       [](int, const std::string& v, const Lines& got) {
         return got.front() == "CLRPRMLST" &&
                std::count(got.begin(), got.end(), "PRMLST PBAND " + v) == 1;
       }},
  };

  std::map<std::string, std::vector<qint64>> times;
  std::size_t engineHeld = 0, serverHeld = 0;
  const int all = kClients + kNoisy;
  for (int round = 0; round < kRounds; ++round) {
    for (const Step& step : steps) {
      // Everyone at once; the noisy clients wrap a command of their own in garbage.
      std::vector<qint64> sent(all);
      for (int i = 0; i < all; ++i) {
        // What this test keeps of the replies stays flat too.
        clients[i]->lines.clear();
        clients[i]->arrivedMs.clear();
        sent[i] =
            clients[i]->send(i < kClients ? step.command(i, std::to_string(10 + round * 50 + i))
                                          : garbage + frameCommand("GETVERSION") + "MSG:xMS");
      }
      ASSERT_TRUE(QTest::qWaitFor(
          [&] {
            for (int i = 0; i < all; ++i) {
              const Lines& g = clients[i]->lines;
              if (g.empty() || !tarvo::startsWith(g.back(), i < kClients ? step.end : "VERSION"))
                return false;
            }
            return true;
          },
          20'000))
          << "round " << round << ", " << step.name;
      for (int i = 0; i < all; ++i) {
        if (i >= kClients) {
          ASSERT_EQ(clients[i]->lines, Lines{"VERSION0.95.1"});
          continue;
        }
        ASSERT_TRUE(step.right(i, std::to_string(10 + round * 50 + i), clients[i]->lines))
            << step.name << " for " << cpName(i) << " in round " << round;
        times[step.name].push_back(clients[i]->arrivedMs.back() - sent[i]);
      }
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
  for (auto& [name, ms] : times) {
    std::sort(ms.begin(), ms.end());
    const std::size_t p99 = (ms.size() * 99 + 99) / 100 - 1;
    std::printf("[ load     ] %-34s %zu replies, median %lld ms, p99 %lld ms, max %lld ms\n",
                name.c_str(), ms.size(), static_cast<long long>(ms[ms.size() / 2]),
                static_cast<long long>(ms[p99]), static_cast<long long>(ms.back()));
  }
}

}  // namespace
}  // namespace tarvo::sim

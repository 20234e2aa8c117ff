// Fifty clients at once on loopback, each with a session on its own CP of a
// generated plant, listing blocks and editing parameters round after round,
// beside clients that send garbage. Every reply must be right, nothing the
// server holds may grow from round to round, and the 99th percentile of the
// reply times is printed.
#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "line_client.h"
#include "server.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using testing::frame;
using testing::LineClient;
using testing::linesFor;

constexpr int kClients = 50;
constexpr int kNoisy = 5;
constexpr int kRounds = 8;

std::string two(int i) {
  return std::string(1, static_cast<char>('0' + i / 10)) + static_cast<char>('0' + i % 10);
}
std::string cpName(int i) {
  return "LD" + two(i);
}
std::string compoundName(int i) {
  return "LC" + two(i);
}

Plant loadPlant() {
  Plant plant;
  for (int i = 0; i < kClients; ++i) {
    Cp cp;
    cp.name = cpName(i);
    cp.model = "FCP280";
    Compound c = makeCompound(compoundName(i));
    for (const char* type : {"AIN", "PID", "AOUT", "CALC", "CIN", "TIM"})
      c.blocks.push_back(makeBlock(std::string(type) + "1", type));
    cp.compounds.push_back(std::move(c));
    plant.cps.push_back(std::move(cp));
  }
  return plant;
}

// Resident memory of this process in KiB, where the system tells it.
long residentKiB() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return -1;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLong() * 4 : -1;
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
    clients[i]->send(frame("OPENCP:" + cpName(i) + " ALL WS" + two(i)));
  for (int i = 0; i < kClients; ++i) ASSERT_TRUE(clients[i]->waitForLine("DNOPENCP" + cpName(i)));

  std::string garbage;
  for (int k = 0; k < 2000; ++k) garbage += "MSG:x";
  garbage += "MSG:12X4MSG:" + std::string(12, '9');

  std::map<std::string, std::vector<qint64>> times;
  std::vector<std::size_t> engineHeld, serverHeld;
  for (int round = 0; round < kRounds; ++round) {
    // All clients send each step at once; the noisy ones send garbage around
    // a command of their own.
    for (int step = 0; step < 3; ++step) {
      std::vector<std::size_t> from(clients.size());
      std::vector<qint64> sent(clients.size());
      std::vector<std::string> last(clients.size());
      std::string stepName;
      for (int i = 0; i < kClients + kNoisy; ++i) {
        LineClient& c = *clients[i];
        from[i] = c.lines.size();
        if (i >= kClients) {
          last[i] = "VERSION0.95.1";
          sent[i] = c.send(garbage + frame("GETVERSION") + garbage.substr(0, 7));
          continue;
        }
        const std::string block = compoundName(i) + ":PID1";
        const std::string pband = std::to_string(10 + round * 50 + i);
        std::string command;
        switch (step) {
          case 0:
            stepName = "GETBLKS";
            command = frame("GETBLKS 0 " + cpName(i));
            last[i] = "DNBLKLST";
            break;
          case 1:
            stepName = "edit (MODSTART, MODPARM, MODEND)";
            command = frame("MODSTART:" + block) + frame("MODPARM:PBAND = " + pband) +
                      frame("MODEND:" + block);
            last[i] = "DNPRMMOD " + block;
            break;
          default:
            stepName = "GETPARMS";
            command = frame("GETPARMS:" + block);
            last[i] = "DNPRMLST";
        }
        sent[i] = c.send(command);
      }
      auto done = [&](int i) {
        const auto& lines = clients[i]->lines;
        return std::find(lines.begin() + static_cast<std::ptrdiff_t>(from[i]), lines.end(),
                         last[i]) != lines.end();
      };
      ASSERT_TRUE(QTest::qWaitFor(
          [&] {
            for (int i = 0; i < kClients + kNoisy; ++i)
              if (!done(i)) return false;
            return true;
          },
          20'000))
          << "round " << round << ", step " << step;
      for (int i = 0; i < kClients + kNoisy; ++i) {
        LineClient& c = *clients[i];
        const std::vector<std::string> got(c.lines.begin() + static_cast<std::ptrdiff_t>(from[i]),
                                           c.lines.end());
        if (i >= kClients) {
          ASSERT_EQ(got, std::vector<std::string>{"VERSION0.95.1"});
          continue;
        }
        times[stepName].push_back(c.arrivedMs.back() - sent[i]);
        const std::string pband = std::to_string(10 + round * 50 + i);
        if (step == 0) {
          ASSERT_EQ(got, blockLists[i]) << cpName(i);
        } else if (step == 1) {
          ASSERT_EQ(got, std::vector<std::string>{last[i]});
        } else {
          ASSERT_EQ(got.front(), "CLRPRMLST");
          ASSERT_NE(std::find(got.begin(), got.end(), "PRMLST PBAND " + pband), got.end())
              << cpName(i) << " round " << round;
        }
      }
    }
    ASSERT_EQ(server.clientCount(), kClients + kNoisy);
    engineHeld.push_back(engine.heldBytes());
    serverHeld.push_back(server.heldInputBytes() + server.heldOutputBytes());
    std::printf("[ load     ] round %d: engine holds %zu bytes, server %zu, resident %ld KiB\n",
                round + 1, engineHeld.back(), serverHeld.back(), residentKiB());
  }
  // Flat: the same held at the end of every round.
  EXPECT_TRUE(std::all_of(engineHeld.begin(), engineHeld.end(),
                          [&](std::size_t n) { return n == engineHeld.front(); }));
  // The server holds only the start of a header after each noisy client's garbage.
  EXPECT_TRUE(std::all_of(serverHeld.begin(), serverHeld.end(),
                          [&](std::size_t n) { return n == serverHeld.front(); }));
  EXPECT_LE(serverHeld.front(), std::size_t{kNoisy} * 3);
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

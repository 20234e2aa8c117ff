// The TCP server in-process on an ephemeral port, with real sockets.
#include "server.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>

#include "demo_plant.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;

// A client socket that collects the server's lines.
struct LineClient {
  explicit LineClient(quint16 port) {
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [this] {
      while (socket.canReadLine()) lines.push_back(socket.readLine().chopped(1).toStdString());
    });
    socket.connectToHost(QHostAddress::LocalHost, port);
  }
  void send(const std::string& bytes) {
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  // Waits until `n` lines start with `start`; returns the last of them ("" after the timeout).
  std::string waitFor(const std::string& start, std::size_t n = 1) {
    std::string found;
    const auto seen = [&] {
      std::size_t count = 0;
      for (const auto& l : lines)
        if (startsWith(l, start) && ++count == n) found = l;
      return !found.empty();
    };
    return QTest::qWaitFor(seen, 5000) ? found : std::string();
  }

  QTcpSocket socket;
  Lines lines;
};

class ServerTest : public ::testing::Test {
 protected:
  ServerTest() : engine(buildDemoPlant(), EngineOptions{"0.95.1", 150}), server(engine) {
    server.setLogger([this](const std::string& s) { log.push_back(s); });
  }

  void SetUp() override {
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0)) << server.errorString().toStdString();
  }

  std::unique_ptr<LineClient> client() {
    auto c = std::make_unique<LineClient>(server.port());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return c->socket.state() == QAbstractSocket::ConnectedState; }, 5000));
    return c;
  }

  bool waitForClients(int n) {
    return QTest::qWaitFor([&] { return server.clientCount() == n; }, 5000);
  }

  Engine engine;
  SimServer server;
  Lines log;
};

TEST_F(ServerTest, AMalformedFrameIsSkippedAndAnOversizeOneDropsOnlyItsClient) {
  server.setMaxFrameLength(1000);
  auto a = client();
  auto b = client();
  ASSERT_TRUE(waitForClients(2));
  // The bad sender resynchronises at its next good frame.
  a->send("MSG:XYZWGETCPSgarbage" + frameCommand("GETVERSION"));
  b->send(frameCommand("GETVERSION"));
  EXPECT_EQ(b->waitFor("VERSION"), "VERSION0.95.1");
  EXPECT_EQ(a->waitFor("VERSION"), "VERSION0.95.1");
  EXPECT_EQ(a->lines, Lines{"VERSION0.95.1"});  // no reply to the garbage, no CR either
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
    return l.find("bad frame") != std::string::npos;
  }));

  a->send("MSG:0005000" + std::string(100, 'A'));
  ASSERT_TRUE(waitForClients(1));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return a->socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
  b->send(frameCommand("GETVERSION"));
  EXPECT_FALSE(b->waitFor("VERSION", 2).empty());
}

TEST_F(ServerTest, SplitFramesAreAllAnsweredAndADelayedReplyKeepsItsPlaceInLine) {
  auto a = client();
  const std::string bytes = frameCommand("GETVERSION") + frameCommand("OPENCP:CP6001 ALL WS01") +
                            frameCommand("CHECKPOINTCP") + frameCommand("GETBLKS 0 CP6001");
  QElapsedTimer timer;
  timer.start();
  for (std::size_t i = 0; i < bytes.size(); i += 7) {
    a->send(bytes.substr(i, 7));
    QTest::qWait(1);
  }
  ASSERT_EQ(a->waitFor("DNBLKLST"), "DNBLKLST");
  // Coarse timers may fire a little early; the work still takes about its time.
  EXPECT_GE(timer.elapsed(), 130);
  EXPECT_EQ(a->lines.front(), "VERSION0.95.1");
  const auto at = [&](const char* line) {
    return std::find(a->lines.begin(), a->lines.end(), line);
  };
  EXPECT_LT(at("DNOPENCPCP6001"), at("DNCPUTIL"));
  EXPECT_LT(at("DNCPUTIL"), at("CLRBLKLST"));
}

TEST_F(ServerTest, AClientLeavingDuringWorkReleasesItsLock) {
  auto a = client();
  a->send(frameCommand("OPENCP:CP6002 ALL WSA") + frameCommand("UPLOADCP"));
  ASSERT_EQ(a->waitFor("DNOPENCP"), "DNOPENCPCP6002");
  a->socket.abort();
  ASSERT_TRUE(waitForClients(0));
  QTest::qWait(200);  // the pending DNCPUTIL has nowhere to go; the server carries on
  auto b = client();
  b->send(frameCommand("OPENCP:CP6002 ALL WSB"));
  EXPECT_EQ(b->waitFor("DNOPENCP"), "DNOPENCPCP6002");
}

}  // namespace
}  // namespace tarvo::sim

// The TCP server in-process on an ephemeral port, with real sockets.
#include "server.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "demo_plant.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using testing::frame;
using testing::startsWith;

// A client socket that collects the server's lines.
class LineClient {
 public:
  explicit LineClient(quint16 port) {
    QObject::connect(&socket_, &QTcpSocket::readyRead, &socket_, [this] {
      partial_ += socket_.readAll().toStdString();
      std::size_t lf;
      while ((lf = partial_.find('\n')) != std::string::npos) {
        lines.push_back(partial_.substr(0, lf));
        partial_.erase(0, lf + 1);
      }
    });
    socket_.connectToHost(QHostAddress::LocalHost, port);
  }

  bool connected() {
    return QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; },
                           5000);
  }
  void send(const std::string& bytes) {
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket_.flush();
  }
  // Waits for a line that is `text`, or that starts with it when `prefix`.
  bool waitForLine(const std::string& text, bool prefix = false) {
    return QTest::qWaitFor([&] { return !lineWith(text, prefix).empty(); }, 5000);
  }
  std::string lineWith(const std::string& text, bool prefix = false) const {
    for (const auto& l : lines)
      if (prefix ? startsWith(l, text) : l == text) return l;
    return {};
  }
  bool waitClosed() {
    return QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::UnconnectedState; },
                           5000);
  }
  bool hasNoCarriageReturn() const {
    return std::none_of(lines.begin(), lines.end(),
                        [](const std::string& l) { return l.find('\r') != std::string::npos; }) &&
           partial_.find('\r') == std::string::npos;
  }
  void close() { socket_.abort(); }

  std::vector<std::string> lines;

 private:
  QTcpSocket socket_;
  std::string partial_;
};

class ServerTest : public ::testing::Test {
 protected:
  ServerTest() : engine(buildDemoPlant(), EngineOptions{"0.95.1", 150}), server(engine) {
    server.setLogger([this](const std::string& s) { log.push_back(s); });
  }

  void SetUp() override {
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0)) << server.errorString().toStdString();
    ASSERT_NE(server.port(), 0);
    ASSERT_NE(server.port(), 1582);
  }

  std::unique_ptr<LineClient> client() {
    auto c = std::make_unique<LineClient>(server.port());
    EXPECT_TRUE(c->connected());
    return c;
  }

  bool waitForClients(int n) {
    return QTest::qWaitFor([&] { return server.clientCount() == n; }, 5000);
  }

  Engine engine;
  SimServer server;
  std::vector<std::string> log;
};

TEST_F(ServerTest, TwoClientsEachGetTheirRepliesAndAMalformedFrameDisturbsNobody) {
  auto a = client();
  auto b = client();
  ASSERT_TRUE(waitForClients(2));
  a->send("MSG:XYZWGETCPS" + std::string("garbage"));
  b->send(frame("GETVERSION"));
  ASSERT_TRUE(b->waitForLine("VERSION0.95.1"));
  // The bad sender resynchronises at its next good frame.
  a->send(frame("GETVERSION"));
  ASSERT_TRUE(a->waitForLine("VERSION0.95.1"));
  EXPECT_EQ(a->lines, std::vector<std::string>{"VERSION0.95.1"});
  EXPECT_EQ(b->lines, std::vector<std::string>{"VERSION0.95.1"});
  EXPECT_TRUE(a->hasNoCarriageReturn());
  EXPECT_EQ(server.clientCount(), 2);
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
    return l.find("bad frame") != std::string::npos;
  }));
}

TEST_F(ServerTest, FramesSplitAndBatchedAreAllAnswered) {
  auto a = client();
  const std::string bytes =
      frame("GETVERSION") + frame("OPENCP:CP6001 ALL WS01") + frame("GETBLKS 0 CP6001");
  for (std::size_t i = 0; i < bytes.size(); i += 7) {
    a->send(bytes.substr(i, 7));
    QTest::qWait(1);
  }
  ASSERT_TRUE(a->waitForLine("DNBLKLST"));
  EXPECT_EQ(a->lines.front(), "VERSION0.95.1");
  EXPECT_EQ(a->lineWith("DNOPENCPCP6001"), "DNOPENCPCP6001");
}

TEST_F(ServerTest, DelayedReplyKeepsItsPlaceInLine) {
  auto a = client();
  a->send(frame("OPENCP:CP6001 ALL WS01") + frame("CHECKPOINTCP") + frame("GETVERSION"));
  QElapsedTimer timer;
  timer.start();
  ASSERT_TRUE(a->waitForLine("VERSION0.95.1"));
  // Coarse timers may fire a little early; the work still takes about its time.
  EXPECT_GE(timer.elapsed(), 130);
  const auto done = std::find(a->lines.begin(), a->lines.end(), "DNCPUTIL");
  const auto version = std::find(a->lines.begin(), a->lines.end(), "VERSION0.95.1");
  ASSERT_NE(done, a->lines.end());
  EXPECT_LT(done, version);
}

TEST_F(ServerTest, ClientLeavingDuringWorkReleasesItsLock) {
  auto a = client();
  a->send(frame("OPENCP:CP6002 ALL WSA") + frame("UPLOADCP"));
  ASSERT_TRUE(a->waitForLine("DNOPENCPCP6002"));
  a->close();
  ASSERT_TRUE(waitForClients(0));
  // The pending DNCPUTIL has nowhere to go; the server carries on.
  QTest::qWait(200);
  auto b = client();
  b->send(frame("OPENCP:CP6002 ALL WSB"));
  EXPECT_TRUE(b->waitForLine("DNOPENCPCP6002"));
}

TEST_F(ServerTest, OverrideTellsFormerHolder) {
  auto a = client();
  auto b = client();
  a->send(frame("OPENCP:CP6001 ALL WSA"));
  ASSERT_TRUE(a->waitForLine("DNOPENCPCP6001"));
  b->send(frame("OPENCP:CP6001 ALL WSB"));
  ASSERT_TRUE(b->waitForLine("LOCKOPENCP", true));
  b->send(frame("OVERRIDECP:" + testing::fromCol(b->lineWith("LOCKOPENCP", true), 12)));
  ASSERT_TRUE(b->waitForLine("DNOPENCPCP6001"));
  ASSERT_TRUE(a->waitForLine("CLOSEICC CP6001", true));
}

TEST_F(ServerTest, OversizeFrameDropsOnlyThatClient) {
  server.setMaxFrameLength(1000);
  auto a = client();
  auto b = client();
  ASSERT_TRUE(waitForClients(2));
  a->send("MSG:0005000" + std::string(100, 'A'));
  ASSERT_TRUE(a->waitClosed());
  ASSERT_TRUE(waitForClients(1));
  b->send(frame("GETVERSION"));
  EXPECT_TRUE(b->waitForLine("VERSION0.95.1"));
}

}  // namespace
}  // namespace tarvo::sim

// tarvo-sim as a program (its options, its plant file); the decoder that cuts a client's
// bytes into commands; and its TCP server in-process on an ephemeral port, with real
// sockets: replies in order over split frames, and clients that misbehave: garbage,
// oversize and half frames, too many of them, a slow checkpoint write, and no file
// descriptors left.
#include "sim/server.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "line_client.h"
#include "sim/demo_plant.h"
#include "sim/frame_decoder.h"
#include "sim/plant_store.h"
#include "sim/sim_app.h"
#include "sim_test_util.h"

#if defined(Q_OS_LINUX)
#include <QStandardPaths>
#endif

namespace tarvo::sim {
namespace {

using namespace testing;

QStringList argv(std::initializer_list<const char*> args) {
  QStringList out{QStringLiteral("tarvo-sim")};
  for (const char* a : args) out << QString::fromLatin1(a);
  return out;
}

TEST(SimArgsTest, DefaultsServeTheDemoOnLoopbackEveryOptionIsTakenAndBadValuesAreRefused) {
  const ParsedArgs defaults = parseSimArgs(argv({}));
  ASSERT_TRUE(defaults.options);
  const SimOptions& d = *defaults.options;
  EXPECT_EQ(std::tie(d.listen, d.port, d.dataFile, d.version, d.workMs, d.xrefMsPerBlock),
            std::make_tuple(QStringLiteral("127.0.0.1"), 1582, QString(), QStringLiteral("0.95.1"),
                            3000, 100));
  const ParsedArgs given =
      parseSimArgs(argv({"--listen", "::1", "--port", "0", "--data", "p.txt", "--version", "1.0.0",
                         "--work-ms", "5", "--xref-ms-per-block", "7"}));
  ASSERT_TRUE(given.options) << given.text.toStdString();
  const SimOptions& g = *given.options;
  EXPECT_EQ(std::tie(g.listen, g.port, g.dataFile, g.version, g.workMs, g.xrefMsPerBlock),
            std::make_tuple(QStringLiteral("::1"), 0, QStringLiteral("p.txt"),
                            QStringLiteral("1.0.0"), 5, 7));

  for (auto args : {argv({"--port", "65536"}), argv({"--port", "x"}), argv({"--work-ms", "-1"}),
                    argv({"--xref-ms-per-block", "-1"}), argv({"--xref-ms-per-block", "60001"}),
                    argv({"--bogus"}), argv({"extra"})}) {
    const ParsedArgs parsed = parseSimArgs(args);
    EXPECT_TRUE(!parsed.options && !parsed.help && !parsed.text.isEmpty())
        << args.join(QLatin1Char(' ')).toStdString();
  }
  const ParsedArgs help = parseSimArgs(argv({"--help"}));
  EXPECT_TRUE(help.help && help.text.contains(QStringLiteral("--xref-ms-per-block")));
}

using Kind = FrameDecoder::EventKind;

// Decoder events as one line: a command as its text, skipped garbage as "?" and an oversize frame
// as "!" with their byte counts, each followed by "|".
std::string show(const std::vector<FrameDecoder::Event>& events) {
  std::string out;
  for (const auto& e : events)
    out += (e.kind == Kind::Command
                ? e.text
                : (e.kind == Kind::Garbage ? "?" : "!") + std::to_string(e.byteCount)) +
           "|";
  return out;
}

TEST(FrameDecoderTest, FramesComeOutWholeAndInOrderHoweverTheBytesArriveUpToTheLimit) {
  // The length decides where a command ends, not its content.
  const std::string odd = "SRCPUT:A := 1;\nMSG:0003";
  const std::string full(1000, 'A');
  const std::pair<std::string, std::string> cases[] = {
      {frameCommand("GETVERSION") + frameCommand("GETCPS"), "GETVERSION|GETCPS|"},
      {frameCommand(odd), odd + "|"},
      {"MSG:0000" + frameCommand("GETCPS"), "|GETCPS|"},  // an empty command is a frame
      {"MSG:1000" + full, full + "|"},                    // at the limit
  };
  for (const auto& [bytes, commands] : cases) {
    FrameDecoder d(1000);
    EXPECT_EQ(show(d.feed(bytes)), commands) << bytes.substr(0, 40);
    EXPECT_EQ(d.buffered(), 0u);
  }
  // One byte at a time.
  FrameDecoder d;
  std::string got;
  for (char c : frameCommand("OPENCP:CP6001 ALL WS01") + frameCommand("WATCHDOG"))
    got += show(d.feed(std::string(1, c)));
  EXPECT_EQ(got, "OPENCP:CP6001 ALL WS01|WATCHDOG|");
  // A five-digit length, in two parts.
  const std::string text = "XREFCFGPUT" + std::string(10'000, 'A');
  const std::string bytes = "MSG:10010" + text;
  EXPECT_TRUE(d.feed(bytes.substr(0, 6000)).empty());
  EXPECT_EQ(show(d.feed(bytes.substr(6000) + frameCommand("WATCHDOG"))), text + "|WATCHDOG|");
  // A frame announced longer than the limit closes the decoder for good.
  FrameDecoder small(1000);
  EXPECT_EQ(show(small.feed(frameCommand("GETCPS") + "MSG:0001001" + std::string(20, 'A'))),
            "GETCPS|!1001|");
  EXPECT_TRUE(small.closed());
  EXPECT_EQ(small.buffered(), 0u);
  EXPECT_TRUE(small.feed(frameCommand("GETCPS")).empty());
}

TEST(FrameDecoderTest, GarbageAndBadLengthsAreReportedOnceAndSkippedToTheNextHeader) {
  const std::pair<std::string, const char*> cases[] = {{"GETVERSION", "outside a frame"},
                                                       {"MSG:GETCPS", "not a number"},
                                                       {"MSG:12X4GETCPS", "fewer than 4"},
                                                       {"MSG:12345678901GETCPS", "too many"}};
  for (const auto& [bad, why] : cases) {
    FrameDecoder d;
    const auto events = d.feed(bad + frameCommand("GETVERSION"));
    EXPECT_EQ(show(events), "?" + std::to_string(bad.size()) + "|GETVERSION|");
    EXPECT_NE(events.at(0).reason.find(why), std::string::npos) << events[0].reason;
  }
  // A header cut off after the garbage is not lost.
  FrameDecoder d;
  EXPECT_EQ(show(d.feed("noiseMS")), "?5|");
  EXPECT_EQ(show(d.feed("G:0006GETCPS")), "GETCPS|");
  // Endless garbage is not kept.
  for (int i = 0; i < 100; ++i) d.feed(std::string(10'000, 'x'));
  EXPECT_LT(d.buffered(), 4u);
  // Bad headers in a row are one stretch of garbage.
  std::string flood;
  for (int i = 0; i < 1000; ++i) flood += "MSG:x";
  EXPECT_EQ(show(d.feed(flood + "MSG:12" + frameCommand("GETCPS") + "junk")), "?5006|GETCPS|?4|");
}

class SimInstanceTest : public ::testing::Test {
 protected:
  SimOptions options() {
    SimOptions o;
    o.port = 0;
    o.workMs = 0;  // each CP utility done before the next command
    return o;
  }
  QTemporaryDir dir;
};

TEST_F(SimInstanceTest, KeepsItsPlantInTheDataFileFromOneStartToTheNext) {
  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  SimOptions o = options();
  o.dataFile = path;
  o.xrefMsPerBlock = 3;
  {
    SimInstance sim([](const std::string&) {});
    QString error;
    ASSERT_TRUE(sim.start(o, &error)) << error.toStdString();
    EXPECT_EQ(sim.engine().options().xrefMsPerBlock, 3);
    const PlantLoad created = loadPlantFile(path);  // a missing file is created
    ASSERT_TRUE(created.plant) << created.error.toStdString();
    EXPECT_EQ(*created.plant, buildDemoPlant());

    Engine& e = sim.engine();
    const ConnId c = e.connect();
    for (const char* cmd : {"OPENCP:CP6001 ALL WS01", "MODSTART:BOILER:PC104", "MODPARM:PBAND = 66",
                            "MODEND:BOILER:PC104", "UPLOADCP", "INITIALIZECP"})
      e.handle(c, cmd);
    // Not on disk until a checkpoint; upload and initialize store nothing.
    EXPECT_EQ(valueOf(*loadPlantFile(path).plant, "BOILER:PC104", "PBAND"), "80");
    EXPECT_EQ(linesFor(e.handle(c, "CHECKPOINTCP"), c), Lines{"DNCPUTIL"});
  }
  // A new start loads what the checkpoint wrote.
  SimInstance again([](const std::string&) {});
  QString error;
  ASSERT_TRUE(again.start(o, &error)) << error.toStdString();
  EXPECT_EQ(valueOf(again.engine().plant(), "BOILER:PC104", "PBAND"), "66");
}

TEST_F(SimInstanceTest, ABadAddressOrACorruptDataFileStopsTheStartWithAClearError) {
  SimOptions o = options();
  o.listen = QStringLiteral("not-an-address");
  QString error;
  EXPECT_FALSE(SimInstance([](const std::string&) {}).start(o, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not-an-address")));

  const QString path = dir.filePath(QStringLiteral("plant.txt"));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(
      "TARVO-SIM-PLANT 1\nCP CP1 CP FCP280\n  COMPOUND C1\n    BLOCK B1 AIN\n"
      "      PARAM PNT_NO 99\nEND\n");
  f.close();
  o = options();
  o.dataFile = path;
  EXPECT_FALSE(SimInstance([](const std::string&) {}).start(o, &error));
  EXPECT_TRUE(error.startsWith(path + QStringLiteral(":5:"))) << error.toStdString();
  EXPECT_TRUE(error.contains(QStringLiteral("PNT_NO")));
}

class ServerTest : public ::testing::Test {
 protected:
  ServerTest() : engine(buildDemoPlant(), EngineOptions{"0.95.1", 150}), server(engine) {
    engine.setLogger([this](const std::string& s) { log.push_back(s); });
  }
  // Listens with the default limits changed by `change`.
  void start(const std::function<void(ServerLimits&)>& change = {}) {
    ServerLimits limits;
    if (change) change(limits);
    server.setLimits(limits);
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0)) << server.errorString().toStdString();
  }
  std::unique_ptr<LineClient> client() {
    auto c = std::make_unique<LineClient>(server.port());
    EXPECT_TRUE(c->connected());
    return c;
  }
  bool waitForClients(int n) {
    return QTest::qWaitFor([&] { return server.clientCount() == n; }, 5000);
  }
  std::size_t logged(const std::string& part) const {
    return static_cast<std::size_t>(std::count_if(
        log.begin(), log.end(), [&](const auto& l) { return l.find(part) != std::string::npos; }));
  }

  Lines log;  // first: the engine logs into it until the server is gone
  Engine engine;
  SimServer server;
};

TEST_F(ServerTest, ARunOfGarbageIsSkippedAsOneLogLineAndAnOversizeFrameDropsOnlyItsClient) {
  start([](ServerLimits& l) {
    l.maxFrameLength = 1000;
    l.garbageReportMs = 60'000;
  });
  auto a = client();
  auto b = client();
  std::string flood = "MSG:XYZWGETCPSgarbage";
  for (int i = 0; i < 20'000; ++i) flood += "MSG:x";
  a->send(flood);
  a->send(frameCommand("GETVERSION"));
  ASSERT_TRUE(a->waitForLine("VERSION0.95.1"));
  EXPECT_EQ(a->lines, Lines{"VERSION0.95.1"});  // no reply to the garbage, no CR either
  EXPECT_EQ(logged("bad frame"), 1u);
  EXPECT_EQ(logged("100021 bytes skipped"), 1u);

  a->send("MSG:0005000" + std::string(100, 'A'));
  EXPECT_TRUE(a->waitClosed());
  ASSERT_TRUE(waitForClients(1));
  b->send(frameCommand("GETVERSION"));
  EXPECT_TRUE(b->waitForLine("VERSION0.95.1"));
}

TEST_F(ServerTest, OneClientTooManyIsClosedAndAPlaceFreedDuringWorkIsTakenAgain) {
  start([](ServerLimits& l) { l.maxConnections = 2; });
  auto a = client();
  auto b = client();
  ASSERT_TRUE(waitForClients(2));
  auto c = client();
  EXPECT_TRUE(c->waitClosed());
  EXPECT_EQ(logged("refused: 2 clients are connected"), 1u);
  // A leaves while its upload works: the DNCPUTIL has nowhere to go, its lock is released.
  a->send(frameCommand("OPENCP:CP6002 ALL WSA") + frameCommand("UPLOADCP"));
  ASSERT_TRUE(a->waitForLine("DNOPENCPCP6002"));
  a->close();
  ASSERT_TRUE(waitForClients(1));
  QTest::qWait(200);
  auto d = client();
  d->send(frameCommand("OPENCP:CP6002 ALL WSD"));
  EXPECT_TRUE(d->waitForLine("DNOPENCPCP6002"));
}

TEST_F(ServerTest, UnfinishedInputIsCappedOverAllClients) {
  start([](ServerLimits& l) {
    l.maxFrameLength = 2000;
    l.maxTotalInput = 3000;
  });
  auto a = client();
  auto b = client();
  const std::string half = "MSG:1999" + std::string(1500, 'A');
  a->send(half);
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.heldInputBytes() == half.size(); }, 5000));
  b->send(half);
  EXPECT_TRUE(b->waitClosed());
  EXPECT_EQ(logged("unfinished frames over all clients exceed 3000 bytes"), 1u);
  a->send(std::string(499, 'A') + frameCommand("GETVERSION"));
  EXPECT_TRUE(a->waitForLine("VERSION0.95.1"));
  EXPECT_EQ(server.heldInputBytes(), 0u);
}

TEST_F(ServerTest, HalfAFrameAndThenSilenceIsDroppedAnIdleClientIsNot) {
  start([](ServerLimits& l) { l.partialFrameTimeoutMs = 200; });
  auto idle = client();
  idle->send(frameCommand("GETVERSION"));
  ASSERT_TRUE(idle->waitForLine("VERSION0.95.1"));
  auto half = client();
  half->send("MSG:0010GET");
  EXPECT_TRUE(half->waitClosed());
  EXPECT_EQ(logged("part of a frame and nothing more for 200 ms"), 1u);
  QTest::qWait(300);
  EXPECT_FALSE(idle->closed());
  EXPECT_EQ(server.clientCount(), 1);
}

TEST_F(ServerTest, AClientThatSendsNoCommandIsDroppedAndOneAddressCannotTakeEveryPlace) {
  start([](ServerLimits& l) {
    l.maxConnections = 6;
    l.maxConnectionsPerPeer = 3;
    l.idleTimeoutMs = 400;
  });
  auto a = client();
  auto b = client();
  auto c = client();
  ASSERT_TRUE(waitForClients(3));
  auto d = client();
  EXPECT_TRUE(d->waitClosed());
  EXPECT_EQ(logged("refused: 3 clients are connected from 127.0.0.1, the most it takes from one "
                   "address"),
            1u);
#if defined(Q_OS_LINUX)
  // Another address still gets a place (Linux answers on all of 127.0.0.0/8).
  LineClient other(server.port(), QHostAddress(QStringLiteral("127.0.0.2")));
  ASSERT_TRUE(other.connected());
  other.send(frameCommand("GETVERSION"));
  EXPECT_TRUE(other.waitForLine("VERSION0.95.1"));
#endif
  // The client's watchdog keeps its connection; silence and garbage do not.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 1200) {
    a->send(frameCommand("WATCHDOG"));
    c->send("MSG:x");
    QTest::qWait(100);
  }
  EXPECT_FALSE(a->closed());
  EXPECT_TRUE(b->closed());
  EXPECT_TRUE(c->closed());
  EXPECT_GE(logged("dropped: no command for 400 ms"), 2u);
  // What they held is given back: the address has its places again.
  auto e = client();
  auto f = client();
  e->send(frameCommand("GETVERSION"));
  f->send(frameCommand("GETVERSION"));
  EXPECT_TRUE(e->waitForLine("VERSION0.95.1") && f->waitForLine("VERSION0.95.1"));
}

// Each new connection comes with a budget of its own, so lines about
// connections coming and going are held to one budget for them all.
TEST(ServerLogTest, ConnectionsComingAndGoingCannotFloodTheLog) {
  Lines log;
  EngineOptions options;
  options.limits.allConnectionsLog = {20, 60'000};
  Engine engine(buildDemoPlant(), options);
  engine.setLogger([&](const std::string& l) { log.push_back(l); });
  SimServer server(engine);
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  for (int i = 0; i < 60; ++i) {
    LineClient c(server.port());
    ASSERT_TRUE(c.connected());
    c.send(frameCommand("BOGUS") + frameCommand("BOGUS") + frameCommand("GETVERSION"));
    ASSERT_TRUE(c.waitForLine("VERSION0.95.1"));
    c.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.clientCount() == 0; }, 5000));
  }
  // 300 lines about them before; the first 20 now, each with at most a count before it.
  EXPECT_LE(log.size(), 40u);
  EXPECT_GE(log.size(), 20u);
}

TEST_F(ServerTest, SplitFramesAreAnsweredInOrderBehindACheckpointThatHoldsUpOnlyItsClient) {
  start();
  QSemaphore release;
  server.setCheckpointSaver([&](const Plant&) {
    release.acquire();
    return std::string("disk full");
  });
  auto a = client();
  auto b = client();
  const std::string bytes = frameCommand("OPENCP:CP6001 ALL WSA") + frameCommand("CHECKPOINTCP") +
                            frameCommand("GETBLKS 0 CP6001");
  for (std::size_t i = 0; i < bytes.size(); i += 7) {
    a->send(bytes.substr(i, 7));
    QTest::qWait(1);
  }
  ASSERT_TRUE(a->waitForLine("DNOPENCPCP6001"));
  // B meanwhile is answered, a reply after an upload waiting for the upload's work.
  QElapsedTimer timer;
  timer.start();
  b->send(frameCommand("OPENCP:CP6002 ALL WSB") + frameCommand("UPLOADCP") +
          frameCommand("GETVERSION"));
  ASSERT_TRUE(b->waitForLine("VERSION0.95.1"));
  // Coarse timers may fire a little early; the work still takes about its time.
  EXPECT_GE(timer.elapsed(), 130);
  EXPECT_EQ(b->lines.end()[-2], "DNCPUTIL");
  // A's checkpoint, past its work time now, waits for the write, and A's later reply with it.
  EXPECT_FALSE(a->has("ERRCPUTIL", true) || a->has("CLRBLKLST"));
  release.release();
  ASSERT_TRUE(a->waitForLine("DNBLKLST"));
  const auto at = [&](const char* line) {
    return std::find(a->lines.begin(), a->lines.end(), line);
  };
  EXPECT_LT(at("DNOPENCPCP6001"), at("ERRCPUTILCheckpoint of CP6001 failed: disk full"));
  EXPECT_EQ(at("ERRCPUTILCheckpoint of CP6001 failed: disk full") + 1, at("CLRBLKLST"));
}

#if defined(Q_OS_LINUX)
// CPU time of a process in clock ticks, from /proc.
long cpuTicks(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return -1;
  const QByteArray text = stat.readAll();
  const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : -1;
}

TEST(AcceptErrorTest, OutOfFileDescriptorsPausesAcceptingAndRecovers) {
  QProcess sim;
  QByteArray errors;
  QObject::connect(&sim, &QProcess::readyReadStandardError,
                   [&] { errors += sim.readAllStandardError(); });
  // Room for the program and a few clients, no more.
  const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
  ASSERT_FALSE(prlimit.isEmpty()) << "prlimit (util-linux) is needed";
  sim.start(prlimit, {QStringLiteral("--nofile=24:24"), QStringLiteral(TARVO_SIM_EXE),
                      QStringLiteral("--port"), QStringLiteral("0")});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return sim.canReadLine(); }, 10'000));
  const QByteArray banner = sim.readLine().trimmed();
  ASSERT_TRUE(banner.startsWith("tarvo-sim listening on 127.0.0.1:")) << banner.toStdString();
  const quint16 port = static_cast<quint16>(banner.mid(banner.lastIndexOf(':') + 1).toUInt());
  ASSERT_NE(port, 0) << banner.toStdString();

  {
    // One client served and gone first: a sanitizer build checks each kind
    // of call once with a pipe of its own, which it cannot make later.
    LineClient first(port);
    ASSERT_TRUE(first.connected());
    first.send(frameCommand("GETVERSION"));
    ASSERT_TRUE(first.waitForLine("VERSION0.95.1"));
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return errors.contains("conn 1: disconnected"); }, 5000));
  std::vector<std::unique_ptr<LineClient>> clients;
  for (int i = 0; i < 40; ++i) {
    clients.push_back(std::make_unique<LineClient>(port));
    // The system completes the connection whether or not the server accepts it.
    ASSERT_TRUE(clients.back()->connected());
    clients.back()->send(frameCommand("GETVERSION"));
  }
  auto answered = [&] {
    return std::count_if(clients.begin(), clients.end(),
                         [](const auto& c) { return c->has("VERSION0.95.1"); });
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return answered() > 0; }, 5000)) << errors.toStdString();
  QTest::qWait(300);
  const auto first = answered();
  EXPECT_LT(first, 40);
  // Waiting for descriptors must not burn the CPU.
  const long before = cpuTicks(sim.processId());
  QTest::qWait(1000);
  const long used = cpuTicks(sim.processId()) - before;
  EXPECT_LT(used, 30) << "ticks of CPU in one second";
  // Each client that leaves gives a descriptor back, and the next one waiting gets it.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        for (auto& c : clients)
          if (c->has("VERSION0.95.1") && !c->closed()) c->close();
        return answered() == 40;
      },
      20'000))
      << answered() << " of 40 answered";
  sim.kill();
  sim.waitForFinished(5000);
  errors += sim.readAllStandardError();
  // One line when accepting stops and one when it starts again, not one per try.
  const auto stops = errors.count("cannot accept connections");
  EXPECT_GE(stops, 1) << "first " << first << "\n" << errors.toStdString();
  EXPECT_LE(stops, errors.count("accepting connections again") + 1) << errors.toStdString();
}
#endif

}  // namespace
}  // namespace tarvo::sim

// The simulator's TCP front: accepts clients, cuts their bytes into commands,
// hands them to the engine and writes the replies, each after its delay and
// in order per connection.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QThreadPool>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "sim/engine.h"
#include "sim/frame_decoder.h"

class QTcpSocket;

namespace tarvo::sim {

// What clients can make the server hold, and how long it waits. Every one of
// them is there so that no client, however it misbehaves, can make the
// server grow without bound or stall the others. Tests lower them.
struct ServerLimits {
  static constexpr int kMaxConnections = 100;
  static constexpr int kMaxConnectionsPerPeer = 50;
  static constexpr std::size_t kMaxFrameLength = FrameDecoder::kDefaultMaxLength;
  static constexpr std::size_t kMaxTotalInput = 16 * 1024 * 1024;
  static constexpr qint64 kMaxPendingOutput = 8 * 1024 * 1024;
  static constexpr qint64 kReadChunk = 64 * 1024;
  static constexpr int kPartialFrameTimeoutMs = 30'000;
  // Well above the 30 s between the client's watchdog commands.
  static constexpr int kIdleTimeoutMs = 120'000;
  static constexpr int kAcceptRetryMs = 1000;
  static constexpr int kGarbageReportMs = 1000;

  // Clients connected at once, in all and from one address; a further one
  // is closed at once. One address alone can not take every place.
  int maxConnections = kMaxConnections;
  int maxConnectionsPerPeer = kMaxConnectionsPerPeer;
  // The longest command; a client announcing a longer one is dropped.
  std::size_t maxFrameLength = kMaxFrameLength;
  // Unfinished frames held over all connections together; the client whose
  // input goes past it is dropped.
  std::size_t maxTotalInput = kMaxTotalInput;
  // Replies waiting for a client that does not read them; past it the client
  // is dropped.
  qint64 maxPendingOutput = kMaxPendingOutput;
  // Bytes taken from one socket at a time; TCP holds back the rest.
  qint64 readChunk = kReadChunk;
  // A client that sent part of a frame and then nothing for this long is dropped.
  int partialFrameTimeoutMs = kPartialFrameTimeoutMs;
  // A client that sends no command for this long is dropped.
  int idleTimeoutMs = kIdleTimeoutMs;
  // After a failed accept (out of file descriptors, say) accepting pauses this long.
  int acceptRetryMs = kAcceptRetryMs;
  // A run of garbage is logged as one line when it ends, or at this interval
  // while it goes on.
  int garbageReportMs = kGarbageReportMs;
};

class SimServer : public QObject {
  Q_OBJECT

 public:
  // The engine must outlive the server.
  explicit SimServer(Engine& engine, QObject* parent = nullptr);
  ~SimServer() override;

  // Port 0 picks a free port; port() then tells which.
  bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
  quint16 port() const { return server_.serverPort(); }
  QHostAddress address() const { return server_.serverAddress(); }
  QString errorString() const { return server_.errorString(); }

  int clientCount() const { return static_cast<int>(clients_.size()); }

  // The server logs through the engine (Engine::setLogger), whose budgets
  // hold the lines about each client and about all of them together.
  // Applies to clients that connect from now on.
  void setLimits(const ServerLimits& limits);
  const ServerLimits& limits() const { return limits_; }
  void setMaxFrameLength(std::size_t bytes) { limits_.maxFrameLength = bytes; }
  // A client that stops reading while replies pile up is dropped.
  void setMaxPendingOutput(qint64 bytes) { limits_.maxPendingOutput = bytes; }

  // Checkpoints store the plant with `save`, which runs on a worker thread
  // (one write at a time, in order) and returns "" or why it failed; other
  // clients are served meanwhile.
  using CheckpointSaver = std::function<std::string(const Plant&)>;
  void setCheckpointSaver(CheckpointSaver save);

  // What the clients make the server hold now: unfinished frames, and
  // replies not yet taken by the network.
  std::size_t heldInputBytes() const { return totalInput_; }
  std::size_t heldOutputBytes() const;

 signals:
  void clientConnected(tarvo::sim::ConnId id);
  void clientDisconnected(tarvo::sim::ConnId id);

 private:
  struct Client;
  struct Write;

  void onNewConnection();
  void onAcceptError();
  void superviseAccepting();
  void onReadyRead(ConnId id);
  void deliver(const std::vector<Outgoing>& outgoing);
  void resolve(const std::vector<Outgoing>& outcomes);
  void pump(ConnId id);
  void drop(ConnId id, const std::string& why);
  void flushGarbage(Client& c, bool final);
  static std::string peerAddress(const QTcpSocket& socket);
  void startWrite(std::uint64_t ticket, std::shared_ptr<const Plant> snapshot);
  std::int64_t nowMs() const { return clock_.elapsed(); }

  Engine& engine_;
  QTcpServer server_;
  std::map<ConnId, std::unique_ptr<Client>> clients_;
  std::map<std::string, int, std::less<>> perPeer_;  // clients connected from each address
  ServerLimits limits_;
  QElapsedTimer clock_;
  std::size_t totalInput_ = 0;
  // Accepting pauses after an accept error; a check at every retry interval,
  // and soon after every accept, finds whether a connection waits that
  // cannot be accepted, and resumes accepting when none does.
  QTimer acceptCheck_;
  QTimer acceptSoon_;
  bool acceptPaused_ = false;
  bool supervising_ = false;
  std::uint64_t accepted_ = 0;
  std::size_t acceptFailures_ = 0;
  CheckpointSaver saver_;
  QThreadPool writer_;  // one thread: writes end in the order they started
  std::map<std::uint64_t, std::shared_ptr<Write>> writes_;  // started, outcome not yet delivered
};

}  // namespace tarvo::sim

#pragma once
// The one TCP connection to the configuration server. Frames every command, cuts what
// arrives into lines and runs each line through the reply dispatcher, one at a time.
#include <QObject>
#include <QString>
#include <deque>
#include <string>
#include <string_view>

#include "link/CommandSender.h"
#include "link/line_splitter.h"
#include "link/list_bounds.h"
#include "link/reply_router.h"

class QTcpSocket;

namespace tarvo::link {

class Connection : public QObject, public CommandSender {
  Q_OBJECT

 public:
  // The states as the rest of the program numbers them.
  enum State {
    Closed = 0,
    Open = 1,
    Listening = 2,
    ConnectionPending = 3,
    ResolvingHost = 4,
    HostResolved = 5,
    Connecting = 6,
    Connected = 7,
    Closing = 8,
    Error = 9,
  };

  explicit Connection(QObject* parent = nullptr);
  ~Connection() override;

  int state() const;
  void connectToHost(const QString& host, quint16 port);
  // Closes at once; whatever was not yet sent is dropped with it.
  void close();

  // CommandSender
  using CommandSender::sendRawData;
  void sendRawData(std::string_view command) override;
  bool isConnected() const override { return state() == Connected; }

  QString localHostName() const;
  // Every reply line goes through this router, after lineReceived().
  ReplyRouter& router() { return router_; }

  QTcpSocket* socket() const { return socket_; }
  // Lines run through the dispatcher since start; lets callers tell when a reply is done.
  quint64 dispatchedLines() const { return dispatched_; }
  // Bytes of lines that arrived while a handler was still running, waiting their turn.
  std::size_t queuedBytes() const { return queuedBytes_; }

  // The longest reply line kept; the rest of a longer one is dropped.
  void setMaxLineLength(std::size_t maxLine);
  // The most rows (and bytes) of the list whose rows are `row` that reach their handler.
  void setListLimit(ReplyId row, ListLimit limit) { lists_.setLimit(row, limit); }
  // The list whose rows are `row`, which its owner gathers across several start replies,
  // begins anew: what the owner holds of it is empty again.
  void restartList(ReplyId row) { lists_.restart(row); }

 signals:
  void connected();
  // A connect that failed, or an error on an open connection (not the server closing it).
  void failed(const QString& description);
  // The server closed the connection.
  void closedByPeer();
  // A reply line longer than `maxLine` characters arrived; the rest of it was dropped.
  void lineCutShort(qsizetype maxLine);
  // A list reached its limit: its first `rowsKept` rows were handed on, the rest of it is
  // dropped. Said when the first row is dropped, and again once the list's end has been
  // handled (which may have written over what was said).
  void listCutShort(const QString& list, qsizetype rowsKept);

  // What went over the wire, for the change journal and the protocol trace: every command
  // written (without its frame), and every reply line, before the dispatcher runs it. The
  // texts live only during the call.
  void commandSent(std::string_view command);
  void lineReceived(std::string_view line);
  // The link is lost, whoever ended it: closed here, by the server, or failed. No answer
  // to what was sent on it will come. Emitted before failed() and closedByPeer(), so that
  // everything waiting on the link is settled before anything is said to the user.
  void linkLost();

 private:
  void onReadyRead();
  void runQueuedLines();
  void loseLink();
  void dispatch(std::string_view line);

  QTcpSocket* socket_;
  ReplyRouter router_;
  LineSplitter splitter_;
  ListBounds lists_;
  std::deque<std::string> queue_;
  std::size_t queuedBytes_ = 0;
  bool dispatching_ = false;
  bool peerClosed_ = false;
  bool failed_ = false;
  bool linkUp_ = false;  // from connectToHost() until the link is lost
  quint64 dispatched_ = 0;
};

}  // namespace tarvo::link

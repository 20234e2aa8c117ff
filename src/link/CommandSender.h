#pragma once
// What a controller needs of the connection to send a command, and nothing more.
#include <QByteArray>
#include <QString>
#include <string_view>

namespace tarvo::link {

class CommandSender {
 public:
  // Frames `command` and writes it; lost silently when the connection is not up.
  virtual void sendRawData(std::string_view command) = 0;
  // Whether a command sent now goes out (the connection is up).
  virtual bool isConnected() const = 0;

  // The same for text held in Qt: the wire is single-byte, so it goes as Latin-1.
  void sendRawData(const QString& command) {
    const QByteArray bytes = command.toLatin1();
    sendRawData(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }

 protected:
  ~CommandSender() = default;
};

}  // namespace tarvo::link

#pragma once
// What a controller needs of the connection to send a command, and nothing more.
#include <QString>
#include <string>
#include <string_view>

#include "link/Wire.h"

namespace tarvo::link {

class CommandSender {
 public:
  // Frames `command` and writes it; lost silently when the connection is not up.
  virtual void sendRawData(std::string_view command) = 0;
  // Whether a command sent now goes out (the connection is up).
  virtual bool isConnected() const = 0;

  // The same for text held in Qt, which must hold only what the wire carries (Latin-1).
  void sendRawData(const QString& command) { sendRawData(std::string_view(toWire(command))); }

 protected:
  ~CommandSender() = default;
};

}  // namespace tarvo::link

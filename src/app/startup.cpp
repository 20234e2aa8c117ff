#include "app/startup.h"

#include <algorithm>

#include "records/settings_file.h"

namespace tarvo {

namespace {

// A whole decimal port from 1 to 65535; 0 for anything else.
std::uint16_t wholePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return 0;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return 0;
  const long value = std::stol(std::string(text));
  return (value >= 1 && value <= 65535) ? static_cast<std::uint16_t>(value) : 0;
}

ServerAddress failed(std::string message) {
  ServerAddress address;
  address.error = std::move(message);
  return address;
}

}  // namespace

ServerAddress parseServerAddress(std::string_view text) {
  std::string_view host = text;
  std::string_view port;
  bool hasPort = false;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return failed("no closing ']' after the IPv6 address");
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return failed("':' and a port must follow ']'");
      port = rest.substr(1);
      hasPort = true;
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string_view::npos &&
             text.find(':', colon + 1) == std::string_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    hasPort = true;
  }
  if (host.empty()) return failed("no host given");
  if (std::any_of(host.begin(), host.end(),
                  [](char c) { return c == ' ' || c == '\t' || c == '"' || c == '/'; }))
    return failed("the host may not hold blanks, quotes or slashes");
  ServerAddress address;
  address.host = std::string(host);
  address.port = records::kDefaultPort;
  if (hasPort) {
    address.port = wholePort(port);
    if (address.port == 0) return failed("the port must be a number from 1 to 65535");
  }
  return address;
}

}  // namespace tarvo

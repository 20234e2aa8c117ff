#pragma once
// The settings file "TarvoIp.txt": line 1 holds the auto-connect flag and the selected entry,
// lines 2 to 11 the ten server entries as quoted host and port texts, CR LF line ends.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvo::records {

inline constexpr int kServerEntries = 10;
inline constexpr std::uint16_t kDefaultPort = 1582;
// The server a connect goes to when the settings name no host.
inline constexpr std::string_view kDefaultHost = "127.0.0.1";

struct ServerEntry {
  std::string host;
  std::string port;  // free text as typed; read as a number only when connecting
};

struct SettingsFile {
  int autoConnect = 0;
  int selected = 0;
  std::array<ServerEntry, kServerEntries> entries;
};

// What a reader got out of a file. A file that stops early still yields the rows read so
// far, which the options dialog shows; the connection treats it as no file at all.
struct SettingsRead {
  SettingsFile file;
  bool headerRead = false;  // line 1 held two numbers
  int entriesRead = 0;      // complete entry lines read, 0 to 10
  bool complete() const { return headerRead && entriesRead == kServerEntries; }
};

SettingsRead parseSettings(std::string_view text);
std::string formatSettings(const SettingsFile& file);

// What a connect takes from the file: the selected entry's host and port and the flag.
// An incomplete file, a selected index outside 0 to 9 or a port outside 1 to 65535 give
// an empty host / port 0, so the caller falls back to its defaults.
struct ServerChoice {
  std::string host;
  std::uint16_t port = 0;
  int autoConnect = 0;
};
ServerChoice chooseServer(const SettingsRead& read);

// A port text as the connection reads it: its leading decimal number, 0 when that is not
// a usable TCP port.
std::uint16_t portFromText(std::string_view text);

}  // namespace tarvo::records

#pragma once
// Decisions the program makes before any window opens: where the settings file lives and
// which server a "--connect HOST[:PORT]" names.
#include <cstdint>
#include <string>
#include <string_view>

#include "records/settings_location.h"

namespace tarvo {

// Where the settings file lives is records' rule, shared with tarvoctl.
using records::chooseSettingsLocation;
using records::joinPath;
using records::kSettingsFileName;
using records::SettingsLocation;
using records::SettingsPlace;
using records::SettingsSituation;

// A server named on the command line: "host", "host:port", "[v6addr]", "[v6addr]:port" or
// a bare IPv6 address (more than one colon, no port). The port defaults to 1582.
struct ServerAddress {
  std::string host;
  std::uint16_t port = 0;
  std::string error;  // empty when the text was usable
  bool ok() const { return error.empty(); }
};
ServerAddress parseServerAddress(std::string_view text);

}  // namespace tarvo

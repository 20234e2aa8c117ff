#include "records/settings_file.h"

#include <optional>
#include <vector>

#include "link/columns.h"

namespace tarvo::records {

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) lf = text.size();
    std::string_view line = text.substr(start, lf - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = lf + 1;
  }
  return lines;
}

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

// Line 1: two integers separated by blanks, tabs or a comma.
std::optional<std::pair<int, int>> parseHeader(std::string_view line) {
  int values[2];
  std::size_t i = 0;
  for (int& value : values) {
    while (i < line.size() && isSeparator(line[i])) ++i;
    const std::size_t begin = i;
    if (i < line.size() && (line[i] == '-' || line[i] == '+')) ++i;
    const std::size_t digits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == digits || i - digits > 6) return std::nullopt;
    if (i < line.size() && !isSeparator(line[i])) return std::nullopt;
    value = static_cast<int>(leadingNumber(line.substr(begin, i - begin)));
  }
  return std::make_pair(values[0], values[1]);
}

// One field of an entry line: a quoted field ends at its closing quote, an unquoted one
// at a comma or the end of the line. Returns false when the line holds no more fields.
bool nextField(std::string_view line, std::size_t& i, std::string& out) {
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i >= line.size()) return false;
  if (line[i] == '"') {
    const std::size_t close = line.find('"', i + 1);
    if (close == std::string_view::npos) {
      out.assign(line.substr(i + 1));
      i = line.size();
    } else {
      out.assign(line.substr(i + 1, close - i - 1));
      i = close + 1;
    }
  } else {
    const std::size_t comma = std::min(line.find(',', i), line.size());
    out.assign(trimBlanks(line.substr(i, comma - i)));
    i = comma;
  }
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i < line.size() && line[i] == ',') ++i;
  return true;
}

}  // namespace

SettingsRead parseSettings(std::string_view text) {
  SettingsRead read;
  const auto lines = splitLines(text);
  if (lines.empty()) return read;
  const auto header = parseHeader(lines[0]);
  if (!header) return read;
  read.headerRead = true;
  read.file.autoConnect = header->first;
  read.file.selected = header->second;
  for (int e = 0; e < kServerEntries; ++e) {
    const std::size_t index = static_cast<std::size_t>(e) + 1;
    if (index >= lines.size()) break;
    std::size_t i = 0;
    ServerEntry entry;
    if (!nextField(lines[index], i, entry.host)) break;
    if (!nextField(lines[index], i, entry.port)) break;
    read.file.entries[static_cast<std::size_t>(e)] = std::move(entry);
    read.entriesRead = e + 1;
  }
  return read;
}

std::string formatSettings(const SettingsFile& file) {
  std::string out;
  auto number = [&out](int n) {
    // Print form: a sign position (blank for positive numbers) and a trailing blank.
    if (n >= 0) out += ' ';
    out += std::to_string(n);
    out += ' ';
  };
  number(file.autoConnect);
  number(file.selected);
  out += "\r\n";
  for (const ServerEntry& entry : file.entries) {
    out += '"';
    out += entry.host;
    out += "\",\"";
    out += entry.port;
    out += "\"\r\n";
  }
  return out;
}

std::uint16_t portFromText(std::string_view text) {
  const long long value = leadingNumber(text);
  if (value < 1 || value > 65535) return 0;
  return static_cast<std::uint16_t>(value);
}

ServerChoice chooseServer(const SettingsRead& read) {
  ServerChoice choice;
  if (!read.complete()) return choice;
  choice.autoConnect = read.file.autoConnect;
  const int selected = read.file.selected;
  if (selected < 0 || selected >= kServerEntries) return choice;
  const ServerEntry& entry = read.file.entries[static_cast<std::size_t>(selected)];
  choice.host = entry.host;
  choice.port = portFromText(entry.port);
  return choice;
}

}  // namespace tarvo::records

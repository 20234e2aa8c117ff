#include "ctl/ctl_output.h"

#include <algorithm>

#include "link/framing.h"
#include "records/json_text.h"

namespace tarvo::ctl {

namespace {

using records::json::appendLatin1;

void appendPadded(std::string& line, const std::string& text, std::size_t width) {
  line += text;
  line.append(width > text.size() ? width - text.size() : 0, ' ');
  line += "  ";
}

void endLine(std::string& out, std::string& line) {
  line.erase(line.find_last_not_of(' ') + 1);
  out += line;
  out += '\n';
  line.clear();
}

std::string changeCount(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " change" : " changes");
}

}  // namespace

std::string formatTable(const std::vector<std::string>& columns, const std::vector<Row>& rows,
                        bool json) {
  std::string out;
  if (json) {
    out = "[";
    for (std::size_t r = 0; r < rows.size(); ++r) {
      out += r == 0 ? "\n  {" : ",\n  {";
      for (std::size_t c = 0; c < columns.size() && c < rows[r].size(); ++c) {
        if (c > 0) out += ", ";
        appendLatin1(out, columns[c]);
        out += ": ";
        appendLatin1(out, rows[r][c]);
      }
      out += '}';
    }
    out += rows.empty() ? "]\n" : "\n]\n";
    return out;
  }
  std::vector<std::size_t> widths(columns.size(), 0);
  for (const Row& row : rows)
    for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
      widths[c] = std::max(widths[c], row[c].size());
  std::string line;
  for (const Row& row : rows) {
    for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c)
      appendPadded(line, row[c], c + 1 == widths.size() ? 0 : widths[c]);
    endLine(out, line);
  }
  return out;
}

std::string formatReport(const std::string& cp, const std::vector<BlockReport>& reports,
                         bool json) {
  std::string out;
  if (json) {
    out = "{\"cp\": ";
    appendLatin1(out, cp);
    out += ", \"blocks\": [";
    for (std::size_t i = 0; i < reports.size(); ++i) {
      const BlockReport& r = reports[i];
      out += i == 0 ? "\n  {\"block\": " : ",\n  {\"block\": ";
      appendLatin1(out, r.block);
      out += ", \"result\": ";
      appendLatin1(out, blockResultText(r.result));
      out += ", \"message\": ";
      appendLatin1(out, r.message);
      out += ", \"changes\": [";
      for (std::size_t k = 0; k < r.changes.size(); ++k) {
        const records::ParamChange& c = r.changes[k];
        if (k > 0) out += ", ";
        out += "{\"param\": ";
        appendLatin1(out, c.param);
        out += ", \"old\": ";
        if (c.oldValue)
          appendLatin1(out, *c.oldValue);
        else
          out += "null";
        out += ", \"new\": ";
        appendLatin1(out, c.newValue);
        out += '}';
      }
      out += "]}";
    }
    out += reports.empty() ? "]}\n" : "\n]}\n";
    return out;
  }
  std::size_t blockWidth = 0;
  for (const BlockReport& r : reports) blockWidth = std::max(blockWidth, r.block.size());
  std::string line;
  for (const BlockReport& r : reports) {
    appendPadded(line, r.block, blockWidth);
    appendPadded(line, std::string(blockResultText(r.result)), 9);
    appendPadded(line, changeCount(r.changes.size()), 11);
    line += r.message;
    endLine(out, line);
  }
  return out;
}

std::string formatFrames(const std::vector<std::string>& commands) {
  std::string out;
  for (const std::string& c : commands) {
    out += link::frameCommand(c);
    out += '\n';
  }
  return out;
}

}  // namespace tarvo::ctl

#include "ctl/ctl_output.h"

#include <algorithm>
#include <utility>

#include "link/framing.h"
#include "records/json_text.h"

namespace tarvo::ctl {

namespace {

using records::json::appendLatin1;

// Text is handed on once this much has gathered.
constexpr std::size_t kPiece = 64 * 1024;

// Gathers output and hands it on in pieces.
class Pieces {
 public:
  explicit Pieces(const Writer& write) : write_(write) {}
  ~Pieces() { flush(); }
  Pieces(const Pieces&) = delete;
  Pieces& operator=(const Pieces&) = delete;

  std::string& text() { return text_; }
  void maybeFlush() {
    if (text_.size() >= kPiece) flush();
  }

 private:
  void flush() {
    if (!text_.empty()) write_(text_);
    text_.clear();
  }
  const Writer& write_;
  std::string text_;
};

void appendPadded(std::string& line, std::string_view text, std::size_t width) {
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

std::string collect(const std::function<void(const Writer&)>& produce) {
  std::string out;
  produce([&](std::string_view piece) { out += piece; });
  return out;
}

}  // namespace

void writeTable(const std::vector<std::string>& columns, const std::vector<Row>& rows, bool json,
                const Writer& write) {
  Pieces pieces(write);
  std::string& out = pieces.text();
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
      pieces.maybeFlush();
    }
    out += rows.empty() ? "]\n" : "\n]\n";
    return;
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
    pieces.maybeFlush();
  }
}

std::string formatTable(const std::vector<std::string>& columns, const std::vector<Row>& rows,
                        bool json) {
  return collect([&](const Writer& w) { writeTable(columns, rows, json, w); });
}

void writeReport(const std::string& cp, const Plan& plan, const Outcome& outcome, bool json,
                 const Writer& write) {
  Pieces pieces(write);
  std::string& out = pieces.text();
  const std::size_t blocks = plan.blockCount();
  if (json) {
    out = "{\"cp\": ";
    appendLatin1(out, cp);
    out += ", \"blocks\": [";
    for (std::size_t b = 0; b < blocks; ++b) {
      out += b == 0 ? "\n  {\"block\": " : ",\n  {\"block\": ";
      appendLatin1(out, plan.block(b));
      out += ", \"result\": ";
      appendLatin1(out, blockResultText(outcome.result(b)));
      out += ", \"message\": ";
      appendLatin1(out, outcome.message(b));
      out += ", \"changes\": [";
      bool first = true;
      for (const std::uint32_t row : plan.rowsOf(b)) {
        const Plan::Change c = plan.change(row);
        out += std::exchange(first, false) ? "{\"param\": " : ", {\"param\": ";
        // Left out: the block held that value already.
        const bool unchanged = outcome.unchanged(plan, row);
        appendLatin1(out, c.param);
        out += ", \"old\": ";
        if (const auto old = outcome.oldValue(row))
          appendLatin1(out, *old);
        else
          out += "null";
        out += ", \"new\": ";
        appendLatin1(out, c.value);
        if (unchanged) out += ", \"unchanged\": true";
        out += '}';
      }
      out += "]}";
      pieces.maybeFlush();
    }
    out += blocks == 0 ? "]}\n" : "\n]}\n";
    return;
  }
  std::size_t blockWidth = 0;
  for (std::size_t b = 0; b < blocks; ++b) blockWidth = std::max(blockWidth, plan.block(b).size());
  std::string line;
  for (std::size_t b = 0; b < blocks; ++b) {
    appendPadded(line, plan.block(b), blockWidth);
    appendPadded(line, blockResultText(outcome.result(b)), 9);
    appendPadded(line, changeCount(plan.changeCount(b)), 11);
    std::size_t unchanged = 0;
    if (outcome.result(b) != BlockResult::Unchanged)
      for (const std::uint32_t row : plan.rowsOf(b)) unchanged += outcome.unchanged(plan, row);
    line += outcome.message(b);
    if (unchanged > 0)
      line += (outcome.message(b).empty() ? "" : "; ") + std::to_string(unchanged) + " unchanged";
    endLine(out, line);
    pieces.maybeFlush();
  }
}

std::string formatReport(const std::string& cp, const Plan& plan, const Outcome& outcome,
                         bool json) {
  return collect([&](const Writer& w) { writeReport(cp, plan, outcome, json, w); });
}

void writeDump(const std::vector<records::LiveBlock>& blocks, bool json, const Writer& write) {
  Pieces pieces(write);
  std::string& out = pieces.text();
  if (json) {
    out = "[";
    bool first = true;
    for (const records::LiveBlock& b : blocks) {
      for (const auto& [param, value] : b.params) {
        out += std::exchange(first, false) ? "\n  {\"block\": " : ",\n  {\"block\": ";
        appendLatin1(out, b.name);
        out += ", \"parameter\": ";
        appendLatin1(out, param);
        out += ", \"value\": ";
        appendLatin1(out, value);
        out += '}';
      }
      pieces.maybeFlush();
    }
    out += first ? "]\n" : "\n]\n";
    return;
  }
  out = "\xEF\xBB\xBF";
  out += records::kConfigHeading;
  out += "\r\n";
  for (const records::LiveBlock& b : blocks) {
    for (const auto& [param, value] : b.params) out += records::configRow(b.name, param, value);
    pieces.maybeFlush();
  }
}

std::string formatDump(const std::vector<records::LiveBlock>& blocks, bool json) {
  return collect([&](const Writer& w) { writeDump(blocks, json, w); });
}

std::string formatDiff(const std::string& cp, const std::vector<records::ConfigDifference>& diffs,
                       bool json) {
  using Kind = records::ConfigDiffKind;
  std::string out;
  auto quoted = [](std::string_view s) { return "\"" + std::string(s) + "\""; };
  if (json) {
    out = "{\"cp\": ";
    appendLatin1(out, cp);
    out += diffs.empty() ? ", \"same\": true" : ", \"same\": false";
    out += ", \"differences\": [";
    for (std::size_t i = 0; i < diffs.size(); ++i) {
      const records::ConfigDifference& d = diffs[i];
      out += i == 0 ? "\n  {\"kind\": " : ",\n  {\"kind\": ";
      appendLatin1(out, d.kind == Kind::ValueDiffers      ? "value"
                        : d.kind == Kind::NoSuchParameter ? "no such parameter"
                        : d.kind == Kind::BlockNotInCp    ? "not in the CP"
                                                          : "not in the file");
      out += ", \"block\": ";
      appendLatin1(out, d.block);
      if (d.kind == Kind::ValueDiffers || d.kind == Kind::NoSuchParameter) {
        out += ", \"param\": ";
        appendLatin1(out, d.param);
        out += ", \"file\": ";
        appendLatin1(out, d.fileValue);
        out += ", \"live\": ";
        if (d.kind == Kind::ValueDiffers)
          appendLatin1(out, d.liveValue);
        else
          out += "null";
      }
      if (d.line > 0) out += ", \"line\": " + std::to_string(d.line);
      out += '}';
    }
    out += diffs.empty() ? "]}\n" : "\n]}\n";
    return out;
  }
  for (const records::ConfigDifference& d : diffs) {
    switch (d.kind) {
      case Kind::ValueDiffers:
        out += d.block + " " + d.param + ": file " + quoted(d.fileValue) + ", live " +
               quoted(d.liveValue) + "\n";
        break;
      case Kind::NoSuchParameter:
        out += d.block + " " + d.param + ": file " + quoted(d.fileValue) +
               ", no such parameter in the block\n";
        break;
      case Kind::BlockNotInCp: out += d.block + ": in the file, not in " + cp + "\n"; break;
      case Kind::BlockNotInFile: out += d.block + ": in " + cp + ", not in the file\n"; break;
    }
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

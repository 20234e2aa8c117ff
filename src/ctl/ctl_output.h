#pragma once
// What tarvoctl prints: plain columns for the shell (no heading, columns two blanks apart,
// the last one unpadded) or JSON for programs. Texts are wire text (Latin-1); JSON output
// escapes every character outside printable ASCII.
//
// Output is handed to `write` a piece at a time, so that a report of a million rows is
// never held whole a second time.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/conversation.h"

namespace tarvo::ctl {

using Writer = std::function<void(std::string_view)>;

// A list: one line per row; in JSON an array of objects with `columns` as member names.
void writeTable(const std::vector<std::string>& columns, const std::vector<Row>& rows, bool json,
                const Writer& write);
std::string formatTable(const std::vector<std::string>& columns, const std::vector<Row>& rows,
                        bool json);

// One line per block: block, result, how many changes, and the server's message. In JSON
// an object with the CP and every block, its changes with their old and new values.
void writeReport(const std::string& cp, const Plan& plan, const Outcome& outcome, bool json,
                 const Writer& write);
std::string formatReport(const std::string& cp, const Plan& plan, const Outcome& outcome,
                         bool json);

// dump: the CSV file apply reads (UTF-8 with its byte order mark, a heading, values a
// spreadsheet would run defused), so plain output is UTF-8 already, not wire text; in
// JSON an array of {"block", "parameter", "value"} objects.
void writeDump(const std::vector<records::LiveBlock>& blocks, bool json, const Writer& write);
std::string formatDump(const std::vector<records::LiveBlock>& blocks, bool json);

// diff: one line per difference; in JSON an object with the CP, whether they are the
// same, and the differences.
std::string formatDiff(const std::string& cp, const std::vector<records::ConfigDifference>& diffs,
                       bool json);

// Each command framed as it would go on the wire, one per line.
std::string formatFrames(const std::vector<std::string>& commands);

}  // namespace tarvo::ctl

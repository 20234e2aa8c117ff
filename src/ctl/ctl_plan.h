#pragma once
// What tarvoctl is asked to change: parameter assignments, from the command line or from a
// CSV file of (block, parameter, value) rows, checked and grouped into one edit per block.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::ctl {

// Names go to the server in capitals, as the client sends typed names.
std::string upperAscii(std::string_view s);

// Text from the system (UTF-8) as the wire carries it, one byte per character. Nothing when
// it is not UTF-8 or holds a character outside Latin-1.
std::optional<std::string> latin1FromUtf8(std::string_view utf8);

// Why a name or value cannot be sent, or "" when it can. A blank or a control character in
// a name would shift the fields of a command; a line break in a value would end it early.
std::string cpNameProblem(std::string_view cp);
std::string blockNameProblem(std::string_view block);
std::string paramNameProblem(std::string_view param);
std::string valueProblem(std::string_view value);

// Far below what one framed command may carry.
inline constexpr std::size_t kMaxValue = 32000;
inline constexpr std::size_t kMaxRows = 100000;

struct Assignment {
  std::string param;
  std::string value;
  std::size_t line = 0;  // the CSV line it came from; 0 for the command line
};

// "PARAM=VALUE" (the name upper-cased; the value as given, "=" signs after the first
// included). Nothing, and the reason in `problem`, when it cannot be sent.
std::optional<Assignment> parseAssignment(std::string_view text, std::string& problem);

struct BlockEdit {
  std::string block;
  std::vector<Assignment> changes;
};

struct Plan {
  std::vector<BlockEdit> blocks;    // in the order each block first appears
  std::vector<std::string> errors;  // "line N: ..."; nothing is sent when there are any
};

// A CSV file's bytes as wire text: a UTF-8 file (with or without its byte order mark) is
// turned into Latin-1; anything else is taken as 8-bit text already. Sets `error` when a
// UTF-8 file holds a character outside Latin-1.
std::string decodeCsvBytes(std::string_view bytes, std::string& error);

// Rows of block, parameter, value. A first row that names the columns ("block",
// "parameter", "value") and empty rows are passed over.
Plan planFromCsv(std::string_view text);

}  // namespace tarvo::ctl

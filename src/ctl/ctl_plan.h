#pragma once
// What tarvoctl is asked to change: parameter assignments, from the command line or from a
// CSV file of (block, parameter, value) rows, checked and grouped into one edit per block.
#include <cstddef>
#include <cstdint>
#include <memory>
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
// Rows of one CSV file, and its size: a million rows of plain names and values fit.
inline constexpr std::size_t kMaxRows = 1000000;
inline constexpr std::size_t kMaxCsvBytes = 256 * 1024 * 1024;
// One CSV record, quotes and all: room for the longest block, parameter and value.
inline constexpr std::size_t kMaxRecordBytes = 2 * kMaxValue + 1024;

struct Assignment {
  std::string param;
  std::string value;
};

// "PARAM=VALUE" (the name upper-cased; the value as given, "=" signs after the first
// included). Nothing, and the reason in `problem`, when it cannot be sent.
std::optional<Assignment> parseAssignment(std::string_view text, std::string& problem);

// The changes of a run, one edit per block in the order each block first appears, each
// edit's changes in the order given. Held compactly, so that a file of a million rows costs
// little more than its own text: the names and values lie end to end in one string, and
// each row and block is a few integers.
class Plan {
 public:
  struct Change {
    std::string_view param;
    std::string_view value;
    std::size_t line = 0;  // the CSV line it came from; 0 for the command line
  };

  Plan();
  ~Plan();
  Plan(Plan&&) noexcept;
  Plan& operator=(Plan&&) noexcept;

  // One change to `block`; a block not seen before opens a new edit at the end.
  void add(std::string_view block, std::string_view param, std::string_view value,
           std::size_t line = 0);

  std::size_t blockCount() const;
  std::size_t rowCount() const;
  std::string_view block(std::size_t b) const;
  std::size_t changeCount(std::size_t b) const;
  // The rows of block `b`'s edit, in order: what change() and the outcome's old values take.
  std::vector<std::uint32_t> rowsOf(std::size_t b) const;
  Change change(std::uint32_t row) const;
  // The memory the plan holds, near enough.
  std::size_t heldBytes() const;

  // Problems found while reading, "line N: ..."; nothing is sent when there are any.
  std::vector<std::string> errors;

 private:
  struct Store;
  std::unique_ptr<Store> s_;
};

// Reads a CSV file of block, parameter, value rows as a stream, one piece at a time, into a
// Plan. A first row that names the columns ("block", "parameter", "value") and empty rows
// are passed over. The text is UTF-8 (with or without its byte order mark), turned into the
// server's Latin-1, or 8-bit already when it holds no UTF-8 sequence at all; a file that
// mixes the two is refused at the line of its first byte that is not UTF-8.
class CsvPlanReader {
 public:
  CsvPlanReader();
  ~CsvPlanReader();
  CsvPlanReader(const CsvPlanReader&) = delete;
  CsvPlanReader& operator=(const CsvPlanReader&) = delete;

  // The next bytes of the file. False once the rest need not be read: the file is refused
  // already (too many errors, too many rows, a record or the file too long).
  bool feed(std::string_view bytes);
  // The end of the file: the plan, with its errors.
  Plan finish();

 private:
  enum class Encoding { Ascii, Utf8, EightBit };

  bool record(std::string_view raw);
  // The record's text as the wire carries it (in `raw` or in `decoded_`); nothing when the
  // record or the whole file is refused there.
  std::optional<std::string_view> decode(std::string_view raw);
  void error(std::size_t line, std::string message);
  bool refused() const;

  Plan plan_;
  std::string pending_;  // the record being read, up to and with its line end
  std::string decoded_;
  bool inQuotes_ = false;
  std::size_t line_ = 1;  // where `pending_` starts
  std::size_t bytes_ = 0;
  std::size_t rows_ = 0;
  bool first_ = true;
  bool stop_ = false;
  Encoding encoding_ = Encoding::Ascii;
  bool bom_ = false;
  std::size_t firstBadLine_ = 0;  // of the first byte that is not UTF-8, in an 8-bit file
  unsigned char firstBadByte_ = 0;
};

// A whole file's text at once, as CsvPlanReader reads it.
Plan planFromCsv(std::string_view bytes);

}  // namespace tarvo::ctl

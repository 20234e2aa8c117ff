#pragma once
// Comma-separated values as spreadsheets read and write them: fields separated by commas,
// records ended by CR LF, a field in double quotes when it holds a comma, a quote or a line
// break, a quote inside it doubled. The reader also takes LF alone as a record's end.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::records {

// One field, quoted when it must be (also when it starts or ends with a blank, which some
// spreadsheets would otherwise drop).
std::string csvField(std::string_view value);

// One record: the fields joined by commas, ended by CR LF.
std::string csvRecord(const std::vector<std::string>& fields);

struct CsvRecord {
  std::size_t line = 0;  // 1-based line of the file where the record starts
  std::vector<std::string> fields;
};

struct CsvError {
  std::size_t line = 0;
  std::string message;
};

struct CsvParse {
  std::vector<CsvRecord> records;
  std::optional<CsvError> error;  // the first malformed place; records stop before it
};

// Reads a whole text. An empty line is a record with one empty field; the line end after
// the last record is optional. Malformed input (a quote inside an unquoted field, text
// after a closing quote, a quote never closed) is reported with its line number.
CsvParse parseCsv(std::string_view text);

}  // namespace tarvo::records

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
// spreadsheets would otherwise drop). A value a spreadsheet would run as a formula (one
// starting with "=", "@", a tab or a CR, or with "+" or "-" when it is not a number) is
// written with a "'" before it, so it shows as text; so is a value starting with "'", so
// that csvValue() can tell the two apart.
std::string csvField(std::string_view value);

// The value a field read from a file stands for: the field without the "'" that csvField()
// put before it. Every value written comes back exactly; a field starting with "'" that
// csvField() would not have written (such as "'abc") is taken as it is.
std::string csvValue(std::string_view field);

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

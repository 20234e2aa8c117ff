#include "records/csv.h"

namespace tarvo::records {

namespace {

// A decimal number as a spreadsheet reads one: a sign, digits with at most one point, an
// exponent.
bool isNumber(std::string_view s) {
  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i - start;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == s.size();
}

// True when a value goes into a file with a "'" before it.
bool needsMark(std::string_view value) {
  if (value.empty()) return false;
  switch (value.front()) {
    case '=':
    case '@':
    case '\t':
    case '\r':
    case '\'': return true;
    case '+':
    case '-': return !isNumber(value);
    default: return false;
  }
}

}  // namespace

std::string csvField(std::string_view original) {
  std::string marked;
  if (needsMark(original)) marked = "'" + std::string(original);
  const std::string_view value = marked.empty() ? original : std::string_view(marked);
  const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!quote) return std::string(value);
  std::string out = "\"";
  for (const char c : value) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string csvValue(std::string_view field) {
  if (field.size() > 1 && field.front() == '\'' && needsMark(field.substr(1)))
    field.remove_prefix(1);
  return std::string(field);
}

std::string csvRecord(const std::vector<std::string>& fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += csvField(fields[i]);
  }
  out += "\r\n";
  return out;
}

CsvParse parseCsv(std::string_view text) {
  CsvParse result;
  std::size_t pos = 0;
  std::size_t line = 1;
  auto fail = [&](std::size_t at, std::string message) {
    result.error = CsvError{at, std::move(message)};
    return result;
  };
  // A line end at `pos`: CR LF, or LF alone. Moves past it.
  auto lineEnd = [&]() {
    if (text.substr(pos, 2) == "\r\n") {
      pos += 2;
    } else if (pos < text.size() && text[pos] == '\n') {
      ++pos;
    } else {
      return false;
    }
    ++line;
    return true;
  };

  while (pos < text.size()) {
    CsvRecord record;
    record.line = line;
    for (;;) {
      std::string field;
      if (pos < text.size() && text[pos] == '"') {
        const std::size_t opened = line;
        ++pos;
        for (;;) {
          if (pos >= text.size()) return fail(opened, "a quoted field is never closed");
          const char c = text[pos++];
          if (c == '"') {
            if (pos < text.size() && text[pos] == '"') {
              field += '"';
              ++pos;
              continue;
            }
            break;
          }
          if (c == '\n') ++line;
          field += c;
        }
        if (pos < text.size() && text[pos] != ',' && text[pos] != '\n' &&
            text.substr(pos, 2) != "\r\n")
          return fail(line, "text after the closing quote of a field");
      } else {
        while (pos < text.size() && text[pos] != ',' && text[pos] != '\n' &&
               text.substr(pos, 2) != "\r\n") {
          if (text[pos] == '"') return fail(line, "a quote inside a field that is not quoted");
          field += text[pos++];
        }
      }
      record.fields.push_back(std::move(field));
      if (pos < text.size() && text[pos] == ',') {
        ++pos;
        continue;
      }
      lineEnd();
      break;
    }
    result.records.push_back(std::move(record));
  }
  return result;
}

}  // namespace tarvo::records

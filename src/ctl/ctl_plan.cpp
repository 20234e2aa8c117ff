#include "ctl/ctl_plan.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <unordered_set>
#include <utility>

#include "link/columns.h"
#include "records/csv.h"

namespace tarvo::ctl {

namespace {

constexpr std::size_t kMaxErrors = 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool hasControl(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

std::string nameProblem(std::string_view what, std::string_view name, std::size_t maxLen) {
  if (name.empty()) return std::string(what) + " is empty";
  if (name.size() > maxLen)
    return std::string(what) + " " + std::string(name) + " is longer than " +
           std::to_string(maxLen) + " characters";
  if (hasControl(name) || name.find(' ') != std::string_view::npos)
    return std::string(what) + " \"" + std::string(name) +
           "\" holds a blank or a control character";
  return {};
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The length of the UTF-8 sequence at `pos`, with its code point, or 0 when the bytes there
// are not one (a stray continuation byte, a sequence cut short, an overlong form, a
// surrogate).
std::size_t utf8Sequence(std::string_view s, std::size_t pos, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  std::size_t n = 0;
  char32_t least = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    cp = b0 & 0x1Fu;
    least = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    cp = b0 & 0x0Fu;
    least = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    cp = b0 & 0x07u;
    least = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - pos < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0u) != 0x80u) return 0;
    cp = (cp << 6) | (b & 0x3Fu);
  }
  if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

std::string hexByte(unsigned char b) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[b >> 4] + kDigits[b & 0x0F];
}

}  // namespace

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::optional<std::string> latin1FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    const std::size_t n = utf8Sequence(utf8, pos, cp);
    if (n == 0 || cp > 0xFF) return std::nullopt;
    out += static_cast<char>(cp);
    pos += n;
  }
  return out;
}

std::string cpNameProblem(std::string_view cp) {
  return nameProblem("the CP name", cp, 6);
}

std::string blockNameProblem(std::string_view block) {
  std::string p = nameProblem("the block name", block, 64);
  if (p.empty() && (block.front() == ':' || block.back() == ':'))
    p = "the block name " + std::string(block) + " is not COMPOUND:BLOCK or a compound";
  return p;
}

std::string paramNameProblem(std::string_view param) {
  std::string p = nameProblem("the parameter name", param, 32);
  if (p.empty() && param.find('=') != std::string_view::npos)
    p = "the parameter name " + std::string(param) + " holds \"=\"";
  return p;
}

std::string valueProblem(std::string_view value) {
  if (value.size() > kMaxValue)
    return "the value is longer than " + std::to_string(kMaxValue) + " characters";
  if (hasControl(value)) return "the value holds a line break or another control character";
  return {};
}

std::optional<Assignment> parseAssignment(std::string_view text, std::string& problem) {
  const auto eq = text.find('=');
  if (eq == std::string_view::npos) {
    problem = "\"" + std::string(text) + "\" is not PARAMETER=VALUE";
    return std::nullopt;
  }
  Assignment a{upperAscii(trimBlanks(text.substr(0, eq))), std::string(text.substr(eq + 1))};
  problem = paramNameProblem(a.param);
  if (problem.empty()) problem = valueProblem(a.value);
  if (!problem.empty()) return std::nullopt;
  return a;
}

// ---- Plan ------------------------------------------------------------------------------

// Offsets into `text` are 32 bits: the file is far smaller than 4 GiB (kMaxCsvBytes).
struct Plan::Store {
  static constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

  struct Row {
    std::uint32_t param;
    std::uint32_t value;
    std::uint32_t valueSize;
    std::uint32_t line;
    std::uint32_t next;  // the block's next row, or kNone
    std::uint16_t paramSize;
  };
  struct Block {
    std::uint32_t name;
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t count;
    std::uint16_t nameSize;
  };

  // The blocks by name, as indexes into `blocks`; looked up by a name not yet stored.
  struct Hash {
    using is_transparent = void;
    const Store* s;
    std::size_t operator()(std::string_view name) const {
      return std::hash<std::string_view>()(name);
    }
    std::size_t operator()(std::uint32_t b) const { return (*this)(s->name(b)); }
  };
  struct Equal {
    using is_transparent = void;
    const Store* s;
    bool operator()(std::uint32_t a, std::uint32_t b) const { return a == b; }
    bool operator()(std::string_view a, std::uint32_t b) const { return a == s->name(b); }
    bool operator()(std::uint32_t a, std::string_view b) const { return s->name(a) == b; }
  };

  std::string_view name(std::uint32_t b) const {
    return std::string_view(text).substr(blocks[b].name, blocks[b].nameSize);
  }
  std::uint32_t keep(std::string_view s) {
    const auto at = static_cast<std::uint32_t>(text.size());
    text.append(s);
    return at;
  }

  std::string text;
  std::vector<Row> rows;
  std::vector<Block> blocks;
  std::unordered_set<std::uint32_t, Hash, Equal> index{0, Hash{this}, Equal{this}};
};

Plan::Plan() : s_(std::make_unique<Store>()) {}
Plan::~Plan() = default;
Plan::Plan(Plan&&) noexcept = default;
Plan& Plan::operator=(Plan&&) noexcept = default;

void Plan::add(std::string_view block, std::string_view param, std::string_view value,
               std::size_t line) {
  Store& s = *s_;
  const auto row = static_cast<std::uint32_t>(s.rows.size());
  std::uint32_t b = 0;
  if (const auto it = s.index.find(block); it != s.index.end()) {
    b = *it;
    s.rows[s.blocks[b].last].next = row;
    s.blocks[b].last = row;
    ++s.blocks[b].count;
  } else {
    b = static_cast<std::uint32_t>(s.blocks.size());
    s.blocks.push_back({s.keep(block), row, row, 1, static_cast<std::uint16_t>(block.size())});
    s.index.insert(b);
  }
  const std::uint32_t p = s.keep(param);
  const std::uint32_t v = s.keep(value);
  s.rows.push_back({p, v, static_cast<std::uint32_t>(value.size()),
                    static_cast<std::uint32_t>(line), Store::kNone,
                    static_cast<std::uint16_t>(param.size())});
}

std::size_t Plan::blockCount() const {
  return s_->blocks.size();
}

std::size_t Plan::rowCount() const {
  return s_->rows.size();
}

std::string_view Plan::block(std::size_t b) const {
  return s_->name(static_cast<std::uint32_t>(b));
}

std::size_t Plan::changeCount(std::size_t b) const {
  return s_->blocks[b].count;
}

std::vector<std::uint32_t> Plan::rowsOf(std::size_t b) const {
  std::vector<std::uint32_t> rows;
  rows.reserve(s_->blocks[b].count);
  for (std::uint32_t r = s_->blocks[b].first; r != Store::kNone; r = s_->rows[r].next)
    rows.push_back(r);
  return rows;
}

Plan::Change Plan::change(std::uint32_t row) const {
  const Store::Row& r = s_->rows[row];
  const std::string_view text = s_->text;
  return {text.substr(r.param, r.paramSize), text.substr(r.value, r.valueSize), r.line};
}

std::size_t Plan::heldBytes() const {
  const Store& s = *s_;
  // A node of the index holds its value, the next node's address and the cached hash.
  return sizeof(Store) + s.text.capacity() + s.rows.capacity() * sizeof(Store::Row) +
         s.blocks.capacity() * sizeof(Store::Block) + s.index.bucket_count() * sizeof(void*) +
         s.index.size() * 3 * sizeof(void*);
}

// ---- reading a CSV file ----------------------------------------------------------------

CsvPlanReader::CsvPlanReader() = default;
CsvPlanReader::~CsvPlanReader() = default;

void CsvPlanReader::error(std::size_t line, std::string message) {
  if (plan_.errors.size() < kMaxErrors)
    plan_.errors.push_back("line " + std::to_string(line) + ": " + std::move(message));
}

bool CsvPlanReader::refused() const {
  return plan_.errors.size() >= kMaxErrors;
}

bool CsvPlanReader::feed(std::string_view bytes) {
  if (stop_) return false;
  if (bytes.size() > kMaxCsvBytes - bytes_) {
    plan_.errors.push_back("larger than " + std::to_string(kMaxCsvBytes) + " bytes");
    stop_ = true;
    return false;
  }
  bytes_ += bytes.size();
  std::size_t start = 0;  // of the part of the record that is in `bytes`
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '"') {
      inQuotes_ = !inQuotes_;
    } else if (c == '\n' && !inQuotes_) {
      if (i == start && pending_.empty()) {
        // An empty line, on its own: some files hold little else.
        ++line_;
        first_ = false;
        start = i + 1;
        continue;
      }
      std::string_view raw = bytes.substr(start, i + 1 - start);
      if (!pending_.empty()) raw = pending_.append(raw);
      start = i + 1;
      stop_ = !record(raw);
      pending_.clear();
      if (stop_) return false;
      continue;
    }
    if (pending_.size() + (i + 1 - start) > kMaxRecordBytes) {
      pending_.append(bytes.substr(start, i + 1 - start));
      // A stray quote makes the rest of the file one record: say where it stands.
      const records::CsvParse parsed = records::parseCsv(pending_);
      if (parsed.error && parsed.error->message != "a quoted field is never closed")
        error(line_ + parsed.error->line - 1, parsed.error->message);
      else
        error(line_, "a row longer than " + std::to_string(kMaxRecordBytes) + " bytes");
      stop_ = true;
      return false;
    }
  }
  pending_.append(bytes.substr(start));
  return true;
}

std::optional<std::string_view> CsvPlanReader::decode(std::string_view raw) {
  std::size_t line = line_;
  auto mixed = [&](std::size_t at, unsigned char byte, std::string_view where) {
    error(at, "byte " + hexByte(byte) + " is not UTF-8, but the file holds UTF-8 text " +
                  std::string(where) + " it; save the file as UTF-8 throughout");
    stop_ = true;
    return std::nullopt;
  };
  if (std::all_of(raw.begin(), raw.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return raw;  // the same in every encoding
  std::string& out = decoded_;
  out.clear();
  std::size_t pos = 0;
  while (pos < raw.size()) {
    const auto b = static_cast<unsigned char>(raw[pos]);
    if (b < 0x80) {
      if (b == '\n') ++line;
      out += static_cast<char>(b);
      ++pos;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = utf8Sequence(raw, pos, cp);
    if (n == 0) {
      if (bom_) {
        error(line, "the file is marked UTF-8 but is not");
        stop_ = true;
        return std::nullopt;
      }
      if (encoding_ == Encoding::Utf8) return mixed(line, b, "before");
      // Not UTF-8: an 8-bit code page, as the wire is, as long as nothing is UTF-8.
      if (firstBadLine_ == 0) {
        firstBadLine_ = line;
        firstBadByte_ = b;
      }
      encoding_ = Encoding::EightBit;
      out += static_cast<char>(b);
      ++pos;
      continue;
    }
    if (encoding_ == Encoding::EightBit) return mixed(firstBadLine_, firstBadByte_, "after");
    encoding_ = Encoding::Utf8;
    if (cp > 0xFF) {
      error(line, "a character that the server's 8-bit text can not hold");
      return std::nullopt;
    }
    out += static_cast<char>(cp);
    pos += n;
  }
  return std::string_view(out);
}

bool CsvPlanReader::record(std::string_view raw) {
  const std::size_t line = line_;
  // A blank line, the commonest record of all in some files, is passed over at once.
  if (raw.find_first_not_of(" \r\n") == std::string_view::npos) {
    line_ += static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\n'));
    first_ = false;
    return true;
  }
  if (first_ && raw.substr(0, kBom.size()) == kBom) {
    raw.remove_prefix(kBom.size());
    bom_ = true;
    encoding_ = Encoding::Utf8;
  }
  const std::optional<std::string_view> text = decode(raw);
  line_ += static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\n'));
  const bool isFirst = std::exchange(first_, false);
  if (!text) return !stop_ && !refused();

  const records::CsvParse parsed = records::parseCsv(*text);
  if (parsed.error) {
    // The rest of the file cannot be split into rows with any confidence.
    error(line + parsed.error->line - 1, parsed.error->message);
    return false;
  }
  for (const records::CsvRecord& r : parsed.records) {
    if (r.fields.size() == 1 && trimBlanks(r.fields[0]).empty()) continue;
    if (r.fields.size() != 3) {
      error(line, "expected 3 fields (block, parameter, value), found " +
                      std::to_string(r.fields.size()));
      continue;
    }
    if (isFirst && lower(trimBlanks(r.fields[0])) == "block" &&
        lower(trimBlanks(r.fields[1])) == "parameter" && lower(trimBlanks(r.fields[2])) == "value")
      continue;
    if (++rows_ > kMaxRows) {
      error(line, "more than " + std::to_string(kMaxRows) + " rows");
      return false;
    }
    const std::string block = upperAscii(trimBlanks(r.fields[0]));
    const std::string param = upperAscii(trimBlanks(r.fields[1]));
    // A value a spreadsheet would have run as a formula was written with a "'" before it.
    const std::string value = records::csvValue(r.fields[2]);
    std::string problem = blockNameProblem(block);
    if (problem.empty()) problem = paramNameProblem(param);
    if (problem.empty()) problem = valueProblem(value);
    if (!problem.empty()) {
      error(line, problem);
      continue;
    }
    // Nothing is sent once the file is found wrong, so its rows need not be kept.
    if (plan_.errors.empty()) plan_.add(block, param, value, line);
  }
  return !refused();
}

Plan CsvPlanReader::finish() {
  if (!stop_ && !pending_.empty()) record(pending_);
  pending_.clear();
  pending_.shrink_to_fit();
  stop_ = true;
  if (plan_.errors.empty() && plan_.blockCount() == 0)
    plan_.errors.push_back("no changes in the file");
  return std::move(plan_);
}

Plan planFromCsv(std::string_view bytes) {
  CsvPlanReader reader;
  reader.feed(bytes);
  return reader.finish();
}

}  // namespace tarvo::ctl

#include "records/config_diff.h"

#include <algorithm>
#include <unordered_set>

#include "link/columns.h"
#include "records/csv.h"
#include "records/json_text.h"

namespace tarvo::records {

namespace {

constexpr std::size_t kMaxErrors = 20;
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The text as the wire carries it: UTF-8 decoded when the whole text is UTF-8, else taken
// as 8-bit already. Sets `error` (and its line) when it cannot be.
std::string wireText(std::string_view bytes, bool marked, std::size_t& errorLine,
                     std::string& error) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t line = 1;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t cp = 0;
    const std::size_t at = pos;
    if (!json::nextCodePoint(bytes, pos, cp)) {
      if (!marked) return std::string(bytes);  // 8-bit text
      errorLine = line;
      error = "the file is marked UTF-8 but is not";
      return {};
    }
    if (cp > 0xFF) {
      errorLine = line;
      error = "a character that the server's 8-bit text can not hold";
      return {};
    }
    if (bytes[at] == '\n') ++line;
    out += static_cast<char>(cp);
  }
  return out;
}

}  // namespace

std::string configRow(std::string_view block, std::string_view param, std::string_view value) {
  return csvRecord(
      {json::latin1ToUtf8(block), json::latin1ToUtf8(param), json::latin1ToUtf8(value)});
}

std::string_view compoundOf(std::string_view block) {
  return block.substr(0, block.find(':'));
}

ConfigFile parseConfigFile(std::string_view bytes) {
  ConfigFile file;
  auto error = [&](std::size_t line, std::string message) {
    if (file.errors.size() < kMaxErrors)
      file.errors.push_back("line " + std::to_string(line) + ": " + std::move(message));
  };
  const bool marked = bytes.substr(0, kBom.size()) == kBom;
  if (marked) bytes.remove_prefix(kBom.size());
  std::size_t badLine = 0;
  std::string bad;
  const std::string text = wireText(bytes, marked, badLine, bad);
  if (!bad.empty()) {
    error(badLine, bad);
    return file;
  }
  const CsvParse parsed = parseCsv(text);
  if (parsed.error) error(parsed.error->line, parsed.error->message);
  bool first = true;
  for (const CsvRecord& r : parsed.records) {
    if (r.fields.size() == 1 && trimBlanks(r.fields[0]).empty()) continue;
    if (r.fields.size() != 3) {
      error(r.line, "expected 3 fields (block, parameter, value), found " +
                        std::to_string(r.fields.size()));
      continue;
    }
    if (std::exchange(first, false) && lower(trimBlanks(r.fields[0])) == "block" &&
        lower(trimBlanks(r.fields[1])) == "parameter" && lower(trimBlanks(r.fields[2])) == "value")
      continue;
    ConfigEntry e{upper(trimBlanks(r.fields[0])), upper(trimBlanks(r.fields[1])),
                  csvValue(r.fields[2]), r.line};
    if (e.block.empty() || e.param.empty()) {
      error(r.line, e.block.empty() ? "no block named" : "no parameter named");
      continue;
    }
    auto [it, fresh] = file.rowsOf.try_emplace(e.block);
    if (fresh) file.blocks.push_back(e.block);
    it->second.push_back(file.rows.size());
    file.rows.push_back(std::move(e));
  }
  return file;
}

namespace {

// The block's parameters that differ from the file's rows of it, in file order.
void compareRows(const ConfigFile& file, const std::vector<std::size_t>& rows,
                 const LiveBlock& block, std::vector<ConfigDifference>& out) {
  std::unordered_map<std::string_view, std::string_view> live;
  live.reserve(block.params.size());
  // A parameter listed twice: the last one counts, as in the parameter editor.
  for (const auto& [param, value] : block.params) live.insert_or_assign(param, value);
  for (const std::size_t r : rows) {
    const ConfigEntry& e = file.rows[r];
    const auto it = live.find(e.param);
    if (it == live.end())
      out.push_back({ConfigDiffKind::NoSuchParameter, block.name, e.param, e.value, {}, e.line});
    else if (it->second != e.value)
      out.push_back({ConfigDiffKind::ValueDiffers, block.name, e.param, e.value,
                     std::string(it->second), e.line});
  }
}

}  // namespace

std::vector<ConfigDifference> compareConfig(const ConfigFile& file,
                                            const std::vector<LiveBlock>& live) {
  std::vector<ConfigDifference> out;
  std::unordered_set<std::string_view> covered;
  for (const std::string& b : file.blocks) covered.insert(compoundOf(b));
  std::unordered_set<std::string_view> inCp;
  inCp.reserve(live.size());
  for (const LiveBlock& block : live) {
    inCp.insert(block.name);
    const auto rows = file.rowsOf.find(block.name);
    if (rows != file.rowsOf.end())
      compareRows(file, rows->second, block, out);
    else if (covered.count(compoundOf(block.name)))
      out.push_back({ConfigDiffKind::BlockNotInFile, block.name, {}, {}, {}, 0});
  }
  for (const std::string& b : file.blocks)
    if (!inCp.count(b))
      out.push_back(
          {ConfigDiffKind::BlockNotInCp, b, {}, {}, {}, file.rows[file.rowsOf.at(b).front()].line});
  return out;
}

std::vector<ConfigDifference> compareBlock(const ConfigFile& file, const LiveBlock& block) {
  std::vector<ConfigDifference> out;
  const auto rows = file.rowsOf.find(block.name);
  if (rows == file.rowsOf.end())
    out.push_back({ConfigDiffKind::BlockNotInFile, block.name, {}, {}, {}, 0});
  else
    compareRows(file, rows->second, block, out);
  return out;
}

}  // namespace tarvo::records

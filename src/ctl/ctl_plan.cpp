#include "ctl/ctl_plan.h"

#include <map>
#include <utility>

#include "link/columns.h"
#include "records/csv.h"
#include "records/json_text.h"

namespace tarvo::ctl {

namespace {

constexpr std::size_t kMaxErrors = 20;

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
    if (!records::json::nextCodePoint(utf8, pos, cp) || cp > 0xFF) return std::nullopt;
    out += static_cast<char>(cp);
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
  Assignment a{upperAscii(trimBlanks(text.substr(0, eq))), std::string(text.substr(eq + 1)), 0};
  problem = paramNameProblem(a.param);
  if (problem.empty()) problem = valueProblem(a.value);
  if (!problem.empty()) return std::nullopt;
  return a;
}

std::string decodeCsvBytes(std::string_view bytes, std::string& error) {
  error.clear();
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const bool bom = bytes.substr(0, 3) == kBom;
  if (bom) bytes.remove_prefix(3);
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  std::size_t line = 1;
  while (pos < bytes.size()) {
    char32_t cp = 0;
    if (!records::json::nextCodePoint(bytes, pos, cp)) {
      // Not UTF-8: the file is in an 8-bit code page, as the wire is.
      if (bom) {
        error = "line " + std::to_string(line) + ": the file is marked UTF-8 but is not";
        return {};
      }
      return std::string(bytes);
    }
    if (cp == '\n') ++line;
    if (cp > 0xFF) {
      error = "line " + std::to_string(line) +
              ": a character that the server's 8-bit text can not hold";
      return {};
    }
    out += static_cast<char>(cp);
  }
  return out;
}

Plan planFromCsv(std::string_view text) {
  Plan plan;
  auto error = [&](std::size_t line, const std::string& message) {
    if (plan.errors.size() < kMaxErrors)
      plan.errors.push_back("line " + std::to_string(line) + ": " + message);
  };
  const records::CsvParse parsed = records::parseCsv(text);
  std::map<std::string, std::size_t, std::less<>> index;
  std::size_t rows = 0;
  bool first = true;
  for (const records::CsvRecord& r : parsed.records) {
    const bool isFirst = std::exchange(first, false);
    if (r.fields.size() == 1 && trimBlanks(r.fields[0]).empty()) continue;
    if (r.fields.size() != 3) {
      error(r.line, "expected 3 fields (block, parameter, value), found " +
                        std::to_string(r.fields.size()));
      continue;
    }
    if (isFirst && lower(trimBlanks(r.fields[0])) == "block" &&
        lower(trimBlanks(r.fields[1])) == "parameter" && lower(trimBlanks(r.fields[2])) == "value")
      continue;
    if (++rows > kMaxRows) {
      error(r.line, "more than " + std::to_string(kMaxRows) + " rows");
      break;
    }
    const std::string block = upperAscii(trimBlanks(r.fields[0]));
    Assignment a{upperAscii(trimBlanks(r.fields[1])), records::csvValue(r.fields[2]), r.line};
    std::string problem = blockNameProblem(block);
    if (problem.empty()) problem = paramNameProblem(a.param);
    if (problem.empty()) problem = valueProblem(a.value);
    if (!problem.empty()) {
      error(r.line, problem);
      continue;
    }
    auto [it, added] = index.try_emplace(block, plan.blocks.size());
    if (added) plan.blocks.push_back(BlockEdit{block, {}});
    plan.blocks[it->second].changes.push_back(std::move(a));
  }
  if (parsed.error) error(parsed.error->line, parsed.error->message);
  if (plan.errors.empty() && plan.blocks.empty()) plan.errors.push_back("no changes in the file");
  return plan;
}

}  // namespace tarvo::ctl

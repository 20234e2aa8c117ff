#include "records/journal.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "records/json_text.h"

namespace tarvo::records {

namespace {

using Json = nlohmann::json;

// Deeper nesting than this is refused, so a hostile line costs little to refuse.
constexpr int kMaxDepth = 16;

// When a line would pass its cap, each text is cut to this many bytes.
constexpr std::size_t kCutText = 256;

constexpr std::array<std::pair<Outcome, std::string_view>, 5> kOutcomes{{
    {Outcome::Sent, "sent"},
    {Outcome::Done, "done"},
    {Outcome::Warning, "warning"},
    {Outcome::Error, "error"},
    {Outcome::ConnectionLost, "no answer: connection lost"},
}};

std::string_view cutLatin1(std::string_view s, bool cut) {
  return cut && s.size() > kCutText ? s.substr(0, kCutText) : s;
}

std::string_view cutUtf8(std::string_view s, bool cut) {
  if (!cut || s.size() <= kCutText) return s;
  std::size_t n = kCutText;
  // Never end inside a character.
  while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
  return s.substr(0, n);
}

void member(std::string& out, std::string_view key) {
  if (out.size() > 1) out += ',';
  out += '"';
  out += key;
  out += "\":";
}

struct Pieces {
  std::string head;  // from "{" to the detail, without a closing brace
  std::vector<std::string> changes;
  std::string tail;  // result, message (and truncated), with the closing brace
};

Pieces pieces(const JournalEvent& e, bool cut) {
  Pieces p;
  std::string& h = p.head;
  h = "{";
  member(h, "time");
  json::appendLatin1(h, isoUtc(e.timeMs));
  member(h, "user");
  json::appendUtf8(h, cutUtf8(e.user, cut));
  member(h, "host");
  json::appendUtf8(h, cutUtf8(e.host, cut));
  member(h, "server_host");
  json::appendUtf8(h, cutUtf8(e.serverHost, cut));
  member(h, "server_port");
  h += std::to_string(e.serverPort);
  member(h, "cp");
  json::appendLatin1(h, cutLatin1(e.cp, cut));
  member(h, "block");
  json::appendLatin1(h, cutLatin1(e.block, cut));
  member(h, "what");
  json::appendLatin1(h, cutLatin1(e.what, cut));
  member(h, "detail");
  json::appendLatin1(h, cutLatin1(e.detail, cut));
  for (const ParamChange& c : e.changes) {
    std::string s = "{\"param\":";
    json::appendLatin1(s, cutLatin1(c.param, cut));
    s += ",\"old\":";
    if (c.oldValue)
      json::appendLatin1(s, cutLatin1(*c.oldValue, cut));
    else
      s += "null";
    s += ",\"new\":";
    json::appendLatin1(s, cutLatin1(c.newValue, cut));
    s += '}';
    p.changes.push_back(std::move(s));
  }
  p.tail = ",\"result\":";
  json::appendLatin1(p.tail, outcomeText(e.result));
  p.tail += ",\"message\":";
  json::appendLatin1(p.tail, cutLatin1(e.message, cut));
  return p;
}

// Joins the pieces, with at most `changes` of the changes, into one line.
std::string assemble(const Pieces& p, std::size_t changes, bool hasChanges, bool truncated) {
  std::string line = p.head;
  if (hasChanges) {
    line += ",\"changes\":[";
    for (std::size_t i = 0; i < changes; ++i) {
      if (i > 0) line += ',';
      line += p.changes[i];
    }
    line += ']';
  }
  line += p.tail;
  if (truncated) line += ",\"truncated\":true";
  line += '}';
  return line;
}

const std::string* stringMember(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? &it->get_ref<const std::string&>() : nullptr;
}

std::optional<Json> parseJson(std::string_view text, std::string& error) {
  struct TooDeep {};
  try {
    return Json::parse(text.begin(), text.end(), [](int depth, Json::parse_event_t, Json&) {
      if (depth > kMaxDepth) throw TooDeep{};
      return true;
    });
  } catch (const TooDeep&) {
    error = "nested too deep";
  } catch (const Json::exception& e) {
    // Without the library's "[json.exception.parse_error.101] " tag.
    error = e.what();
    if (const auto tag = error.find("] ");
        !error.empty() && error.front() == '[' && tag != std::string::npos)
      error.erase(0, tag + 2);
  }
  return std::nullopt;
}

}  // namespace

std::string_view outcomeText(Outcome outcome) {
  for (const auto& [o, text] : kOutcomes)
    if (o == outcome) return text;
  return "sent";
}

std::optional<Outcome> outcomeFromText(std::string_view text) {
  for (const auto& [o, t] : kOutcomes)
    if (t == text) return o;
  return std::nullopt;
}

std::string formatJournalLine(const JournalEvent& event) {
  const bool hasChanges = !event.changes.empty();
  {
    const Pieces p = pieces(event, false);
    std::string line = assemble(p, p.changes.size(), hasChanges, event.truncated);
    if (line.size() <= kMaxJournalLine) return line;
  }
  // Too long: cut every text, then leave out the changes that do not fit. The cut texts
  // alone always fit, however they are escaped.
  const Pieces p = pieces(event, true);
  std::size_t size = assemble(p, 0, hasChanges, true).size();
  std::size_t fit = 0;
  while (fit < p.changes.size() && size + p.changes[fit].size() + 1 <= kMaxJournalLine) {
    size += p.changes[fit].size() + 1;
    ++fit;
  }
  return assemble(p, fit, hasChanges, true);
}

std::optional<JournalEvent> parseJournalLine(std::string_view line, std::string* error) {
  auto fail = [&](std::string why) -> std::optional<JournalEvent> {
    if (error) *error = std::move(why);
    return std::nullopt;
  };
  std::string parseError;
  const std::optional<Json> v = parseJson(line, parseError);
  if (!v) return fail(parseError);
  if (!v->is_object()) return fail("not a JSON object");

  JournalEvent e;
  const std::string* time = stringMember(*v, "time");
  const std::optional<std::int64_t> ms = time ? parseIsoUtc(*time) : std::nullopt;
  if (!ms) return fail("no valid \"time\"");
  e.timeMs = *ms;
  const std::string* result = stringMember(*v, "result");
  const std::optional<Outcome> outcome = result ? outcomeFromText(*result) : std::nullopt;
  if (!outcome) return fail("no valid \"result\"");
  e.result = *outcome;

  auto utf8 = [&](const char* key, std::string& to) {
    if (const std::string* s = stringMember(*v, key)) to = *s;
  };
  auto latin1 = [](const Json& object, const char* key, std::string& to) {
    const std::string* s = stringMember(object, key);
    if (s) to = json::utf8ToLatin1(*s);
    return s != nullptr;
  };
  utf8("user", e.user);
  utf8("host", e.host);
  utf8("server_host", e.serverHost);
  if (const auto port = v->find("server_port"); port != v->end() && port->is_number()) {
    const double n = port->get<double>();
    if (n >= 0 && n <= 65535) e.serverPort = static_cast<int>(n);
  }
  latin1(*v, "cp", e.cp);
  latin1(*v, "block", e.block);
  latin1(*v, "what", e.what);
  latin1(*v, "detail", e.detail);
  latin1(*v, "message", e.message);
  if (const auto t = v->find("truncated"); t != v->end() && t->is_boolean())
    e.truncated = t->get<bool>();
  if (const auto changes = v->find("changes"); changes != v->end() && changes->is_array()) {
    for (const Json& c : *changes) {
      if (!c.is_object()) return fail("a change that is not an object");
      ParamChange pc;
      latin1(c, "param", pc.param);
      if (std::string old; latin1(c, "old", old)) pc.oldValue = std::move(old);
      latin1(c, "new", pc.newValue);
      e.changes.push_back(std::move(pc));
    }
  }
  return e;
}

std::size_t parseJournalText(std::string_view text, std::vector<JournalEvent>& out) {
  std::size_t bad = 0;
  while (!text.empty()) {
    const auto lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (auto e = parseJournalLine(line))
      out.push_back(std::move(*e));
    else
      ++bad;
  }
  return bad;
}

std::string isoUtc(std::int64_t timeMs) {
  using namespace std::chrono;
  const sys_time<milliseconds> tp{milliseconds{timeMs}};
  const sys_days day = floor<days>(tp);
  const year_month_day ymd{day};
  const long long ofDay = (tp - day).count();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02u-%02uT%02lld:%02lld:%02lld.%03lldZ",
                static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                static_cast<unsigned>(ymd.day()), ofDay / 3600000, ofDay / 60000 % 60,
                ofDay / 1000 % 60, ofDay % 1000);
  return buf;
}

std::optional<std::int64_t> parseIsoUtc(std::string_view text) {
  using namespace std::chrono;
  // Exactly the form isoUtc writes: YYYY-MM-DDTHH:MM:SS.mmmZ
  static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != kShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return std::nullopt;
  }
  auto num = [&](std::size_t at, std::size_t len) {
    int n = 0;
    for (std::size_t i = at; i < at + len; ++i) n = n * 10 + (text[i] - '0');
    return n;
  };
  const year_month_day ymd{year{num(0, 4)}, month{static_cast<unsigned>(num(5, 2))},
                           day{static_cast<unsigned>(num(8, 2))}};
  const int h = num(11, 2), m = num(14, 2), s = num(17, 2), ms = num(20, 3);
  if (!ymd.ok() || h > 23 || m > 59 || s > 59) return std::nullopt;
  const sys_days d{ymd};
  return (duration_cast<milliseconds>(d.time_since_epoch()) + hours{h} + minutes{m} + seconds{s} +
          milliseconds{ms})
      .count();
}

std::string journalFileName(std::int64_t timeMs) {
  using namespace std::chrono;
  const year_month_day ymd{floor<days>(sys_time<milliseconds>{milliseconds{timeMs}})};
  char buf[48];
  std::snprintf(buf, sizeof buf, "journal-%04d-%02u.jsonl", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()));
  return buf;
}

}  // namespace tarvo::records

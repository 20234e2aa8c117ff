#include "sim/catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/text.h"

namespace tarvo::sim {

namespace {

constexpr double kScaleLimit = 1.0e7;

ParamDef text(std::string name, std::size_t maxLen, std::string def = {}) {
  ParamDef d;
  d.name = std::move(name);
  d.kind = ParamKind::Text;
  d.maxLen = maxLen;
  d.defaultValue = std::move(def);
  return d;
}

// A numeric or switch parameter with its range and default.
ParamDef ranged(std::string name, ParamKind kind, double min, double max, std::string def) {
  ParamDef d;
  d.name = std::move(name);
  d.kind = kind;
  d.min = min;
  d.max = max;
  d.defaultValue = std::move(def);
  return d;
}

ParamDef integer(std::string name, double min, double max, std::string def) {
  return ranged(std::move(name), ParamKind::Integer, min, max, std::move(def));
}

ParamDef real(std::string name, double min, double max, std::string def) {
  return ranged(std::move(name), ParamKind::Real, min, max, std::move(def));
}

ParamDef sw(std::string name, std::string def) {
  return ranged(std::move(name), ParamKind::Switch, 0, 1, std::move(def));
}

ParamDef ofKind(std::string name, ParamKind kind) {
  return ranged(std::move(name), kind, -kScaleLimit, kScaleLimit, {});
}

std::string twoDigits(int i) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", i);
  return buf;
}

void addNumbered(std::vector<ParamDef>& to, const std::string& prefix, int count, ParamKind kind) {
  for (int i = 1; i <= count; ++i) to.push_back(ofKind(prefix + twoDigits(i), kind));
}

std::vector<std::string> numbered(const std::string& prefix, int count) {
  std::vector<std::string> out;
  for (int i = 1; i <= count; ++i) out.push_back(prefix + twoDigits(i));
  return out;
}

// DESCRP, PERIOD, PHASE and LOOPID open the list of every processing block.
std::vector<ParamDef> head() {
  return {text("DESCRP", 32), integer("PERIOD", 0, 13, "1"), integer("PHASE", 0, 999, "0"),
          text("LOOPID", 32)};
}

std::vector<ParamDef> ioHead() {
  auto p = head();
  p.push_back(sw("IOMOPT", "1"));
  p.push_back(ofKind("IOM_ID", ParamKind::BlockRef));
  p.push_back(integer("PNT_NO", 1, 32, "1"));
  return p;
}

std::vector<ParamDef> scale(const std::string& suffix) {
  return {real("HSCO" + suffix, -kScaleLimit, kScaleLimit, "100"),
          real("LSCO" + suffix, -kScaleLimit, kScaleLimit, "0")};
}

template <typename T>
void append(std::vector<T>& to, std::vector<T> more) {
  for (auto& d : more) to.push_back(std::move(d));
}

BlockType make(std::string name, TypeClass cls, std::vector<ParamDef> params,
               std::vector<std::string> outputs) {
  BlockType t;
  t.name = std::move(name);
  t.cls = cls;
  t.params = std::move(params);
  t.outputs = std::move(outputs);
  return t;
}

std::vector<BlockType> buildTypes() {
  std::vector<BlockType> types;

  types.push_back(make("COMPND", TypeClass::Compound,
                       {text("DESCRP", 32), sw("ON", "1"), integer("PERIOD", 0, 13, "1"),
                        integer("PHASE", 0, 999, "0")},
                       {}));

  {  // analog input
    auto p = ioHead();
    p.push_back(integer("SCI", 0, 68, "1"));
    append(p, scale("1"));
    p.push_back(text("EO1", 32, "%"));
    p.push_back(real("DELTO1", 0, 100, "0.5"));
    types.push_back(make("AIN", TypeClass::Io, std::move(p), {"PNT", "BAD"}));
  }
  {  // analog output
    auto p = ioHead();
    p.push_back(integer("SCO", 0, 68, "1"));
    append(p, scale("1"));
    p.push_back(text("EO1", 32, "%"));
    p.push_back(ofKind("MEAS", ParamKind::Connection));
    types.push_back(make("AOUT", TypeClass::Io, std::move(p), {"OUT", "BCALCO", "BAD"}));
  }
  {  // contact input
    auto p = ioHead();
    p.push_back(sw("INVCIN", "0"));
    types.push_back(make("CIN", TypeClass::Io, std::move(p), {"CIN", "BAD"}));
  }
  {  // contact output
    auto p = ioHead();
    p.push_back(ofKind("IN", ParamKind::Mixed));
    p.push_back(sw("INVCO", "0"));
    types.push_back(make("COUT", TypeClass::Io, std::move(p), {"COUT", "BAD"}));
  }

  auto controller = [] {
    auto p = head();
    p.push_back(ofKind("MEAS", ParamKind::Connection));
    p.push_back(real("SPT", -kScaleLimit, kScaleLimit, "50"));
    append(p, {real("HSCI1", -kScaleLimit, kScaleLimit, "100"),
               real("LSCI1", -kScaleLimit, kScaleLimit, "0")});
    p.push_back(text("EI1", 32, "%"));
    append(p, scale("1"));
    p.push_back(text("EO1", 32, "%"));
    p.push_back(real("PBAND", 0.1, 1000, "100"));
    p.push_back(real("INT", 0, 10000, "1"));
    p.push_back(real("DERIV", 0, 1000, "0"));
    p.push_back(ofKind("BCALCI", ParamKind::Connection));
    p.push_back(sw("MA", "0"));
    p.push_back(sw("INITMA", "0"));
    return p;
  };
  types.push_back(make("PID", TypeClass::Control, controller(), {"OUT", "BCALCO"}));
  {
    auto p = controller();
    p.push_back(integer("MODOPT", 1, 6, "4"));
    p.push_back(ofKind("FBK", ParamKind::Connection));
    types.push_back(make("PIDA", TypeClass::Control, std::move(p), {"OUT", "BCALCO"}));
  }

  {
    auto p = head();
    addNumbered(p, "RI", 4, ParamKind::Mixed);
    addNumbered(p, "BI", 4, ParamKind::Mixed);
    addNumbered(p, "STEP", 50, ParamKind::Step);
    auto out = numbered("RO", 4);
    append(out, numbered("BO", 4));
    types.push_back(make("CALC", TypeClass::Calculation, std::move(p), std::move(out)));
  }
  {
    auto p = head();
    addNumbered(p, "RI", 8, ParamKind::Mixed);
    addNumbered(p, "BI", 8, ParamKind::Mixed);
    addNumbered(p, "STEP", 50, ParamKind::Step);
    auto out = numbered("RO", 4);
    append(out, numbered("BO", 8));
    types.push_back(make("CALCA", TypeClass::Calculation, std::move(p), std::move(out)));
  }
  {
    auto p = head();
    addNumbered(p, "BI", 8, ParamKind::Mixed);
    addNumbered(p, "STEP", 15, ParamKind::Step);
    types.push_back(make("LOGIC", TypeClass::Calculation, std::move(p), numbered("BO", 4)));
  }
  {
    auto p = head();
    p.push_back(ofKind("MEAS", ParamKind::Connection));
    append(p, scale("1"));
    p.push_back(text("EO1", 32, "%"));
    p.push_back(real("HALM", -kScaleLimit, kScaleLimit, "90"));
    p.push_back(real("LALM", -kScaleLimit, kScaleLimit, "10"));
    types.push_back(make("MAIN", TypeClass::Calculation, std::move(p), {"OUT", "HIALM", "LOALM"}));
  }
  {
    auto p = head();
    p.push_back(ofKind("ENABLE", ParamKind::Mixed));
    p.push_back(real("PRESET", 0, 86400, "60"));
    p.push_back(integer("TIMOPT", 0, 3, "0"));
    types.push_back(make("TIM", TypeClass::Timer, std::move(p), {"OUT", "ELAPSE"}));
  }

  for (const char* seq : {"DEP", "EXC", "IND", "MON"}) {
    auto p = head();
    addNumbered(p, "BI", 4, ParamKind::Mixed);
    addNumbered(p, "RI", 4, ParamKind::Mixed);
    p.push_back(integer("INHOPT", 0, 3, "0"));
    p.push_back(integer("TIMINC", 0, 3600, "0"));
    std::vector<std::string> out{"ACTIVE"};
    append(out, numbered("BO", 4));
    append(out, numbered("RO", 4));
    types.push_back(make(seq, TypeClass::Sequence, std::move(p), std::move(out)));
  }
  {
    auto p = head();
    p.push_back(ofKind("IOM_ID", ParamKind::BlockRef));
    p.push_back(integer("PLBSIZ", 1, 4096, "256"));
    types.push_back(make("PLB", TypeClass::Plb, std::move(p), {"STATUS"}));
  }

  for (const char* ecb : {"ECB", "ECB2", "ECB200", "ECB201"}) {
    std::vector<ParamDef> p{text("DESCRP", 32), text("DEV_ID", 6), integer("HWTYPE", 0, 999, "0"),
                            integer("SWTYPE", 0, 999, "0"), ofKind("PARENT", ParamKind::BlockRef)};
    types.push_back(make(ecb, TypeClass::Ecb, std::move(p), {"STATUS"}));
  }
  types.push_back(make("STATION", TypeClass::Station,
                       {text("DESCRP", 32), integer("PERIOD", 0, 13, "1"),
                        integer("CFGOPT", 0, 255, "0"), integer("CHKPER", 0, 1440, "0")},
                       {"STATUS", "CPULOD"}));

  std::sort(types.begin(), types.end(),
            [](const BlockType& a, const BlockType& b) { return a.name < b.name; });
  return types;
}

// Instructions of the calculation blocks' step lists.
const std::vector<std::string_view>& instructions() {
  static const std::vector<std::string_view> ops{
      "ABS", "ACOS", "ADD",  "ALN",  "ALOG", "AND",  "ASIN", "ATAN", "AVE",  "BIF",  "BII",  "BIT",
      "CHI", "CHN",  "CHS",  "CLA",  "CLM",  "CLR",  "CLRB", "COS",  "CST",  "DEC",  "DIV",  "DOFF",
      "DON", "DUP",  "END",  "EXP",  "FF",   "GTI",  "GTO",  "IDIV", "IN",   "INB",  "INC",  "INH",
      "INL", "INR",  "INS",  "LAC",  "LN",   "LOG",  "MAX",  "MEDN", "MIN",  "MRS",  "MUL",  "NAND",
      "NOP", "NOR",  "NOT",  "NXOR", "ONE",  "OR",   "OSP",  "OUT",  "POP",  "RAND", "RBIT", "RCL",
      "RND", "RON",  "SBIT", "SEC",  "SET",  "SETB", "SIN",  "SQR",  "SQRT", "SSF",  "SSI",  "SST",
      "SSZ", "STM",  "SUB",  "SWP",  "TAN",  "TIM",  "TRC",  "TSTB", "XOR"};
  return ops;
}

bool nameChars(std::string_view name, std::size_t maxLen) {
  if (name.empty() || name.size() > maxLen) return false;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!ok) return false;
  }
  return true;
}

ValueCheck refuse(std::string message) {
  return {Verdict::Refused, {}, std::move(message)};
}

ValueCheck checkNumber(const ParamDef& def, std::string_view v) {
  const auto num = text::parseNumber(v);
  if (!num) return refuse(def.name + " needs a number, not \"" + std::string(v) + "\"");
  if (*num < def.min || *num > def.max)
    return refuse(def.name + " " + std::string(v) + " is out of range " +
                  text::formatNumber(def.min) + " to " + text::formatNumber(def.max));
  if (def.kind == ParamKind::Integer) {
    const double rounded = std::round(*num);
    const std::string canonical = text::formatNumber(rounded);
    if (rounded != *num)
      return {Verdict::Adjusted, canonical,
              def.name + " " + std::string(v) + " rounded to " + canonical};
    return {Verdict::Accepted, canonical, {}};
  }
  return {Verdict::Accepted, std::string(v), {}};
}

// Connections and steps are stored in capitals, as the configurator keeps
// them; a value typed in small letters is accepted and reported as adjusted.
ValueCheck upperCased(const ParamDef& def, std::string_view v) {
  std::string up = text::upper(v);
  if (up != v) return {Verdict::Adjusted, up, def.name + " set to " + up};
  return {Verdict::Accepted, up, {}};
}

}  // namespace

const ParamDef* BlockType::param(std::string_view paramName) const {
  for (const auto& d : params)
    if (d.name == paramName) return &d;
  return nullptr;
}

bool BlockType::hasSource(std::string_view paramName) const {
  if (param(paramName)) return true;
  return std::find(outputs.begin(), outputs.end(), paramName) != outputs.end();
}

const std::vector<BlockType>& blockTypes() {
  static const std::vector<BlockType> types = buildTypes();
  return types;
}

const BlockType* findBlockType(std::string_view name) {
  for (const auto& t : blockTypes())
    if (t.name == name) return &t;
  return nullptr;
}

const BlockType& compoundType() {
  static const BlockType* t = findBlockType("COMPND");
  return *t;
}

bool parseReference(std::string_view value, bool withParam, Reference& out) {
  const auto colon = value.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view cmp = value.substr(0, colon);
  std::string_view rest = value.substr(colon + 1);
  std::string_view param;
  if (withParam) {
    const auto dot = rest.find('.');
    if (dot == std::string_view::npos) return false;
    param = rest.substr(dot + 1);
    rest = rest.substr(0, dot);
    if (!nameChars(param, 6)) return false;
  }
  if (!validCompoundName(cmp) || !validBlockName(rest)) return false;
  out.compound = std::string(cmp);
  out.block = std::string(rest);
  out.param = std::string(param);
  return true;
}

ValueCheck checkValue(const ParamDef& def, std::string_view value) {
  const std::string_view v = text::trim(value);
  if (text::hasControlChar(v)) return refuse(def.name + " value holds control characters");

  switch (def.kind) {
    case ParamKind::Text:
      // Cut, then trimmed again: a blank left at the end would be lost by the
      // next reading (a checkpoint and a restart), so the value would change.
      if (v.size() > def.maxLen)
        return {Verdict::Adjusted, std::string(text::trim(v.substr(0, def.maxLen))),
                def.name + " cut to " + std::to_string(def.maxLen) + " characters"};
      return {Verdict::Accepted, std::string(v), {}};
    case ParamKind::Integer:
    case ParamKind::Real: return checkNumber(def, v);
    case ParamKind::Switch:
      if (v == "0" || v == "1") return {Verdict::Accepted, std::string(v), {}};
      return refuse(def.name + " must be 0 or 1, not \"" + std::string(v) + "\"");
    case ParamKind::Connection:
    case ParamKind::BlockRef: {
      if (v.empty()) return {Verdict::Accepted, {}, {}};
      Reference ref;
      const bool withParam = def.kind == ParamKind::Connection;
      if (!parseReference(text::upper(v), withParam, ref))
        return refuse(def.name + " \"" + std::string(v) + "\" is not a " +
                      (withParam ? "CMP:BLK.PARAM connection" : "CMP:BLK block name"));
      return upperCased(def, v);
    }
    case ParamKind::Mixed: {
      if (v.empty()) return {Verdict::Accepted, {}, {}};
      if (text::parseNumber(v)) return checkNumber(def, v);
      Reference ref;
      if (!parseReference(text::upper(v), true, ref))
        return refuse(def.name + " \"" + std::string(v) +
                      "\" is neither a number nor a CMP:BLK.PARAM connection");
      return upperCased(def, v);
    }
    case ParamKind::Step: {
      if (v.empty()) return {Verdict::Accepted, {}, {}};
      const auto blank = v.find(' ');
      const std::string op = text::upper(v.substr(0, blank));
      const auto& ops = instructions();
      if (std::find(ops.begin(), ops.end(), op) == ops.end())
        return refuse(def.name + ": unknown instruction " + op);
      return upperCased(def, v);
    }
  }
  return refuse(def.name + ": unsupported parameter");
}

bool validCpName(std::string_view name) {
  return nameChars(name, 6);
}
bool validCompoundName(std::string_view name) {
  return nameChars(name, 12);
}
bool validBlockName(std::string_view name) {
  return nameChars(name, 12);
}

}  // namespace tarvo::sim

#include "sim/xref.h"

#include <algorithm>
#include <chrono>

#include "sim/text.h"

namespace tarvo::sim::xref {

namespace {

constexpr std::size_t kPointWidth = 32;  // "CMP:BLK.PARAM" at its longest: 12 + 1 + 12 + 1 + 6
constexpr std::size_t kNameInOutput = 40;

// A listed name as the output shows it: a long one is cut.
std::string shown(std::string_view name) {
  if (name.size() <= kNameInOutput) return std::string(name);
  return std::string(name.substr(0, kNameInOutput)) + "...";
}

std::string count(std::size_t n, std::string_view one, std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

const Cp* findCpNoCase(const Plant& plant, std::string_view name) {
  for (const auto& cp : plant.cps)
    if (text::equalsNoCase(cp.name, name)) return &cp;
  return nullptr;
}

}  // namespace

std::vector<std::string>* Lists::byLetter(char letter) {
  switch (letter) {
    case 'C': return &cps;
    case 'D': return &displayDirs;
    case 'H': return &historians;
    default: return nullptr;
  }
}

const std::vector<std::string>* Lists::byLetter(char letter) const {
  return const_cast<Lists*>(this)->byLetter(letter);
}

Lists initialLists(const Plant& plant) {
  Lists lists;
  for (const auto& cp : plant.cps) lists.cps.push_back(cp.name);
  lists.displayDirs = {"/usr/fox/customer/displays", "/usr/fox/customer/overlays"};
  lists.historians = {"HIST01", "HIST02"};
  return lists;
}

std::string cfgStartLine(char letter) {
  return std::string("XREFCFGGETSTRT") + letter;
}

std::string cfgLine(char letter, std::string_view entry) {
  return std::string("XREFCFGGETLINE ") + letter + std::string(entry);
}

std::string cfgDoneLine(char letter) {
  return std::string("XREFCFGGETDONE") + letter;
}

void Upload::addLine(std::string_view payload) {
  if (refused()) return;
  if (!payload.empty() && payload.back() == '\n') payload.remove_suffix(1);
  const std::string lineNo = std::to_string(lines_.size() + 1);
  if (lines_.size() >= kMaxListLines)
    return refuse("more than " + std::to_string(kMaxListLines) + " lines");
  if (payload.size() > kMaxEntryLength)
    return refuse("line " + lineNo + " is longer than " + std::to_string(kMaxEntryLength) +
                  " characters");
  if (text::hasControlChar(payload)) return refuse("line " + lineNo + " holds a control character");
  if (bytes_ + payload.size() > kMaxListBytes)
    return refuse("more than " + std::to_string(kMaxListBytes) + " bytes");
  bytes_ += payload.size();
  lines_.emplace_back(payload);
}

void Upload::refuse(std::string reason) {
  if (refused()) return;
  refusal_ = std::move(reason);
  lines_.clear();
  lines_.shrink_to_fit();
  bytes_ = 0;
}

std::string Point::text() const {
  std::string t = compound + ":" + block;
  if (!param.empty()) t += "." + param;
  return t;
}

std::vector<Reference> referencesOf(std::string_view compound, const Block& block) {
  std::vector<Reference> refs;
  const BlockType* type = findBlockType(block.type);
  if (!type) return refs;
  for (const auto& p : block.params) {
    if (p.value.empty()) continue;
    const ParamDef* def = type->param(p.name);
    if (!def) continue;
    bool blockRef = false;
    switch (def->kind) {
      case ParamKind::Connection: break;
      case ParamKind::BlockRef: blockRef = true; break;
      case ParamKind::Mixed:
        if (text::parseNumber(p.value)) continue;  // a constant, not a connection
        break;
      default: continue;
    }
    sim::Reference named;
    if (!parseReference(p.value, !blockRef, named)) continue;
    refs.push_back({{std::string(compound), block.name, p.name},
                    {named.compound, named.block, named.param},
                    blockRef});
  }
  return refs;
}

Plan plan(const Plant& plant, const Lists& lists, const std::vector<Session>& sessions,
          std::int64_t msPerBlock) {
  Plan out;
  msPerBlock = std::max<std::int64_t>(msPerBlock, 0);
  std::int64_t t = 0;
  auto say = [&](std::string line) { out.lines.push_back({t, std::move(line)}); };

  say("Cross-reference generation started: " +
      count(lists.cps.size(), "CP/volume name", "CP/volume names") + ", " +
      count(lists.displayDirs.size(), "display directory", "display directories") + ", " +
      count(lists.historians.size(), "historian", "historians"));
  for (const auto& s : sessions)
    say("WARNING: ICC configurator session active on " + s.cp + " (" + s.holder +
        "); its changes may be missed");

  std::vector<const Cp*> read;
  std::size_t blocks = 0;
  for (const auto& entry : lists.cps) {
    const std::string_view name = text::trim(entry);
    if (name.empty()) continue;
    const Cp* cp = findCpNoCase(plant, name);
    if (!cp) {
      say(shown(name) + ": not a CP or volume of this system, skipped");
      continue;
    }
    if (std::find(read.begin(), read.end(), cp) != read.end()) {
      say(cp->name + ": listed twice, read once");
      continue;
    }
    read.push_back(cp);
    say("Reading " + cp->name + " (" +
        (cp->kind == CpKind::WorkstationVolume ? "volume" : cp->model) +
        (cp->description.empty() ? "" : ", " + cp->description) + ")");
    for (const auto& c : cp->compounds) {
      const std::size_t before = out.references.size();
      for (const auto& b : c.blocks) {
        auto refs = referencesOf(c.name, b);
        out.references.insert(out.references.end(), std::make_move_iterator(refs.begin()),
                              std::make_move_iterator(refs.end()));
      }
      blocks += c.blocks.size();
      t += static_cast<std::int64_t>(c.blocks.size()) * msPerBlock;
      say("  " + text::padRight(c.name, 12) + "  blocks " +
          text::padLeft(std::to_string(c.blocks.size()), 5) + "  references " +
          text::padLeft(std::to_string(out.references.size() - before), 5));
    }
  }
  for (const auto& dir : lists.displayDirs)
    if (!text::trim(dir).empty())
      say("Display directory " + shown(text::trim(dir)) +
          ": skipped, this server keeps no displays");
  for (const auto& h : lists.historians)
    if (!text::trim(h).empty())
      say("Historian " + shown(text::trim(h)) + ": skipped, this server keeps no historian");

  out.durationMs = t;
  say("Cross-reference complete: " + count(read.size(), "CP/volume", "CPs/volumes") + ", " +
      count(blocks, "block", "blocks") + ", " +
      count(out.references.size(), "reference", "references"));
  return out;
}

std::size_t Run::linesDue(std::int64_t nowMs) const {
  const std::int64_t elapsed = nowMs - startMs;
  const auto end = std::upper_bound(plan.lines.begin(), plan.lines.end(), elapsed,
                                    [](std::int64_t e, const TimedLine& l) { return e < l.atMs; });
  return static_cast<std::size_t>(end - plan.lines.begin());
}

bool Run::finished(std::int64_t nowMs) const {
  return nowMs - startMs >= plan.durationMs;
}

std::vector<std::string> listing(const std::vector<Reference>& references, std::string_view key) {
  key = text::trim(key);
  if (key.empty()) return {};
  const BlockName asked = splitBlockName(key);
  auto inside = [&](const Point& p) {
    return p.compound == asked.compound && (asked.block.empty() || p.block == asked.block);
  };
  auto line = [](std::string_view tag, const Point& here, std::string_view arrow,
                 const Point& there) {
    return text::padRight(tag, 3) + " " + text::padRight(here.text(), kPointWidth) + " " +
           std::string(arrow) + " " + there.text();
  };

  enum Group { In, Internal, Out, Ref, GroupCount };
  std::vector<std::string> groups[GroupCount];
  for (const auto& r : references) {
    const bool holderIn = inside(r.holder);
    const bool namedIn = inside(r.named);
    if (!holderIn && !namedIn) continue;
    if (r.blockRef) {
      groups[Ref].push_back(holderIn ? line("REF", r.holder, "==>", r.named)
                                     : line("REF", r.named, "<==", r.holder));
    } else if (holderIn && namedIn) {
      groups[Internal].push_back(line("INT", r.named, "-->", r.holder));
    } else if (holderIn) {
      groups[In].push_back(line("IN", r.holder, "<--", r.named));
    } else {
      groups[Out].push_back(line("OUT", r.named, "-->", r.holder));
    }
  }
  std::vector<std::string> out;
  for (auto& g : groups) out.insert(out.end(), g.begin(), g.end());
  return out;
}

std::int64_t steadyMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace tarvo::sim::xref

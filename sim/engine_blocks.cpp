// Adding, copying, moving and deleting the blocks and compounds of the
// session's CP. Add, copy and move answer with one record that tells the
// client where the new node goes (the key of the node it goes before); delete
// answers with the deleted name or the reason it was refused.
#include <algorithm>
#include <string>
#include <vector>

#include "sim/engine.h"
#include "sim/engine_detail.h"
#include "sim/replies.h"
#include "sim/text.h"

namespace tarvo::sim {

using detail::kNoSession;

namespace {

constexpr std::string_view kEndOfList = "***END***";
constexpr std::string_view kCompoundType = "COMPND";
constexpr std::size_t kBlockNameLimit = 12;
// A compound's end entry is keyed "CMP:" + "---END_" + CMP (the entry's name
// cut to 18). Past 10 characters that key no longer fits the relative-key
// field of the reply, so such a compound could never take a block at its end,
// and an empty one no block at all: new compounds stay within 10.
constexpr std::size_t kNewCompoundNameLimit = 10;

// Client text as it may appear in a reply: a control byte, a line feed above
// all, would break the reply apart.
std::string shown(std::string_view s) {
  return text::forLog(s, 60);
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  s = text::trim(s);
  while (!s.empty()) {
    const auto blank = s.find(' ');
    out.push_back(s.substr(0, blank));
    if (blank == std::string_view::npos) break;
    s = text::trim(s.substr(blank));
  }
  return out;
}

std::string_view word(const std::vector<std::string_view>& w, std::size_t i) {
  return i < w.size() ? w[i] : std::string_view();
}

// Why `name` can not name a new block or compound; "" when it can.
std::string nameProblem(std::string_view name, std::size_t limit, std::string_view what) {
  if (name.empty()) return "the " + std::string(what) + " name is missing";
  if (name.size() > limit)
    return shown(name) + ": " + std::string(what) + " names have at most " + std::to_string(limit) +
           " characters";
  // Compound and block names share the rule. validBlockName() lets a leading
  // digit through, which the rule does not.
  if (!validBlockName(name) || (name.front() >= '0' && name.front() <= '9'))
    return shown(name) + ": a name is capital letters, digits and _, not starting with a digit";
  return {};
}

std::string endEntryKey(const Compound& c) {
  return c.name + ":" + reply::endEntryName(c.name);
}

bool isEndEntry(std::string_view blockPart) {
  return text::startsWith(blockPart, "---");
}

// The compound `name` of the session's CP, or null with the reason.
const Compound* compoundOnCp(const Plant& plant, const Cp& cp, std::string_view name,
                             std::string& problem) {
  if (const Compound* c = cp.findCompound(name)) return c;
  const Cp* other = plant.cpOfCompound(name);
  problem =
      other ? shown(name) + " is on " + other->name + ", not on " + cp.name + " of this ICC session"
            : cp.name + " has no compound " + shown(name);
  return nullptr;
}

// Where a new or moved node goes: before the block (or compound) `before`,
// which is the client's node `key`. The end of a compound is its end entry,
// the end of the CP "***END***".
struct Place {
  const Compound* compound = nullptr;  // the compound a block goes into; null for a compound
  std::string before;                  // "" for the end
  std::string key;                     // the reply's relative key
};

// A block's place from the location the client sent: a block goes before
// that block, or at the end of the compound whose end entry (or whose own
// node) was chosen.
std::string placeBlock(const Plant& plant, const Cp& cp, std::string_view location, Place& place) {
  if (location == kEndOfList)
    return "a block goes into a compound: choose a block or a compound's end entry";
  std::string problem;
  const BlockName loc = splitBlockName(location);
  const Compound* c = compoundOnCp(plant, cp, loc.compound, problem);
  if (!c) return problem;
  place.compound = c;
  const std::string endKey = endEntryKey(*c);
  if (location.find(':') == std::string_view::npos || location == endKey) {
    if (endKey.size() > reply::kRecordKeyWidth)
      return "the end of " + c->name +
             " can not be named in the reply (compound name over 10 characters): choose one of "
             "its blocks";
    place.key = endKey;
    return {};
  }
  if (!c->findBlock(loc.block)) return cp.name + " has no block " + shown(location);
  place.before = loc.block;
  place.key = std::string(location);
  return {};
}

// A compound's place: before the chosen compound, or last for "***END***".
std::string placeCompound(const Plant& plant, const Cp& cp, std::string_view location,
                          Place& place) {
  if (location == kEndOfList) {
    place.key = std::string(kEndOfList);
    return {};
  }
  if (location.find(':') != std::string_view::npos)
    return "a compound goes before a compound or at the end of the list, not at " + shown(location);
  std::string problem;
  const Compound* c = compoundOnCp(plant, cp, location, problem);
  if (!c) return problem;
  place.before = c->name;
  place.key = c->name;
  return {};
}

// The block a copy or move starts from. `type` is the type the client shows
// for it, which the block list cuts to 6 characters; a different one means
// the client's tree no longer matches the plant.
const Block* sourceBlock(const Plant& plant, const Cp& cp, std::string_view source,
                         std::string_view type, std::string_view done, const Compound*& owner,
                         std::string& problem) {
  const BlockName bn = splitBlockName(source);
  if (type == kCompoundType || source.find(':') == std::string_view::npos) {
    problem = "compounds can not be " + std::string(done);
    return nullptr;
  }
  owner = compoundOnCp(plant, cp, bn.compound, problem);
  if (!owner) return nullptr;
  if (isEndEntry(bn.block)) {
    problem = "an end entry can not be " + std::string(done);
    return nullptr;
  }
  const Block* b = owner->findBlock(bn.block);
  if (!b) {
    problem = cp.name + " has no block " + shown(source);
    return nullptr;
  }
  if (b->blockType().cls == TypeClass::Station) {
    problem = "the station block " + std::string(source) + " can not be " + std::string(done);
    return nullptr;
  }
  if (type != std::string_view(b->type).substr(0, reply::kRecordTypeWidth)) {
    problem = std::string(source) + " is of type " + b->type + ", not " + shown(type) +
              ": refresh the block list";
    return nullptr;
  }
  return b;
}

std::string listed(const ReferenceIndex::Holders& holders) {
  std::string out;
  for (std::size_t i = 0; i < holders.first.size(); ++i) out += (i ? ", " : "") + holders.first[i];
  if (holders.count > holders.first.size())
    out += " and " + std::to_string(holders.count - holders.first.size()) + " more";
  return out;
}

}  // namespace

bool Engine::listShows(const Connection& conn, const BlockType& type) {
  return conn.listedAll && (*conn.listedAll || !type.ecbOrStation());
}

bool Engine::acceptedByAdd(const BlockType& type) {
  // A CP's station block comes with the CP; its type name would not fit the
  // reply's type field either.
  return type.cls != TypeClass::Station && type.name.size() <= reply::kRecordTypeWidth;
}

// "ADDNEW:" + full name + " " + location + " " + type. A compound (type
// "COMPND") goes before the chosen compound or at the end of the list; a
// block "CMP:BLK" before the chosen block of CMP or at CMP's end.
void Engine::addNew(Context& ctx, std::string_view arg) {
  const auto w = words(arg);
  const std::string_view name = word(w, 0), location = word(w, 1), type = word(w, 2);
  auto refuse = [&](const std::string& message) {
    ctx.reply(reply::blockRecord(reply::RecordLayout::AddCopy, "ERRADDNEW", shown(location),
                                 shown(name), shown(type), message));
  };
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) return refuse(kNoSession);
  if (w.size() != 3) return refuse("ADDNEW needs a name, a location and a type");
  const std::string cpName = cp->name;

  Place place;
  std::string problem;
  if (type == kCompoundType) {
    if (name.find(':') != std::string_view::npos)
      return refuse(shown(name) + ": a compound's name holds no colon");
    problem = nameProblem(name, kNewCompoundNameLimit, "compound");
    if (problem.empty())
      if (const Cp* owner = plant_.cpOfCompound(name))
        problem = "compound " + std::string(name) + " already exists on " + owner->name;
    if (problem.empty()) problem = placeCompound(plant_, *cp, location, place);
    Compound compound = problem.empty() ? makeCompound(std::string(name)) : Compound();
    const PlantSize added = sizeOf(compound);
    if (problem.empty()) problem = growthRefused(cpName, added);
    if (!problem.empty()) return refuse(problem);

    const Compound& made = editCp(cpName)->compounds.insert(place.before, std::move(compound));
    refs_.add(made.name, made.params);
    resized(cpName, added);
    logConn(ctx.conn.id, "compound " + std::string(name) + " added to " + cpName);
    ctx.reply(reply::blockRecord(reply::RecordLayout::AddCopy,
                                 listShows(ctx.conn, compoundType()) ? "DNADDNEW" : "DNADDNEX",
                                 place.key, name, kCompoundType));
    return;
  }

  const BlockType* blockType = findBlockType(type);
  if (!blockType) return refuse("there is no block type " + shown(type));
  if (!acceptedByAdd(*blockType))
    return refuse("a CP has one " + blockType->name + " block, made with the CP");
  if (name.find(':') == std::string_view::npos)
    return refuse(shown(name) + ": a block's name is compound:block");
  const BlockName bn = splitBlockName(name);
  problem = nameProblem(bn.block, kBlockNameLimit, "block");
  const Compound* target =
      problem.empty() ? compoundOnCp(plant_, *cp, bn.compound, problem) : nullptr;
  if (target) problem = placeBlock(plant_, *cp, location, place);
  if (problem.empty() && place.compound != target)
    problem = shown(location) + " is not in compound " + target->name;
  if (problem.empty() && target->findBlock(bn.block))
    problem = std::string(name) + " already exists";
  Block block = problem.empty() ? makeBlock(bn.block, blockType->name) : Block();
  if (problem.empty()) problem = growthRefused(cpName, sizeOf(block));
  if (!problem.empty()) return refuse(problem);

  const PlantSize added = sizeOf(block);
  const Block& made =
      editCompound(cpName, bn.compound)->blocks.insert(place.before, std::move(block));
  refs_.add(name, made.params);
  resized(cpName, added);
  logConn(ctx.conn.id, blockType->name + " block " + std::string(name) + " added");
  ctx.reply(reply::blockRecord(reply::RecordLayout::AddCopy,
                               listShows(ctx.conn, *blockType) ? "DNADDNEW" : "DNADDNEX", place.key,
                               name, blockType->name));
}

// "CPYNEW:" + new full name + " " + source + " " + source type + " " +
// location. The copy takes the source's configuration, not what the running
// CP holds for it, and goes before the location, into its compound.
void Engine::copyNew(Context& ctx, std::string_view arg) {
  const auto w = words(arg);
  const std::string_view name = word(w, 0), source = word(w, 1), type = word(w, 2),
                         location = word(w, 3);
  auto refuse = [&](const std::string& message) {
    ctx.reply(reply::blockRecord(reply::RecordLayout::AddCopy, "ERRCPYNEW", shown(location),
                                 shown(name), shown(type), message));
  };
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) return refuse(kNoSession);
  if (w.size() != 4) return refuse("CPYNEW needs a new name, a source, its type and a location");
  const std::string cpName = cp->name;

  std::string problem;
  const Compound* sourceCompound = nullptr;
  const Block* src = sourceBlock(plant_, *cp, source, type, "copied", sourceCompound, problem);
  if (!src) return refuse(problem);
  if (name.find(':') == std::string_view::npos)
    return refuse(shown(name) + ": a block's name is compound:block");
  const BlockName bn = splitBlockName(name);
  problem = nameProblem(bn.block, kBlockNameLimit, "block");
  const Compound* target =
      problem.empty() ? compoundOnCp(plant_, *cp, bn.compound, problem) : nullptr;
  Place place;
  if (target) problem = placeBlock(plant_, *cp, location, place);
  if (problem.empty() && place.compound != target)
    problem = shown(location) + " is not in compound " + target->name;
  if (problem.empty() && target->findBlock(bn.block))
    problem = std::string(name) + " already exists";
  if (!problem.empty()) return refuse(problem);

  // The copy takes its source's sequence source or ladder listing along.
  Block copy = *src;
  copy.name = bn.block;
  copy.runtime.clear();
  const PlantSize added = sizeOf(copy);
  if (const std::string why = growthRefused(cpName, added); !why.empty()) return refuse(why);
  const BlockType& blockType = copy.blockType();
  const Block& made =
      editCompound(cpName, bn.compound)->blocks.insert(place.before, std::move(copy));
  refs_.add(name, made.params);
  resized(cpName, added);
  logConn(ctx.conn.id, std::string(source) + " copied to " + std::string(name));
  ctx.reply(reply::blockRecord(reply::RecordLayout::AddCopy,
                               listShows(ctx.conn, blockType) ? "DNCPYNEW" : "DNCPYNEX", place.key,
                               name, blockType.name));
}

// "MOVEBLK:" + location + " " + source + " " + source type. The block goes
// before the location, into its compound; moved into another compound it
// takes that compound's name, and the record names it so.
void Engine::moveBlock(Context& ctx, std::string_view arg) {
  const auto w = words(arg);
  const std::string_view location = word(w, 0), source = word(w, 1), type = word(w, 2);
  auto refuse = [&](const std::string& message) {
    ctx.reply(reply::blockRecord(reply::RecordLayout::Move, "ERRMOVEBLK", shown(location),
                                 shown(source), shown(type), message));
  };
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) return refuse(kNoSession);
  if (w.size() != 3) return refuse("MOVEBLK needs a location, a source and its type");
  const std::string cpName = cp->name;

  std::string problem;
  const Compound* from = nullptr;
  const Block* src = sourceBlock(plant_, *cp, source, type, "moved", from, problem);
  if (!src) return refuse(problem);
  Place place;
  problem = placeBlock(plant_, *cp, location, place);
  if (!problem.empty()) return refuse(problem);
  const Compound* to = place.compound;
  if (to == from) {
    // Before itself or before the block that follows it: where it is now.
    const Block* next = from->blocks.next(src->name);
    if (place.before == src->name || place.before == (next ? next->name : std::string()))
      return refuse(std::string(source) + " is already at that place");
  }
  if (to != from && to->findBlock(src->name))
    return refuse(to->name + ":" + src->name + " already exists");

  const std::string blockName = src->name, fromName = from->name, toName = to->name;
  const std::string newName = toName + ":" + blockName;
  const BlockType& blockType = src->blockType();
  Block moving = editCompound(cpName, fromName)->blocks.take(blockName);
  refs_.remove(source, moving.params);
  refs_.add(newName, moving.params);
  editCompound(cpName, toName)->blocks.insert(place.before, std::move(moving));
  logConn(ctx.conn.id, std::string(source) + " moved to " + newName);

  // Connections keep the old name, as the configurator leaves them: the
  // engineer has to know which ones now point nowhere.
  const ReferenceIndex::Holders stale =
      fromName == toName ? ReferenceIndex::Holders() : refs_.holdersOf(source, 4);
  if (stale.count > 0) {
    ctx.reply(reply::blockRecord(
        reply::RecordLayout::Move, "WRNMOVEBLK", place.key, newName, blockType.name,
        std::string(source) + " is now " + newName + ", but " + std::to_string(stale.count) +
            (stale.count == 1 ? " connection still names it: " : " connections still name it: ") +
            listed(stale)));
    return;
  }
  ctx.reply(reply::blockRecord(reply::RecordLayout::Move,
                               listShows(ctx.conn, blockType) ? "DNMOVEBLK" : "DNMOVEBLX",
                               place.key, newName, blockType.name));
}

// "DELBLK:" + a block's "CMP:BLK" or a compound's name. A compound goes only
// once it is empty, counting the ECB and station blocks the list may hide.
void Engine::deleteBlock(Context& ctx, std::string_view arg) {
  const std::string_view name = text::trim(arg);
  auto refuse = [&](const std::string& message) { ctx.reply("ERRDELBLK" + message); };
  const Cp* cp = sessionCpOf(ctx.conn);
  if (!cp) return refuse(kNoSession);
  if (name.empty()) return refuse("DELBLK needs the name of a block or compound");
  if (name == kEndOfList) return refuse("the end of the list can not be deleted");
  const std::string cpName = cp->name;

  std::string problem;
  const BlockName bn = splitBlockName(name);
  const Compound* c = compoundOnCp(plant_, *cp, bn.compound, problem);
  if (!c) return refuse(problem);

  if (name.find(':') == std::string_view::npos) {
    if (!c->blocks.empty()) {
      const std::size_t n = c->blocks.size();
      return refuse("compound " + c->name + " still holds " + std::to_string(n) +
                    (n == 1 ? " block" : " blocks") +
                    " (ECB and station blocks count too): delete them first");
    }
    refs_.remove(c->name, c->params);
    resized(cpName, {}, sizeOf(*c));
    editCp(cpName)->compounds.erase(bn.compound);
    logConn(ctx.conn.id, "compound " + std::string(name) + " deleted");
    ctx.reply((listShows(ctx.conn, compoundType()) ? "DNDELBLK" : "DNDELBLX") + std::string(name));
    return;
  }

  if (isEndEntry(bn.block)) return refuse("an end entry can not be deleted");
  const Block* b = c->findBlock(bn.block);
  if (!b) return refuse(cp->name + " has no block " + shown(name));
  const BlockType& blockType = b->blockType();
  if (blockType.cls == TypeClass::Station)
    return refuse("the station block " + std::string(name) + " can not be deleted");
  refs_.remove(name, b->params);
  resized(cpName, {}, sizeOf(*b));
  editCompound(cpName, bn.compound)->blocks.erase(bn.block);
  logConn(ctx.conn.id, std::string(name) + " deleted");
  ctx.reply((listShows(ctx.conn, blockType) ? "DNDELBLK" : "DNDELBLX") + std::string(name));
}

}  // namespace tarvo::sim

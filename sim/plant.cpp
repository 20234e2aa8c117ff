#include "sim/plant.h"

#include <stdexcept>

namespace tarvo::sim {

namespace {
ParamList defaults(const BlockType& type) {
  ParamList params;
  params.reserve(type.params.size());
  for (const auto& d : type.params) params.push_back({d.name, d.defaultValue});
  return params;
}
}  // namespace

const std::string* findValue(const ParamList& params, std::string_view name) {
  for (const auto& p : params)
    if (p.name == name) return &p.value;
  return nullptr;
}

bool setValue(ParamList& params, std::string_view name, std::string value) {
  for (auto& p : params) {
    if (p.name == name) {
      p.value = std::move(value);
      return true;
    }
  }
  return false;
}

const BlockType& Block::blockType() const {
  const BlockType* t = findBlockType(type);
  if (!t) throw std::logic_error("block " + name + " has unknown type " + type);
  return *t;
}

const Cp* Plant::cpOfCompound(std::string_view compoundName) const {
  for (const auto& cp : cps)
    if (cp.findCompound(compoundName)) return &cp;
  return nullptr;
}

const Compound* Plant::findCompound(std::string_view compoundName) const {
  const Cp* cp = cpOfCompound(compoundName);
  return cp ? cp->findCompound(compoundName) : nullptr;
}

const Block* Plant::findBlock(std::string_view compoundName, std::string_view blockName) const {
  const Compound* c = findCompound(compoundName);
  return c ? c->findBlock(blockName) : nullptr;
}

std::size_t Plant::blockCount() const {
  std::size_t n = 0;
  for (const auto& cp : cps)
    for (const auto& c : cp.compounds) n += c.blocks.size();
  return n;
}

PlantSize& PlantSize::operator+=(const PlantSize& o) {
  blocks += o.blocks;
  compounds += o.compounds;
  sourceLines += o.sourceLines;
  sourceBytes += o.sourceBytes;
  valueBytes += o.valueBytes;
  return *this;
}

PlantSize& PlantSize::operator-=(const PlantSize& o) {
  blocks -= o.blocks;
  compounds -= o.compounds;
  sourceLines -= o.sourceLines;
  sourceBytes -= o.sourceBytes;
  valueBytes -= o.valueBytes;
  return *this;
}

std::size_t valueBytes(const ParamList& params) {
  std::size_t n = 0;
  for (const auto& p : params) n += p.value.size();
  return n;
}

PlantSize sizeOf(const Block& block) {
  PlantSize size{1, 0, block.source.size(), 0,
                 valueBytes(block.params) + valueBytes(block.runtime)};
  for (const auto& line : block.source) size.sourceBytes += line.size();
  return size;
}

PlantSize sizeOf(const Compound& compound) {
  PlantSize size{0, 1, 0, 0, valueBytes(compound.params)};
  for (const auto& b : compound.blocks) size += sizeOf(b);
  return size;
}

PlantSize sizeOf(const Cp& cp) {
  PlantSize size;
  for (const auto& c : cp.compounds) size += sizeOf(c);
  return size;
}

PlantSize sizeOf(const Plant& plant) {
  PlantSize size;
  for (const auto& cp : plant.cps) size += sizeOf(cp);
  return size;
}

Block makeBlock(std::string name, std::string type) {
  const BlockType* t = findBlockType(type);
  if (!t || t->cls == TypeClass::Compound) throw std::invalid_argument("no block type " + type);
  Block b;
  b.name = std::move(name);
  b.type = std::move(type);
  b.params = defaults(*t);
  return b;
}

Compound makeCompound(std::string name, std::string description) {
  Compound c;
  c.name = std::move(name);
  c.params = defaults(compoundType());
  setValue(c.params, "DESCRP", std::move(description));
  return c;
}

BlockName splitBlockName(std::string_view name) {
  const auto colon = name.find(':');
  if (colon == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, colon)), std::string(name.substr(colon + 1))};
}

}  // namespace tarvo::sim

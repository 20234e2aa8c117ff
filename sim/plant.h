// The configuration the simulator serves: CPs and workstation volumes, their
// compounds, and the blocks of each compound with their parameters.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/catalogue.h"
#include "sim/named_list.h"

namespace tarvo::sim {

struct Param {
  std::string name;
  std::string value;
  friend bool operator==(const Param&, const Param&) = default;
};

// Parameters in catalogue order. NAME and TYPE are not stored: they come from
// the owner's name and type, so they can never disagree with them.
using ParamList = std::vector<Param>;

const std::string* findValue(const ParamList& params, std::string_view name);
bool setValue(ParamList& params, std::string_view name, std::string value);

struct Block {
  std::string name;
  std::string type;
  ParamList params;
  // Values the running CP holds that differ from the configuration (tuning
  // done at an operator display). Upload takes them into params;
  // initialize throws them away.
  ParamList runtime;
  // Sequence source (sequence blocks) or ladder listing (PLB), one entry per
  // line without its line end: the plant file keeps one line per entry.
  std::vector<std::string> source;

  const BlockType& blockType() const;  // the type must be a catalogue type
  friend bool operator==(const Block&, const Block&) = default;
};

struct Compound {
  std::string name;
  ParamList params;
  NamedList<Block> blocks;

  const Block* findBlock(std::string_view blockName) const { return blocks.find(blockName); }
  friend bool operator==(const Compound&, const Compound&) = default;
};

enum class CpKind { ControlProcessor, WorkstationVolume };

struct Cp {
  std::string name;  // at most 6 characters
  CpKind kind = CpKind::ControlProcessor;
  std::string model;  // e.g. FCP280
  std::string description;
  // A station outside this simulator that holds the CP's configurator;
  // empty when none does. Cleared when a client takes the lock over.
  std::string heldBy;
  // A checkpoint started elsewhere is running: nobody can open the CP.
  bool checkpointBusy = false;
  NamedList<Compound> compounds;

  const Compound* findCompound(std::string_view compoundName) const {
    return compounds.find(compoundName);
  }
  friend bool operator==(const Cp&, const Cp&) = default;
};

// A plant is a value: a copy is independent of the original, yet costs only
// the sharing of its CPs (see NamedList), whatever the plant's size.
struct Plant {
  NamedList<Cp> cps;

  const Cp* findCp(std::string_view name) const { return cps.find(name); }
  // Compound names are unique across the plant. Looks the name up in each
  // CP: clients add compounds and blocks, never CPs.
  const Cp* cpOfCompound(std::string_view compoundName) const;
  const Compound* findCompound(std::string_view compoundName) const;
  const Block* findBlock(std::string_view compoundName, std::string_view blockName) const;
  std::size_t blockCount() const;
  friend bool operator==(const Plant&, const Plant&) = default;
};

// What a block, compound, CP or plant holds, as the server's limits count it.
struct PlantSize {
  std::size_t blocks = 0;
  std::size_t compounds = 0;
  std::size_t sourceLines = 0;  // of sequence sources and PLB listings
  std::size_t sourceBytes = 0;  // their text, line ends not counted
  std::size_t valueBytes = 0;   // of parameter values, configured and tuned at the CP

  PlantSize& operator+=(const PlantSize& o);
  PlantSize& operator-=(const PlantSize& o);
  friend bool operator==(const PlantSize&, const PlantSize&) = default;
};
std::size_t valueBytes(const ParamList& params);
PlantSize sizeOf(const Block& block);
PlantSize sizeOf(const Compound& compound);  // the compound and its blocks
PlantSize sizeOf(const Cp& cp);
PlantSize sizeOf(const Plant& plant);

// A block of a catalogue type with every parameter at its default. Throws
// std::invalid_argument for a type the catalogue does not know.
Block makeBlock(std::string name, std::string type);
Compound makeCompound(std::string name, std::string description = {});

// A "CMP:BLK" name split at its first colon; a name without a colon is a
// compound's own.
struct BlockName {
  std::string compound;
  std::string block;  // empty for a compound
};
BlockName splitBlockName(std::string_view name);

}  // namespace tarvo::sim

// The block types the simulated configurator knows, with the configurable
// parameters of each and the rules a value must meet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvo::sim {

enum class ParamKind {
  Text,        // free text up to maxLen characters; longer text is cut
  Integer,     // whole number in [min, max]; a fraction is rounded
  Real,        // number in [min, max]
  Switch,      // exactly "0" or "1"
  Connection,  // "CMP:BLK.PARAM", or empty for no connection
  BlockRef,    // "CMP:BLK", or empty
  Mixed,       // a number in [min, max], a connection, or empty
  Step,        // one instruction of a step list, or empty
};

struct ParamDef {
  std::string name;  // at most 6 characters
  ParamKind kind = ParamKind::Text;
  double min = 0;
  double max = 0;
  std::size_t maxLen = 0;  // Text only
  std::string defaultValue;
};

enum class TypeClass { Compound, Io, Control, Calculation, Timer, Sequence, Plb, Ecb, Station };

struct BlockType {
  std::string name;
  TypeClass cls = TypeClass::Calculation;
  std::vector<ParamDef> params;      // in listing order, without NAME and TYPE
  std::vector<std::string> outputs;  // connectable values computed at run time

  // ECB and station blocks appear only in the full block list.
  bool ecbOrStation() const { return cls == TypeClass::Ecb || cls == TypeClass::Station; }
  bool sequence() const { return cls == TypeClass::Sequence; }
  const ParamDef* param(std::string_view paramName) const;
  // A parameter or an output of this type: what a connection may name.
  bool hasSource(std::string_view paramName) const;
};

// Every type, "COMPND" included, sorted by name.
const std::vector<BlockType>& blockTypes();
const BlockType* findBlockType(std::string_view name);
const BlockType& compoundType();

enum class Verdict { Accepted, Adjusted, Refused };

struct ValueCheck {
  Verdict verdict = Verdict::Accepted;
  std::string value;    // the value to store (Accepted, Adjusted)
  std::string message;  // why it was adjusted or refused
};

// Checks one value for one parameter on its own. Checks that need the plant
// (does a connected block exist) or other parameters (high scale above low)
// are the caller's.
ValueCheck checkValue(const ParamDef& def, std::string_view value);

// Splits a connection "CMP:BLK.PARAM" or a block reference "CMP:BLK".
struct Reference {
  std::string compound, block, param;
};
bool parseReference(std::string_view value, bool withParam, Reference& out);

// Name rules of the configuration: letters, digits and "_", first character
// not a digit, within the length limit.
bool validCpName(std::string_view name);        // up to 6
bool validCompoundName(std::string_view name);  // up to 12
bool validBlockName(std::string_view name);     // up to 12

}  // namespace tarvo::sim

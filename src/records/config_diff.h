#pragma once
// A CP's configuration as a file of block,parameter,value rows (what `tarvoctl dump`
// writes and `tarvoctl apply` reads), and its comparison with the live values.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tarvo::records {

// The heading row of a configuration file.
inline constexpr std::string_view kConfigHeading = "block,parameter,value";

// One row of a configuration file as CSV (csvRecord(), values a spreadsheet would run as
// a formula defused), the wire's Latin-1 names and value written as UTF-8.
std::string configRow(std::string_view block, std::string_view param, std::string_view value);

struct ConfigEntry {
  std::string block;  // "CMP:BLK", or a compound's name; upper case
  std::string param;  // upper case
  std::string value;  // wire text (Latin-1)
  std::size_t line = 0;
};

struct ConfigFile {
  std::vector<ConfigEntry> rows;    // in file order
  std::vector<std::string> errors;  // "line N: ...", at most a few
  // The rows of each block, in file order, and the blocks in the order they first appear.
  std::unordered_map<std::string, std::vector<std::size_t>> rowsOf;
  std::vector<std::string> blocks;
};

// Reads a configuration file: UTF-8 (with or without its byte order mark) or 8-bit text
// throughout, a first row that names the columns and empty rows passed over, every other
// row three fields. A "'" that defused a value is taken off again (csvValue()). Names are
// upper-cased, as the server's are. Malformed text is reported by line.
ConfigFile parseConfigFile(std::string_view bytes);

// A block of the live CP with its parameters in the order the server lists them.
struct LiveBlock {
  std::string name;  // "CMP:BLK", or a compound's name
  std::vector<std::pair<std::string, std::string>> params;
};

enum class ConfigDiffKind {
  ValueDiffers,     // the parameter's live value is not the file's
  NoSuchParameter,  // the file names a parameter the live block does not have
  BlockNotInCp,     // the file holds a block the CP lacks
  BlockNotInFile,   // the CP holds a block of a compound the file covers, the file lacks it
};

struct ConfigDifference {
  ConfigDiffKind kind = ConfigDiffKind::ValueDiffers;
  std::string block;
  std::string param;      // ValueDiffers, NoSuchParameter
  std::string fileValue;  // ValueDiffers, NoSuchParameter
  std::string liveValue;  // ValueDiffers
  std::size_t line = 0;   // the file's line; 0 for BlockNotInFile
};

// What differs between the file and the live CP: the live blocks in plant order, each with
// its parameters in file order, then the file's blocks the CP lacks in file order. A block
// the file lacks counts only when the file holds a row of its compound (of the compound
// itself or of one of its blocks): a file may hold part of a CP. Parameters the file does
// not name are not compared. Linear in the file and the CP.
std::vector<ConfigDifference> compareConfig(const ConfigFile& file,
                                            const std::vector<LiveBlock>& live);

// One block against the file, as the parameter editor compares it: its parameters that
// differ from the file's, or one BlockNotInFile when the file holds no row of it.
std::vector<ConfigDifference> compareBlock(const ConfigFile& file, const LiveBlock& block);

// The compound a block belongs to: the text before its colon, or the name of a compound.
std::string_view compoundOf(std::string_view block);

}  // namespace tarvo::records

// The plant file: a line-based text form of a Plant, read at start and
// written by a checkpoint.
//
//   TARVO-SIM-PLANT 1                      header: magic word and format version
//   # comment                              ignored, as are blank lines
//   CP <name> <CP|VOLUME> <model>          starts a CP or workstation volume
//     CPDESC <text>                        its description
//     HELDBY <station>                     configurator held by another station
//     CHECKPOINTING                        a checkpoint is in progress
//     COMPOUND <name>                      starts a compound of the current CP
//       PARAM <name> <value>               parameter of the compound ...
//       BLOCK <name> <type>                starts a block of the current compound
//         PARAM <name> <value>             ... or of the current block
//         RUN <name> <value>               value held by the running CP
//         SOURCE <text>                    one line of sequence source / ladder
//   END                                    last line: a cut-off file is refused
//
// Indentation is for reading only. A value is the rest of the line after the
// single blank that follows the parameter name, and may be empty; SOURCE keeps
// its text exactly, leading blanks included. Parameters left out take their
// defaults. NAME and TYPE are never written: they come from the BLOCK line.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "sim/plant.h"

namespace tarvo::sim {

inline constexpr std::string_view kPlantFileMagic = "TARVO-SIM-PLANT";
inline constexpr int kPlantFileVersion = 1;

std::string writePlantText(const Plant& plant);

struct PlantReadResult {
  std::optional<Plant> plant;
  std::size_t errorLine = 0;  // 1-based; 0 when the error is not tied to a line
  std::string error;
};

PlantReadResult readPlantText(std::string_view text);

// Reads a plant file one line at a time, so that a file is never held whole.
// Any control character but TAB refuses the file: its text goes out in
// replies and into the log.
class PlantReader {
 public:
  // The next line, without its line end (a CR before it is dropped). Returns
  // false once the file is known to be bad; further lines are ignored.
  bool addLine(std::string_view line);
  // After the last line: the plant, or where and why the file is bad.
  PlantReadResult finish();

 private:
  void fail(std::string message);
  bool failed(std::string message) {
    fail(std::move(message));
    return false;
  }
  bool header(std::string_view line);
  bool record(std::string_view line);
  bool needCp(std::string_view keyword);
  Cp* cp();
  Compound* compound();
  Block* block();
  bool cpRecord(std::string_view rest);
  bool compoundRecord(std::string_view rest);
  bool blockRecord(std::string_view rest);
  bool paramRecord(std::string_view rest, bool runtime);

  Plant plant_;
  std::set<std::string, std::less<>> compoundNames_;
  bool compoundOpen_ = false;
  bool block_ = false;
  bool ended_ = false;
  bool failed_ = false;
  std::size_t lineNo_ = 0;
  PlantReadResult result_;
};

}  // namespace tarvo::sim

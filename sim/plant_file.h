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
#include <string>
#include <string_view>

#include "plant.h"

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

}  // namespace tarvo::sim

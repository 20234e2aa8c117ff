// Reading and writing the plant file on disk.
#pragma once

#include <QString>
#include <optional>

#include "plant.h"

namespace tarvo::sim {

struct PlantLoad {
  std::optional<Plant> plant;
  QString error;  // "<path>:<line>: <what is wrong>" when plant is empty
};

PlantLoad loadPlantFile(const QString& path);

// Writes the whole file or nothing: the text goes to a temporary file that
// replaces the old one only once it is complete. Returns "" on success,
// otherwise why it failed.
QString savePlantFile(const QString& path, const Plant& plant);

}  // namespace tarvo::sim

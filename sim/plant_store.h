// Reading and writing the plant file on disk.
#pragma once

#include <QString>
#include <optional>

#include "sim/plant.h"

namespace tarvo::sim {

// Far beyond any real plant; what a wrong --data can make the program read.
inline constexpr qint64 kMaxPlantFileBytes = 64 * 1024 * 1024;
// A line holds one record; the longest is a SOURCE line.
inline constexpr qint64 kMaxPlantLineBytes = 1024 * 1024;

struct PlantLoad {
  std::optional<Plant> plant;
  QString error;  // "<path>:<line>: <what is wrong>" when plant is empty
};

// Reads a regular file of at most maxBytes, line by line. Anything else (a
// directory, a FIFO, a device) is refused before it is opened.
PlantLoad loadPlantFile(const QString& path, qint64 maxBytes = kMaxPlantFileBytes);

// Writes the whole file or nothing: the text goes to a temporary file that
// replaces the old one only once it is complete. A plant whose text loadPlantFile
// would refuse for its size (over maxBytes, or a line over kMaxPlantLineBytes)
// is not written: the old file stays, and the next start still loads. Returns
// "" on success, otherwise why it failed.
QString savePlantFile(const QString& path, const Plant& plant,
                      qint64 maxBytes = kMaxPlantFileBytes);

}  // namespace tarvo::sim

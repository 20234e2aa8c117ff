// Built-in plants: the demo plant served by default, and plants of any size
// for tests and benchmarks.
#pragma once

#include <cstddef>

#include "sim/plant.h"

namespace tarvo::sim {

// Four CPs and a workstation volume:
//   CP6001  boiler house: BOILER, FEEDWT (+ station and ECB compounds)
//   CP6002  turbine hall: TURBIN, PLANT
//   CP6003  water treatment, its configurator held by station AW5102
//   CP6004  fuel handling, a checkpoint in progress
//   AW5101  workstation volume: REPORT
Plant buildDemoPlant();

// One CP "CP9001" with blockCount process blocks (AIN, PID, AOUT, CALC in
// turn, each controller wired to its measurement and valve) spread over
// compounds of blocksPerCompound blocks, plus its station and ECB compounds.
Plant buildScalePlant(std::size_t blockCount, std::size_t blocksPerCompound = 40);

}  // namespace tarvo::sim

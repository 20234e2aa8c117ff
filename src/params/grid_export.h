#pragma once
// The parameter editor's grid as a spreadsheet.
#include <string>

#include "params/param_grid.h"

namespace tarvo::params {

// CSV with the heading "parameter,original value,new value,changed": one row per
// parameter in grid order, "yes" or "no" for the red mark. Texts stay Latin-1.
std::string gridCsv(const ParamGrid& grid);

}  // namespace tarvo::params

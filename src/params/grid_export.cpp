#include "params/grid_export.h"

#include "records/csv.h"

namespace tarvo::params {

std::string gridCsv(const ParamGrid& grid) {
  std::string out = records::csvRecord({"parameter", "original value", "new value", "changed"});
  for (int r = 1; r <= grid.parameterCount(); ++r) {
    const GridRow& row = grid.row(r);
    out += records::csvRecord({row.name, row.original, row.newValue, row.changed ? "yes" : "no"});
  }
  return out;
}

}  // namespace tarvo::params

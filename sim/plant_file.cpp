#include "sim/plant_file.h"

#include <set>
#include <vector>

#include "sim/text.h"

namespace tarvo::sim {

namespace {

void writeParams(std::string& out, const ParamList& params, const BlockType& type,
                 const char* indent) {
  for (const auto& p : params) {
    const ParamDef* def = type.param(p.name);
    if (def && def->defaultValue == p.value) continue;
    out += indent;
    out += "PARAM ";
    out += p.name;
    out += ' ';
    out += p.value;
    out += '\n';
  }
}

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const std::size_t start = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

// "NAME rest": the first word, and what follows the one blank after it.
std::pair<std::string_view, std::string_view> headAndRest(std::string_view s) {
  const auto blank = s.find(' ');
  if (blank == std::string_view::npos) return {s, {}};
  return {s.substr(0, blank), s.substr(blank + 1)};
}

}  // namespace

bool PlantReader::addLine(std::string_view line) {
  if (failed_) return false;
  ++lineNo_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (lineNo_ == 1) return header(line);
  // What the file holds goes out in replies and into the log; a TAB is
  // only a blank here.
  if (text::hasControlCharButTab(line)) return failed("the line holds a control character");
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (text::trim(line).empty() || line.front() == '#') return true;
  if (ended_) return failed("text after END");
  if (text::trim(line) == "END") {
    ended_ = true;
    return true;
  }
  return record(line);
}

PlantReadResult PlantReader::finish() {
  if (failed_) return std::move(result_);
  if (lineNo_ == 0) {
    lineNo_ = 1;
    header({});
    return std::move(result_);
  }
  if (!ended_) {
    lineNo_ = 0;
    fail("the file ends without its END line (cut off?)");
    return std::move(result_);
  }
  result_.plant = std::move(plant_);
  return std::move(result_);
}

void PlantReader::fail(std::string message) {
  failed_ = true;
  result_.plant.reset();
  result_.errorLine = lineNo_;
  result_.error = std::move(message);
}

bool PlantReader::header(std::string_view line) {
  const auto w = words(line);
  if (w.size() != 2 || w[0] != kPlantFileMagic) {
    fail("not a tarvo-sim plant file (the first line must read " + std::string(kPlantFileMagic) +
         " " + std::to_string(kPlantFileVersion) + ")");
    return false;
  }
  if (w[1] != std::to_string(kPlantFileVersion)) {
    fail("plant file version " + text::forLog(w[1], 20) +
         " is not supported (this program reads version " + std::to_string(kPlantFileVersion) +
         ")");
    return false;
  }
  return true;
}

bool PlantReader::record(std::string_view line) {
  const auto [keyword, rest] = headAndRest(line);
  if (keyword == "CP") return cpRecord(rest);
  if (keyword == "CPDESC") {
    if (!needCp(keyword)) return false;
    cp()->description = std::string(text::trim(rest));
    return true;
  }
  if (keyword == "HELDBY") {
    if (!needCp(keyword)) return false;
    cp()->heldBy = std::string(text::trim(rest));
    if (cp()->heldBy.empty()) return failed("HELDBY needs a station name");
    return true;
  }
  if (keyword == "CHECKPOINTING") {
    if (!needCp(keyword)) return false;
    cp()->checkpointBusy = true;
    return true;
  }
  if (keyword == "COMPOUND") return compoundRecord(rest);
  if (keyword == "BLOCK") return blockRecord(rest);
  if (keyword == "PARAM") return paramRecord(rest, false);
  if (keyword == "RUN") return paramRecord(rest, true);
  if (keyword == "SOURCE") {
    if (!block_) return failed("SOURCE outside a BLOCK");
    block()->source.emplace_back(rest);
    return true;
  }
  return failed("unknown record " + std::string(keyword));
}

bool PlantReader::needCp(std::string_view keyword) {
  if (plant_.cps.empty()) return failed(std::string(keyword) + " before the first CP");
  return true;
}

Cp* PlantReader::cp() {
  return &plant_.cps.editBack();
}
Compound* PlantReader::compound() {
  return &cp()->compounds.editBack();
}
Block* PlantReader::block() {
  return &compound()->blocks.editBack();
}

bool PlantReader::cpRecord(std::string_view rest) {
  const auto w = words(rest);
  if (w.size() != 3) return failed("CP needs a name, CP or VOLUME, and a model");
  if (!validCpName(w[0])) return failed("bad CP name " + std::string(w[0]));
  if (plant_.findCp(w[0])) return failed("CP " + std::string(w[0]) + " appears twice");
  Cp cp;
  cp.name = std::string(w[0]);
  if (w[1] == "CP")
    cp.kind = CpKind::ControlProcessor;
  else if (w[1] == "VOLUME")
    cp.kind = CpKind::WorkstationVolume;
  else
    return failed("CP kind must be CP or VOLUME, not " + std::string(w[1]));
  cp.model = std::string(w[2]);
  plant_.cps.push_back(std::move(cp));
  compoundOpen_ = false;
  block_ = false;
  return true;
}

bool PlantReader::compoundRecord(std::string_view rest) {
  if (!needCp("COMPOUND")) return false;
  const auto w = words(rest);
  if (w.size() != 1 || !validCompoundName(w[0]))
    return failed("bad compound name " + std::string(rest));
  if (!compoundNames_.insert(std::string(w[0])).second)
    return failed("compound " + std::string(w[0]) + " appears twice");
  cp()->compounds.push_back(makeCompound(std::string(w[0])));
  compoundOpen_ = true;
  block_ = false;
  return true;
}

bool PlantReader::blockRecord(std::string_view rest) {
  if (!compoundOpen_) return failed("BLOCK outside a COMPOUND");
  const auto w = words(rest);
  if (w.size() != 2) return failed("BLOCK needs a name and a type");
  if (!validBlockName(w[0])) return failed("bad block name " + std::string(w[0]));
  const BlockType* type = findBlockType(w[1]);
  if (!type || type->cls == TypeClass::Compound)
    return failed("unknown block type " + std::string(w[1]));
  if (compound()->findBlock(w[0]))
    return failed("block " + compound()->name + ":" + std::string(w[0]) + " appears twice");
  compound()->blocks.push_back(makeBlock(std::string(w[0]), std::string(w[1])));
  block_ = true;
  return true;
}

bool PlantReader::paramRecord(std::string_view rest, bool runtime) {
  const char* what = runtime ? "RUN" : "PARAM";
  if (runtime && !block_) return failed("RUN outside a BLOCK");
  if (!compoundOpen_) return failed(std::string(what) + " outside a COMPOUND or BLOCK");
  const auto [name, value] = headAndRest(rest);
  if (name.empty()) return failed(std::string(what) + " needs a parameter name");
  if (name == "NAME" || name == "TYPE")
    return failed("NAME and TYPE come from the BLOCK or COMPOUND line");
  const BlockType& type = block_ ? block()->blockType() : compoundType();
  const ParamDef* def = type.param(name);
  if (!def) return failed(type.name + " has no parameter " + std::string(name));
  const ValueCheck check = checkValue(*def, value);
  if (check.verdict == Verdict::Refused) return failed(check.message);
  if (runtime) {
    if (!setValue(block()->runtime, name, check.value))
      block()->runtime.push_back({std::string(name), check.value});
  } else {
    ParamList& params = block_ ? block()->params : compound()->params;
    setValue(params, name, check.value);
  }
  return true;
}

std::string writePlantText(const Plant& plant) {
  std::string out;
  out += std::string(kPlantFileMagic) + " " + std::to_string(kPlantFileVersion) + "\n";
  out += "# tarvo-sim plant; parameters not listed have their default values\n";
  for (const auto& cp : plant.cps) {
    out += "CP " + cp.name + (cp.kind == CpKind::WorkstationVolume ? " VOLUME " : " CP ") +
           cp.model + "\n";
    if (!cp.description.empty()) out += "  CPDESC " + cp.description + "\n";
    if (!cp.heldBy.empty()) out += "  HELDBY " + cp.heldBy + "\n";
    if (cp.checkpointBusy) out += "  CHECKPOINTING\n";
    for (const auto& c : cp.compounds) {
      out += "  COMPOUND " + c.name + "\n";
      writeParams(out, c.params, compoundType(), "    ");
      for (const auto& b : c.blocks) {
        out += "    BLOCK " + b.name + " " + b.type + "\n";
        writeParams(out, b.params, b.blockType(), "      ");
        for (const auto& r : b.runtime) out += "      RUN " + r.name + " " + r.value + "\n";
        for (const auto& s : b.source) out += "      SOURCE " + s + "\n";
      }
    }
  }
  out += "END\n";
  return out;
}

PlantReadResult readPlantText(std::string_view text) {
  PlantReader reader;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (!reader.addLine(text.substr(start, end - start))) break;
    start = end + 1;
  }
  return reader.finish();
}

}  // namespace tarvo::sim

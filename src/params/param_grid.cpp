#include "params/param_grid.h"

#include <algorithm>
#include <map>
#include <utility>

#include "link/columns.h"
#include "params/param_protocol.h"

namespace tarvo::params {

namespace {

GridRow headerRow() {
  GridRow header;
  header.name = "Parameter";
  header.original = "Orig Value";
  header.newValue = "New Value";
  return header;
}

// 0/1 switches: the entry offers "0" and "1" and any other value the row holds.
bool isSwitchParameter(std::string_view name) {
  return name == "MA" || name == "INITMA" || name == "IOMOPT";
}

// Whether a value reads as the number 0 or 1 under a lenient conversion: leading blanks,
// an optional sign, digits and an optional fraction, stopping at the first other
// character; text without digits reads as 0. Such values are already covered by the
// fixed "0" and "1" items.
bool readsAsZeroOrOne(std::string_view s) {
  bool negative = false;
  std::size_t i = numberStart(s, negative);
  int whole = 0;  // saturates at 2: anything above 1 is simply "not 0 or 1"
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    whole = std::min(2, whole * 10 + (s[i] - '0'));
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      if (s[i] != '0') return false;
    }
  }
  return whole == 0 || (whole == 1 && !negative);
}

}  // namespace

ParamGrid::ParamGrid() {
  startList();
}

void ParamGrid::startList() {
  rows_.clear();
  rows_.push_back(headerRow());
  rows_.emplace_back();
  current_ = 1;
  editRow_ = 0;
  editRowTakesEntry_ = false;
  chgFlag_ = false;
  compared_ = false;
  entry_ = ValueEntry{};
}

bool ParamGrid::addParameterLine(std::string_view line) {
  const ParamLine p = parseParamLine(line);
  // A blank name would still push later rows down past the blank last row if it took a
  // place; it is simply not a parameter.
  if (p.name.empty()) return false;
  addParameter(p.name, p.value);
  return true;
}

void ParamGrid::addParameter(std::string_view name, std::string_view value) {
  GridRow r;
  r.name = std::string(name);
  r.original = std::string(value);
  rows_.insert(rows_.end() - 1, std::move(r));
}

void ParamGrid::listDone() {
  if (parameterCount() >= 1) current_ = 2;
}

const GridRow& ParamGrid::row(int r) const {
  static const GridRow kNone{};
  if (r < 0 || r >= rowCount()) return kNone;
  return rows_[static_cast<std::size_t>(r)];
}

std::string ParamGrid::effectiveValue(int r) const {
  const GridRow& g = row(r);
  return g.changed ? g.newValue : g.original;
}

void ParamGrid::setCurrentRow(int r) {
  current_ = std::clamp(r, 0, rowCount() - 1);
}

void ParamGrid::clickRow(int r) {
  setCurrentRow(r);
  chooseEditRow();
}

void ParamGrid::chooseEditRow() {
  if (editRow_ > 0) commitEntry();
  if (rowCount() < 3) return;      // no parameters: nothing can be chosen
  if (current_ < 2) current_ = 2;  // the header and the first parameter are never chosen
  if (current_ > rowCount() - 1) current_ = rowCount() - 1;

  std::string name(trimBlanks(rows_[static_cast<std::size_t>(current_)].name));
  if (name.empty()) {  // the blank last row stands for the last parameter
    --current_;
    name = std::string(trimBlanks(rows_[static_cast<std::size_t>(current_)].name));
  }
  editRow_ = current_;
  GridRow& g = rows_[static_cast<std::size_t>(editRow_)];
  const std::string original = g.original;
  const std::string newValue = g.newValue;
  g.editing = true;

  if (name == "TYPE" || name.empty()) {
    entry_.visible = false;
    editRowTakesEntry_ = false;
  } else {
    editRowTakesEntry_ = true;
    entry_.items.clear();
    entry_.visible = true;
    entry_.caption = name;
    // A row marked changed offers its new value even when that is empty: taking the
    // original instead would undo the user's change at the next commit, unseen.
    const bool edited = g.changed;
    if (isSwitchParameter(name)) {
      entry_.items = {"0", "1"};
      if (edited && !readsAsZeroOrOne(newValue)) entry_.items.push_back(newValue);
      if (!original.empty() && !readsAsZeroOrOne(original)) entry_.items.push_back(original);
      setEntryText(edited ? newValue : original);
    } else if (!edited) {
      entry_.items = {original, ""};
      setEntryText(original);
    } else {
      entry_.items = {newValue, original};
      setEntryText(newValue);
    }
  }
  entry_.stepButtonsEnabled = name.starts_with("STEP");
}

void ParamGrid::entryEdited(std::string_view text) {
  entry_.text = std::string(text);
  chgFlag_ = true;
}

void ParamGrid::entryUsed() {
  chgFlag_ = true;
}

void ParamGrid::setEntryText(std::string text) {
  entry_.text = std::move(text);
  chgFlag_ = true;
}

void ParamGrid::commitEntry() {
  // With no row chosen (an empty list, or after Cancel) there is nothing to write into.
  if (editRow_ < 1 || editRow_ > rowCount() - 1) return;
  const int returnRow = current_;
  current_ = editRow_;
  GridRow& g = rows_[static_cast<std::size_t>(editRow_)];
  g.editing = false;
  // A row chosen with the entry hidden takes nothing from it: the entry still holds
  // whatever an earlier row left there (often the "" of the last commit).
  if (!editRowTakesEntry_) chgFlag_ = false;
  if (chgFlag_) {
    chgFlag_ = false;
    const std::string text = entry_.text;
    if ((g.changed && text != g.newValue) || (!g.changed && text != g.original)) {
      g.newValue = text;
      markRowChanged();
    }
    if (text == g.original) {  // back to where it started: no longer an edit
      g.newValue.clear();
      g.changed = false;
    }
    if (returnRow != editRow_) {
      current_ = returnRow;
      setEntryText("");
    }
    entry_.visible = false;
  }
  current_ = returnRow;
}

void ParamGrid::markRowChanged() {
  if (current_ >= 0 && current_ < rowCount())
    rows_[static_cast<std::size_t>(current_)].changed = true;
}

int ParamGrid::scrollTopFor(int r) const {
  // Row 0 is the fixed header; the first row that can scroll to the top is row 1.
  return std::clamp(r - 5, 1, std::max(1, rowCount() - 1));
}

EnterMove ParamGrid::pressEnter() {
  entryUsed();
  commitEntry();
  if (current_ + 1 < rowCount()) ++current_;
  const EnterMove move{current_, scrollTopFor(current_)};
  chooseEditRow();
  return move;
}

void ParamGrid::deleteStep() {
  const int c = current_;
  if (!isParameterRow(c)) return;
  for (int i = c; i <= rowCount() - 2; ++i) {
    current_ = i;
    // Row i + 1 has not been rewritten yet, so its effective value is still its own.
    rows_[static_cast<std::size_t>(i)].newValue = effectiveValue(i + 1);
    markRowChanged();
  }
  current_ = c;
  setEntryText(rows_[static_cast<std::size_t>(c)].newValue);
}

void ParamGrid::addStep() {
  const int c = current_;
  if (!isParameterRow(c)) return;
  for (int i = rowCount() - 2; i >= c + 1; --i) {
    current_ = i;
    // Going upwards, row i - 1 still holds its own value when row i reads it.
    rows_[static_cast<std::size_t>(i)].newValue = effectiveValue(i - 1);
    markRowChanged();
  }
  rows_[static_cast<std::size_t>(c)].newValue.clear();
  current_ = c;
  markRowChanged();
  setEntryText("");
}

bool ParamGrid::isTakeableRow(int r) const {
  return r >= 2 && r <= rowCount() - 2 &&
         trimBlanks(rows_[static_cast<std::size_t>(r)].name) != "TYPE";
}

FileComparison ParamGrid::compareWithFile(
    const std::vector<std::pair<std::string, std::string>>& values) {
  // Names go to the server in capitals; a file written by hand may not have them so.
  auto key = [](std::string_view name) {
    std::string k(trimBlanks(name));
    for (char& c : k)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return k;
  };
  std::map<std::string, std::size_t, std::less<>> fromFile;  // name -> index in `values`
  std::vector<std::string> order;
  for (std::size_t i = 0; i < values.size(); ++i) {
    auto [it, added] = fromFile.insert_or_assign(key(values[i].first), i);
    if (added) order.push_back(it->first);
  }
  FileComparison found;
  std::map<std::string, bool, std::less<>> listed;
  for (int r = 1; r <= rowCount() - 2; ++r) {
    GridRow& g = rows_[static_cast<std::size_t>(r)];
    const std::string name = key(g.name);
    listed.emplace(name, true);
    g.fileValue.reset();
    g.differs = false;
    const auto it = fromFile.find(name);
    if (it == fromFile.end()) continue;
    g.fileValue = values[it->second].second;
    g.differs = *g.fileValue != g.original;
    ++found.compared;
    if (g.differs) ++found.differing;
  }
  for (const std::string& name : order)
    if (!listed.contains(name)) found.notInBlock.push_back(name);
  compared_ = true;
  return found;
}

bool ParamGrid::wouldTake(int r) const {
  const GridRow& g = rows_[static_cast<std::size_t>(r)];
  return g.differs && g.fileValue && isTakeableRow(r) && !(g.changed && g.newValue == *g.fileValue);
}

std::size_t ParamGrid::takeableCount() const {
  std::size_t n = 0;
  for (int r = 2; r <= rowCount() - 2; ++r) n += wouldTake(r) ? 1 : 0;
  return n;
}

std::size_t ParamGrid::takeFileValues() {
  std::vector<int> rows;
  for (int r = 2; r <= rowCount() - 2; ++r)
    if (wouldTake(r)) rows.push_back(r);
  if (rows.empty()) return 0;
  // What the user typed for the row being edited counts first; the file's value of that
  // row then overrides it, as it does every other.
  const int edited = editRow_;
  if (edited > 0) commitEntry();
  for (const int r : rows) {
    GridRow& g = rows_[static_cast<std::size_t>(r)];
    g.newValue = *g.fileValue;
    g.changed = true;
  }
  // The entry still shows what the row being edited held before: it is shown afresh, so
  // that the next commit does not write the old text over the value taken.
  if (edited > 0) {
    const int current = current_;
    current_ = edited;
    editRow_ = 0;
    chooseEditRow();
    current_ = current;
  }
  return rows.size();
}

std::vector<std::string> ParamGrid::untakeableDifferences() const {
  std::vector<std::string> names;
  for (int r = 1; r <= rowCount() - 2; ++r) {
    const GridRow& g = rows_[static_cast<std::size_t>(r)];
    if (g.differs && !isTakeableRow(r)) names.push_back(g.name);
  }
  return names;
}

void ParamGrid::dropEditRow() {
  editRow_ = 0;
}

std::vector<std::string> ParamGrid::submission(std::string_view block) const {
  std::vector<std::string> commands;
  for (int r = 1; r < rowCount(); ++r) {
    const GridRow& g = rows_[static_cast<std::size_t>(r)];
    if (!g.changed) continue;
    if (commands.empty()) commands.push_back(modStartCommand(block));
    commands.push_back(modParmCommand(g.name, g.newValue));
  }
  if (!commands.empty()) commands.push_back(modEndCommand(block));
  return commands;
}

}  // namespace tarvo::params

#pragma once
// The parameter editor's grid and value entry as plain data. The window paints this model
// and forwards the user's clicks, typing and buttons to it; every rule about which row is
// edited, what the entry offers and which rows count as changed lives here.
//
// Row layout: row 0 is the header ("Parameter", "Orig Value", "New Value"), rows 1 to n
// the parameters in the order the server sent them, and row n + 1 a blank row that always
// stays last. A grid with n parameters has n + 2 rows.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo::params {

inline constexpr int kGridColumns = 3;
inline constexpr int kColumnWidthsTwips[kGridColumns] = {1000, 3500, 3500};

struct GridRow {
  std::string name;      // column 0
  std::string original;  // column 1
  std::string newValue;  // column 2, empty until edited
  // Shown as red text; the only record of which rows go to the server.
  bool changed = false;
  // The row chosen for editing shows its value cells on the button-face background
  // until the next commit.
  bool editing = false;
  // After a comparison with a file: the file's value of this parameter, when the file has
  // one, and whether the value listed by the server differs from it.
  std::optional<std::string> fileValue;
  bool differs = false;
};

// What comparing the grid with a file's values found.
struct FileComparison {
  std::size_t compared = 0;   // parameters the file and the block both have
  std::size_t differing = 0;  // of those, the ones whose listed value is not the file's
  // Parameters of the file the block does not list, in the file's order.
  std::vector<std::string> notInBlock;
};

// What the value entry (the frame around the editable drop-down list) shows.
struct ValueEntry {
  std::string text;
  std::vector<std::string> items;
  bool visible = false;
  std::string caption = "Parameter:";  // the chosen row's name while one is edited
  bool stepButtonsEnabled = false;     // "Add Step" / "Del Step"
};

// Result of Enter in the value entry: the row the grid moved to and the top row to scroll
// to if that row is out of sight.
struct EnterMove {
  int row = 0;
  int scrollTop = 1;
};

class ParamGrid {
 public:
  ParamGrid();

  // ---- building the list -------------------------------------------------------------
  // Back to the header and the blank row; no row edited, entry reset.
  void startList();
  // Adds the parameter of one "PRMLST" line before the blank last row. A line whose name
  // field is blank adds nothing and is not counted. Returns whether a row was added.
  bool addParameterLine(std::string_view line);
  void addParameter(std::string_view name, std::string_view value);
  // The list is complete: row 2 becomes current when there is at least one parameter.
  void listDone();

  // ---- reading -----------------------------------------------------------------------
  int rowCount() const { return static_cast<int>(rows_.size()); }
  int parameterCount() const { return rowCount() - 2; }
  // Any row 0 to rowCount() - 1; anything else reads as an empty row.
  const GridRow& row(int r) const;
  int currentRow() const { return current_; }
  int editRow() const { return editRow_; }
  bool changeFlag() const { return chgFlag_; }
  const ValueEntry& entry() const { return entry_; }
  // The value a row stands for: its new value when marked changed, else its original.
  std::string effectiveValue(int r) const;

  // ---- choosing a row ----------------------------------------------------------------
  // Makes `r` (kept inside the grid) the current row without choosing it.
  void setCurrentRow(int r);
  // A click on grid row `r`: make it current and choose it.
  void clickRow(int r);
  // Commits the previous row, then picks the row to edit from the current row and fills
  // the value entry for it.
  void chooseEditRow();

  // ---- the value entry ---------------------------------------------------------------
  // The user typed into or picked from the entry.
  void entryEdited(std::string_view text);
  // Any key pressed or item clicked in the entry, whether or not the text changed.
  void entryUsed();
  // Writes the entry into the row being edited when it was used since the last commit.
  void commitEntry();
  // Marks the current row changed (red).
  void markRowChanged();
  // Enter in the entry: commit, move down one row (possibly onto the blank row, which
  // chooses the last parameter), choose it.
  EnterMove pressEnter();
  // "Del Step": every row from the current one to the last parameter takes the value of
  // the row below it; the last parameter takes the blank row's empty text.
  void deleteStep();
  // "Add Step": every row below the current one takes the value of the row above it (the
  // last parameter's value drops out); the current row gets an empty new value.
  void addStep();
  // No row is being edited any more (Cancel, closing the window). Nothing is committed.
  void dropEditRow();

  // The top row that puts `r` five rows below the top, kept inside the scrollable rows.
  int scrollTopFor(int r) const;

  // ---- comparing with a file --------------------------------------------------------
  // Records the file's value beside each parameter the file names (parameter names match
  // in any case) and marks those whose listed value differs; a comparison before is
  // forgotten. A parameter named twice takes the file's last value.
  FileComparison compareWithFile(const std::vector<std::pair<std::string, std::string>>& values);
  bool compared() const { return compared_; }
  // Takes the file's value as the new value of every differing parameter the user could
  // edit (not the first parameter, not TYPE): marked changed, nothing sent. What the entry
  // held is committed first. Returns how many rows were taken.
  std::size_t takeFileValues();
  // Rows takeFileValues() would change now.
  std::size_t takeableCount() const;
  // Differing parameters takeFileValues() passes over.
  std::vector<std::string> untakeableDifferences() const;

  // ---- submission --------------------------------------------------------------------
  // The commands of OK for `block`: "MODSTART:", one "MODPARM:" per changed row in row
  // order, "MODEND:"; empty when no row is changed.
  std::vector<std::string> submission(std::string_view block) const;

 private:
  bool isParameterRow(int r) const { return r >= 1 && r <= rowCount() - 2; }
  // Rows the user can choose and so edit: TYPE and the first parameter never are.
  bool isTakeableRow(int r) const;
  bool wouldTake(int r) const;
  // The window itself changing the entry text counts as a use of the entry.
  void setEntryText(std::string text);

  std::vector<GridRow> rows_;
  int current_ = 1;
  int editRow_ = 0;
  bool editRowTakesEntry_ = false;  // the entry was shown for the row being edited
  bool chgFlag_ = false;
  bool compared_ = false;
  ValueEntry entry_;
};

}  // namespace tarvo::params

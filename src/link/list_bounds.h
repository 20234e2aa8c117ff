#pragma once
// How much of each list from the server the client keeps. A list arrives as rows between a
// start reply and an end reply, and every row kept costs memory in a window (a combo box
// row, a tree node, a grid row, a line of text). A server may send far more rows than any
// plant has: past its limit (a number of rows and a total of bytes) a list's rows are not
// handed on, the rows that fit stay, and the cut is reported so the user can be told.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "link/dispatcher.h"

namespace tarvo::link {

struct ListLimit {
  std::size_t rows = 0;
  std::size_t bytes = 0;  // of the rows' lines as received
};

class ListBounds {
 public:
  // With each list's limit generous for a real plant.
  ListBounds();

  // What becomes of one route a line reached, asked before its handler runs.
  enum class Verdict {
    Run,   // the handler runs
    Drop,  // a row past its list's limit: the handler does not run
    Cut,   // the same, for the first row dropped from this list: tell the user
  };
  Verdict admit(ReplyId id, std::size_t lineBytes);
  // After the handler of `id` has run: when it ended a list that was cut, the id of that
  // list's rows. The end's handler may have written over what was said at the cut, which
  // is then said again.
  std::optional<ReplyId> endedCutList(ReplyId id) const;

  // A list whose rows an owner gathers across several start replies (so that only the owner
  // knows when what it holds is empty again) begins anew: its rows are counted from zero.
  void restart(ReplyId row);
  // Every list begins anew (a new connection).
  void reset();

  // The limit of the list whose rows are `row`, which tests make small; and the name the
  // user knows the list by, for the message.
  void setLimit(ReplyId row, ListLimit limit);
  ListLimit limit(ReplyId row) const;
  static std::string_view nameOf(ReplyId row);
  // Rows of that list kept since it began.
  std::size_t rowsKept(ReplyId row) const;

 private:
  struct Count {
    ReplyId row{};
    ListLimit limit;
    std::size_t rows = 0;
    std::size_t bytes = 0;
    bool cut = false;
  };
  // What a reply id is to the lists: nothing, or the start, a row or the end of one.
  enum class Role : std::uint8_t { None, Start, Row, End };
  struct Part {
    Role role = Role::None;
    std::uint8_t list = 0;
  };

  Count* countOf(ReplyId row);
  const Count* countOf(ReplyId row) const;

  std::array<Part, kReplyIdCount> parts_{};
  std::array<Count, 16> counts_{};
};

}  // namespace tarvo::link

#include "link/list_bounds.h"

#include <iterator>
#include <optional>

namespace tarvo::link {
namespace {

constexpr std::size_t KiB = 1024;
constexpr std::size_t MiB = 1024 * KiB;

struct ListKind {
  std::string_view name;
  ReplyId row;
  // The reply that begins the list and the one that ends it. A list with no start reply is
  // begun anew by its owner (restart()); one with no end reply simply stops.
  std::optional<ReplyId> start;
  std::optional<ReplyId> end;
  ListLimit limit;
};

// Each limit is many times what a large plant sends, and small enough that the window
// holding the list stays within tens of megabytes: a text box holds about two and a half
// bytes of memory for each byte of its text, a tree node or grid row a few hundred bytes.
// clang-format off
constexpr ListKind kLists[] = {
    {"CP/Vol name list", ReplyId::CpLst, ReplyId::ClrCpLst, ReplyId::DnCpLst,
     {20'000, 2 * MiB}},
    {"compound name list", ReplyId::CmpLst, ReplyId::ClrCmpLst, ReplyId::DnCmpLst,
     {50'000, 4 * MiB}},
    {"block type list", ReplyId::BlkTyp, ReplyId::BlkTypNew, std::nullopt,
     {1'000, 256 * KiB}},
    {"parameter list", ReplyId::PrmLst, ReplyId::ClrPrmLst, ReplyId::DnPrmLst,
     {20'000, 4 * MiB}},
    {"block list", ReplyId::BlkLst, ReplyId::ClrBlkLst, ReplyId::DnBlkLst,
     {200'000, 32 * MiB}},
    {"sequence source", ReplyId::SeqSrc, ReplyId::ClrSeqSrc, ReplyId::DnSeqSrc,
     {100'000, 8 * MiB}},
    {"compile listing", ReplyId::SeqLst, ReplyId::ClrGetLst, ReplyId::DnSeqLst,
     {100'000, 8 * MiB}},
    {"PLB listing", ReplyId::PlbList, ReplyId::ClrPlbList, ReplyId::PlbEndList,
     {100'000, 8 * MiB}},
    {"cross-reference listing", ReplyId::XrefLst, ReplyId::ClrXrefLst,
     ReplyId::EndXrefLst, {100'000, 8 * MiB}},
    // The editor of a setup list may gather several lists of one letter.
    {"cross-reference setup list", ReplyId::XrefCfgGetLine, std::nullopt,
     ReplyId::XrefCfgGetDone, {100'000, 8 * MiB}},
    // A generation's output runs for as long as its window is open.
    {"cross-reference generation output", ReplyId::XrefRunLine, std::nullopt,
     ReplyId::XrefRunDone, {100'000, 8 * MiB}},
};
// clang-format on

constexpr std::size_t index(ReplyId id) {
  return static_cast<std::size_t>(id);
}

const ListKind* kindOf(ReplyId row) {
  for (const ListKind& kind : kLists)
    if (kind.row == row) return &kind;
  return nullptr;
}

}  // namespace

ListBounds::ListBounds() {
  static_assert(std::size(kLists) <= std::tuple_size_v<decltype(counts_)>);
  for (std::size_t i = 0; i < std::size(kLists); ++i) {
    const ListKind& kind = kLists[i];
    const auto list = static_cast<std::uint8_t>(i);
    parts_[index(kind.row)] = {Role::Row, list};
    if (kind.start) parts_[index(*kind.start)] = {Role::Start, list};
    if (kind.end) parts_[index(*kind.end)] = {Role::End, list};
    counts_[i].row = kind.row;
    counts_[i].limit = kind.limit;
  }
}

ListBounds::Verdict ListBounds::admit(ReplyId id, std::size_t lineBytes) {
  const Part part = parts_[index(id)];
  Count& c = counts_[part.list];
  switch (part.role) {
    case Role::None:
    case Role::End: return Verdict::Run;
    case Role::Start:
      c.rows = c.bytes = 0;
      c.cut = false;
      return Verdict::Run;
    case Role::Row: break;
  }
  if (c.cut) return Verdict::Drop;
  if (c.rows + 1 > c.limit.rows || c.bytes + lineBytes > c.limit.bytes) {
    c.cut = true;
    return Verdict::Cut;
  }
  ++c.rows;
  c.bytes += lineBytes;
  return Verdict::Run;
}

std::optional<ReplyId> ListBounds::endedCutList(ReplyId id) const {
  const Part part = parts_[index(id)];
  const Count& c = counts_[part.list];
  if (part.role != Role::End || !c.cut) return std::nullopt;
  return c.row;
}

ListBounds::Count* ListBounds::countOf(ReplyId row) {
  const Part part = parts_[index(row)];
  return part.role == Role::Row ? &counts_[part.list] : nullptr;
}

const ListBounds::Count* ListBounds::countOf(ReplyId row) const {
  const Part part = parts_[index(row)];
  return part.role == Role::Row ? &counts_[part.list] : nullptr;
}

void ListBounds::restart(ReplyId row) {
  if (Count* c = countOf(row)) {
    c->rows = c->bytes = 0;
    c->cut = false;
  }
}

void ListBounds::reset() {
  for (Count& c : counts_) {
    c.rows = c.bytes = 0;
    c.cut = false;
  }
}

void ListBounds::setLimit(ReplyId row, ListLimit limit) {
  if (Count* c = countOf(row)) c->limit = limit;
}

ListLimit ListBounds::limit(ReplyId row) const {
  const Count* c = countOf(row);
  return c ? c->limit : ListLimit{};
}

std::string_view ListBounds::nameOf(ReplyId row) {
  const ListKind* kind = kindOf(row);
  return kind ? kind->name : std::string_view();
}

std::size_t ListBounds::rowsKept(ReplyId row) const {
  const Count* c = countOf(row);
  return c ? c->rows : 0;
}

}  // namespace tarvo::link

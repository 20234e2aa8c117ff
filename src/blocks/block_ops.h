#pragma once
// Adding, copying, moving and deleting blocks and compounds: the commands sent, the reply
// record that confirms, warns about or refuses them, the text of the node they insert, and
// the checks made on a typed name. Pure: the Qt controllers act on what comes out of here.
#include <optional>
#include <string>
#include <string_view>

namespace tarvo::blocks {

// ---------------------------------------------------------------------------------------
// The reply record of add, copy and move. Fields sit at fixed 1-based columns; each one is
// trimmed of blanks, and a field past the end of a short line reads as "".
//   add and copy: keyword 1-9,  relative key 10-37, name 38-63, type 64-69
//   move:         keyword 1-10, relative key 11-38, name 39-64, type 65-70
//   message from column 91 to the end of the line (both).

enum class RecordColumns { AddCopy, Move };

struct BlockRecord {
  std::string keyword;
  std::string relKey;  // key of the node the new one goes before
  std::string name;    // full name of the new or moved node: "CMP:BLK" or a compound
  std::string type;    // block type, "COMPND" for a compound
  std::string message;
  friend bool operator==(const BlockRecord&, const BlockRecord&) = default;
};

BlockRecord parseBlockRecord(std::string_view line, RecordColumns columns);

// Whether a success reply moves the tree's selection to the node it concerns. "DNADDNEW",
// "DNCPYNEW", "DNMOVEBLK" and "DNDELBLK" do; the forms ending in "X" leave it alone (the
// letter that tells them apart is column 8, and column 9 for the move). Any other line
// gives false.
bool selectsNode(std::string_view line);

// ---------------------------------------------------------------------------------------
// Node texts.

// Text of a node that a confirmation inserts for a block: the block part of the full name
// (after its last colon, at most 12 characters, blanks removed), padded to 18 characters,
// then the type; the same text a block-list line gives the block.
std::string insertedNodeText(std::string_view fullName, std::string_view type);

// Text of the node a copy confirmation of type "COMPND" inserts: the line from column 38
// to its end, blanks at both ends removed.
std::string compoundCopyNodeText(std::string_view line);

// ---------------------------------------------------------------------------------------
// Commands. Fields are separated by exactly one blank.

// "ADDNEW:" + full name + " " + location + " " + type.
std::string addNewCommand(std::string_view fullName, std::string_view location,
                          std::string_view type);
// "CPYNEW:" + new full name + " " + source + " " + source type + " " + location.
std::string copyNewCommand(std::string_view newFullName, std::string_view source,
                           std::string_view sourceType, std::string_view location);
// "MOVEBLK:" + location + " " + source + " " + source type.
std::string moveBlockCommand(std::string_view location, std::string_view source,
                             std::string_view sourceType);
// "DELBLK:" + name.
std::string deleteBlockCommand(std::string_view name);

// What Add adds for the current selection: a compound when the end of the list is
// selected, or a compound node (no colon, no type), or nothing at all; a block into the
// selected block's compound otherwise (a block or a compound's end entry).
enum class AddKind { Compound, Block };
AddKind addKind(std::string_view currSelBlk, std::string_view currSelTyp);

// The "ADDNEW:" command for a name typed at Add (already upper-cased) and the type chosen
// for it, at the current selection: a compound ("COMPND") is named by the typed name alone,
// a block goes into the selection's compound. The type is upper-cased here; an empty type
// gives no command.
std::optional<std::string> addBlockCommand(std::string_view currSelBlk,
                                           std::string_view pendingNewName,
                                           std::string_view newType);

// The full name of a pasted copy: the selection's compound, a colon, the typed name.
std::string pasteFullName(std::string_view currSelBlk, std::string_view typedName);

// The key of the node a confirmed move takes away, or nullopt when that node is not known
// and only a fresh block list can show the move without leaving a stale node behind.
// A move within one compound keeps the block's name, so the node under `name` is the old
// one. A move into another compound renames the block ("BOILER:X" becomes "FEEDWT:X"): its
// old node is then the pending move source, provided the reply answers that source (not
// an "X" form, which may answer any move) and the source has the same block part.
std::optional<std::string> movedNodeKey(std::string_view name, bool nameInTree,
                                        std::string_view moveSrcBlk, bool answersSource);

// ---------------------------------------------------------------------------------------
// Typed names.

// Upper-cases the small letters of the wire's character set (Latin-1), as names typed by the
// user are sent in capitals: a to z, and the accented ones (0xE9, e acute, becomes 0xC9).
// The sharp s and y with diaeresis, whose capitals are not Latin-1, stay as they are.
std::string upperName(std::string_view typed);

// A name holding a blank, a colon or a control character would shift the fields of
// "ADDNEW:" or "CPYNEW:" and make the server act on another place or block, so it is not
// sent. Returns the reason to show the user, or "" when the name may be sent. The server
// judges everything else (length, letters).
std::string nameProblem(std::string_view typed);

}  // namespace tarvo::blocks

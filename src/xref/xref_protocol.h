#pragma once
// The cross-reference's side of the protocol: the commands of the setup lists, the
// generation and a block's listing, and the fields read from the server's replies.
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::xref {

// The three setup lists go by one letter each: "C" the CP/volume names, "D" the display
// base directories, "H" the historian names. A letter the server sends is kept as it came,
// whatever it is; a line too short to hold one gives "".
inline constexpr std::string_view kCpList = "C";
inline constexpr std::string_view kDisplayList = "D";
inline constexpr std::string_view kHistorianList = "H";

// "XREFCFGGET" + letter: asks for the content of that list.
std::string cfgGetCommand(std::string_view letter);

// The letter of an "XREFCFGGETSTRT" or "XREFCFGGETDONE" line (column 15) and of an
// "XREFCFGGETLINE" line (column 16), and the entry that the latter carries (from column 17).
std::string_view cfgStrtLetter(std::string_view line);
std::string_view cfgDoneLetter(std::string_view line);
std::string_view cfgLineLetter(std::string_view line);
std::string_view cfgLineText(std::string_view line);

// The editor's title for a list, or "" for a letter that names none.
std::string_view cfgEditorTitle(std::string_view letter);

// The commands that replace list `letter` with `text`, whose lines end with CR LF:
// "XREFCFGPUT" + letter + "STRT"; one "XREFCFGPUT" + letter + "LINE:" per line, with one LF
// after each line that a CR ended and none after a last line that has no line end; then
// "XREFCFGPUT" + letter + "DONE". A LF of the text ends no line and is not sent.
std::vector<std::string> cfgUploadCommands(std::string_view letter, std::string_view text);

// The generation: start, poll for progress, and stop following it.
inline constexpr std::string_view kRunStart = "XREFRUNS";
inline constexpr std::string_view kRunPoll = "XREFRUNC";
inline constexpr std::string_view kRunEnd = "XREFRUNE";
// The output text of an "XREFRUNLINE" line (from column 12).
std::string_view runLineText(std::string_view line);

// "XREFBLK:" + the key of a tree node: the block's "CMP:BLK" or a compound's name.
std::string blockCommand(std::string_view key);
// The text of an "XREFLST" line (from column 9).
std::string_view listingText(std::string_view line);
inline constexpr std::string_view kNoListing = "No cross-reference for this block.";

}  // namespace tarvo::xref

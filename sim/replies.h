// Reply lines with their fields at the fixed 1-based columns the client reads.
// Each builder returns one line without its line feed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "sim/plant.h"

namespace tarvo::sim::reply {

// "CPLST" + 4 blanks, then the row from column 10: the CP name in the row's
// first 6 characters, two blanks, the model padded to 8, the description.
std::string cpListLine(const Cp& cp);

// "CMPLST" + 6 blanks, then the row from column 13: the compound name padded
// to 13 characters, so that the CP name is the row's characters 14 to 19
// (line columns 26 to 31).
std::string compoundListLine(const Compound& compound, const Cp& cp);

// Block list lines: "BLKLST", blank, line number right-aligned in columns
// 8-12, blank (column 13), then
//   compound: name in 14-31, blank 32-34, "COMPND" from 35;
//   block:    blank 14-16, name in 17-34, type from 35;
//   end:      "***END***" in 14-22.
// A compound's blocks are closed by a block line named "---END_" + compound
// name (cut to 18) of type "END_ZONE".
std::string blockListCompoundLine(int lineNo, std::string_view compound);
std::string blockListBlockLine(int lineNo, std::string_view block, std::string_view type);
std::string blockListEndOfCompound(int lineNo, std::string_view compound);
// The block name of that end entry; the client keys it "CMP:" + this name.
std::string endEntryName(std::string_view compound);
std::string blockListEndLine(int lineNo);

// "PRMLST", blank, name padded to 6 (columns 8-13), value from column 14.
std::string paramLine(std::string_view name, std::string_view value);

// keyword, then readable text (the block name) padded so that the message
// starts at column 91, where the client reads it.
std::string modificationLine(std::string_view keyword, std::string_view block,
                             std::string_view message);

// The record that answers an add, copy or move: keyword, relative key (the
// node the new one goes before), name and type in blank-padded fields, the
// message from column 91.
//   add and copy: keyword 1-9,  relative key 10-37, name 38-63, type 64-69
//   move:         keyword 1-10, relative key 11-38, name 39-64, type 65-70
// A value longer than its field is cut, so callers refuse such values before
// they would have to confirm them. Without a message the line ends after the
// last field that is not blank.
enum class RecordLayout { AddCopy, Move };
inline constexpr std::size_t kRecordKeyWidth = 28;
inline constexpr std::size_t kRecordNameWidth = 26;
inline constexpr std::size_t kRecordTypeWidth = 6;
std::string blockRecord(RecordLayout layout, std::string_view keyword, std::string_view relKey,
                        std::string_view name, std::string_view type,
                        std::string_view message = {});

// "BLKTYP" + 3 blanks + type (from column 10).
std::string blockTypeLine(std::string_view type);

// "LOCKOPENCP", blank, CP padded to 6 (columns 12-17), " held by " + holder.
std::string lockLine(std::string_view cp, std::string_view holder);

}  // namespace tarvo::sim::reply

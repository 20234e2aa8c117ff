#pragma once
// The sequence editor's and the PLB listing's side of the protocol: the commands they send,
// the fields they read from the replies, and what Save puts on the wire.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::sequence {

std::string editSeqCommand(std::string_view block);    // "EDTSEQ:"
std::string cancelSeqCommand(std::string_view block);  // "CANSEQ:"
std::string modDoneCommand(std::string_view block);    // "MODDONE:"
std::string getSourceCommand(std::string_view block);  // "GETSRC:"
// "COMPLSEQ:" + block + one blank + type.
std::string compileCommand(std::string_view block, std::string_view type);
std::string installCommand(std::string_view block);     // "INSTALSEQ:"
std::string getListingCommand(std::string_view block);  // "GETLST:"
std::string plbListCommand(std::string_view nodeKey);   // "PLBLIST:"

// A source or listing line ("SEQSRC", "SEQLST"): everything after the keyword, as sent.
std::string_view sourceLine(std::string_view line);
// The message of an "ERR..." or "WRN..." reply of the editor: from column 10.
std::string_view replyMessage(std::string_view line);
// "CLRPLBLIST": the listing's name, from column 12; "PLBLIST": one line, from column 9.
// The character between keyword and payload is skipped whatever it is.
std::string_view plbListingName(std::string_view line);
std::string_view plbListingLine(std::string_view line);

// Save: the commands that send a text, in order, and where the progress bar stands.
struct SaveCommands {
  std::vector<std::string> commands;
  // The bar's value after each command (the position of the CR that ended the line sent),
  // 0 for the commands that end no line.
  std::vector<std::size_t> progress;
  std::size_t length = 0;  // the bar's maximum: the text's length, CR and LF included
};
// "SPUTSTART:" + block; "SRCPUT:" + line + LF for each line a CR ends; "SRCPUT:" + the last
// line when it has no CR of its own (no LF); "SPUTEND" + that last line ("" when none).
SaveCommands saveCommands(std::string_view block, std::string_view text);

}  // namespace tarvo::sequence

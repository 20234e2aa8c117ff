// A cross-reference list's upload, as the text box's CR LF text gives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xref/xref_protocol.h"

using tarvo::xref::cfgUploadCommands;
using Commands = std::vector<std::string>;

TEST(XrefProtocol, AListGoesBackOneLinePerCrWithItsLfAndALastLineWithoutOne) {
  EXPECT_EQ(cfgUploadCommands("C", "A\r\n\r\nB"),
            Commands({"XREFCFGPUTCSTRT", "XREFCFGPUTCLINE:A\n", "XREFCFGPUTCLINE:\n",
                      "XREFCFGPUTCLINE:B", "XREFCFGPUTCDONE"}));
  // Line feeds alone end no line; a letter that names no list goes back as it came.
  EXPECT_EQ(cfgUploadCommands("Z", "\n\n\n"), Commands({"XREFCFGPUTZSTRT", "XREFCFGPUTZDONE"}));
}

// The settings file: what Apply writes, what a connect reads back, and damaged files.
#include <gtest/gtest.h>

#include <utility>

#include "records/settings_file.h"

using namespace tarvo::records;

namespace {

SettingsFile sample() {
  SettingsFile s;
  s.autoConnect = 1;
  s.selected = 3;
  s.entries[0] = {"10.1.1.1", "1582"};
  s.entries[3] = {"aw51b", "1600"};
  s.entries[9] = {"last host", ""};
  return s;
}

std::string tenEmptyEntries(int count = 10) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "\"\",\"\"\r\n";
  return out;
}

// The server a read file gives: "host:port auto N".
std::string server(const SettingsRead& read) {
  const ServerChoice c = chooseServer(read);
  return c.host + ":" + std::to_string(c.port) + " auto " + std::to_string(c.autoConnect);
}

}  // namespace

TEST(SettingsFile, WrittenFileHasElevenCrLfLinesInPrintAndWriteFormAndReadsBack) {
  const std::string text = formatSettings(sample());
  EXPECT_EQ(text, " 1  3 \r\n\"10.1.1.1\",\"1582\"\r\n" + tenEmptyEntries(2) +
                      "\"aw51b\",\"1600\"\r\n" + tenEmptyEntries(5) + "\"last host\",\"\"\r\n");
  // Read back, it gives the selected entry and the flag.
  const SettingsRead read = parseSettings(text);
  ASSERT_TRUE(read.complete());
  EXPECT_EQ(read.file.entries[9].host, "last host");
  EXPECT_EQ(server(read), "aw51b:1600 auto 1");
}

TEST(SettingsFile, HeaderNumbersMaySitBetweenTabsOrCommasAndUnquotedFieldsEndAtACommaOnly) {
  for (const char* header : {"1\t2\r\n", "1,2\r\n", "  1 ,  2\r\n", "1 2\n"}) {
    const SettingsRead read = parseSettings(std::string(header) + tenEmptyEntries());
    EXPECT_TRUE(read.complete()) << header;
    EXPECT_EQ(read.file.autoConnect * 10 + read.file.selected, 12) << header;
  }
  const SettingsRead read =
      parseSettings(" 0  0 \r\nhost1 , 1582\r\n\"a,b\",\"12\"\r\n" + tenEmptyEntries(8));
  ASSERT_TRUE(read.complete());
  const auto& e = read.file.entries;
  EXPECT_EQ(e[0].host + "|" + e[0].port + "|" + e[1].host + "|" + e[1].port, "host1|1582|a,b|12");
}

TEST(SettingsFile, ABrokenFileKeepsItsRowsForTheDialogButNeitherItNorABadSelectionGivesAServer) {
  const SettingsRead read = parseSettings(" 1  1 \r\n\"h0\",\"1\"\r\n\"h1\",\"2\"\r\n");
  EXPECT_TRUE(read.headerRead && read.entriesRead == 2 && !read.complete());
  EXPECT_EQ(read.file.entries[1].host, "h1");
  EXPECT_EQ(server(read), ":0 auto 0");
  // A non-numeric or incomplete header, or no text, is no file at all.
  for (const std::string& text : {"yes please\r\n" + tenEmptyEntries(), std::string(),
                                  "1\r\n" + tenEmptyEntries(), std::string("garbage")})
    EXPECT_FALSE(parseSettings(text).headerRead) << text;
  // A selection outside the ten entries keeps the flag but gives no host.
  for (int selected : {10, -1, 99}) {
    SettingsFile s = sample();
    s.selected = selected;
    EXPECT_EQ(server(parseSettings(formatSettings(s))), ":0 auto 1") << selected;
  }
}

TEST(SettingsFile, PortTextIsReadByItsLeadingNumberWithinTheTcpRange) {
  const std::pair<const char*, int> cases[] = {
      {"1024x", 1024}, {" 1582", 1582}, {"65535", 65535},           {"", 0}, {"port", 0}, {"0", 0},
      {"65536", 0},    {"-5", 0},       {"99999999999999999999", 0}};
  for (const auto& [text, port] : cases) EXPECT_EQ(portFromText(text), port) << text;
}

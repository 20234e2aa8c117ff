// Adding, copying, moving and deleting blocks and compounds, with the replies
// read through the client's own record reader and block-list builder.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "blocks/block_ops.h"
#include "sim_test_util.h"
#include "support/BlockLines.h"

namespace tarvo::sim {
namespace {

using namespace testing;
using blocks::BlockRecord;
using blocks::parseBlockRecord;
using blocks::RecordColumns;
using tarvo::test::pad;

bool listed(const Lines& keys, const std::string& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// `key` is directly followed by `next`.
bool before(const Lines& keys, const std::string& key, const std::string& next) {
  const auto it = std::find(keys.begin(), keys.end(), key);
  return it != keys.end() && it + 1 != keys.end() && *(it + 1) == next;
}

class EngineBlocksTest : public EngineTest {
 protected:
  void SetUp() override {
    c = openOn("CP6001");
    keys();  // the client lists the blocks as soon as the session is open
  }

  Lines keys(bool all = false) {
    Lines out;
    for (const auto& n : treeOf(send(c, all ? "GETBLKS 1 CP6001" : "GETBLKS 0 CP6001")))
      out.push_back(n.key);
    return out;
  }

  // The one reply to `command`, read as the client reads it: "keyword relKey name type", and
  // " / message" when there is one.
  std::string ask(const std::string& command, ConnId conn = 0) {
    const auto lines = send(conn ? conn : c, command);
    EXPECT_EQ(lines.size(), 1u) << command;
    if (lines.empty()) return {};
    const BlockRecord r = parseBlockRecord(
        lines[0], startsWith(command, "MOVEBLK:") ? RecordColumns::Move : RecordColumns::AddCopy);
    return r.keyword + " " + r.relKey + " " + r.name + " " + r.type +
           (r.message.empty() ? "" : " / " + r.message);
  }

  ConnId c = 0;
};

TEST_F(EngineBlocksTest, EachOperationChangesThePlantAndNamesWhereTheNodeGoes) {
  // The command, and the record it gets: the new node goes before its relative key.
  const std::pair<const char*, std::string> cases[] = {
      {"ADDNEW:BOILER:NEW1 BOILER:FT102 AIN", "DNADDNEW BOILER:FT102 BOILER:NEW1 AIN"},
      {"ADDNEW:BOILER:NEW2 BOILER:---END_BOILER PIDA",
       "DNADDNEW BOILER:---END_BOILER BOILER:NEW2 PIDA"},
      // A compound's own node stands for its end.
      {"ADDNEW:FEEDWT:NEW3 FEEDWT CALC", "DNADDNEW FEEDWT:---END_FEEDWT FEEDWT:NEW3 CALC"},
      {"CPYNEW:FEEDWT:LC101C BOILER:LC101 PIDA FEEDWT:FT201",
       "DNCPYNEW FEEDWT:FT201 FEEDWT:LC101C PIDA"},
      // Within the compound backwards and forwards, then into another one, which renames it.
      {"MOVEBLK:BOILER:LT101 BOILER:PC104 PID", "DNMOVEBLK BOILER:LT101 BOILER:PC104 PID"},
      {"MOVEBLK:BOILER:---END_BOILER BOILER:LT101 AIN",
       "DNMOVEBLK BOILER:---END_BOILER BOILER:LT101 AIN"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:BDV106 COUT", "DNMOVEBLK FEEDWT:FT201 FEEDWT:BDV106 COUT"},
  };
  for (const auto& [command, record] : cases) {
    EXPECT_EQ(ask(command), record);
    std::istringstream fields(record);
    std::string keyword, relKey, name;
    fields >> keyword >> relKey >> name;
    EXPECT_TRUE(before(keys(), name, relKey)) << command;
  }
  const auto tree = keys();
  EXPECT_TRUE(before(tree, "BOILER", "BOILER:PC104"));
  EXPECT_FALSE(listed(tree, "BOILER:BDV106"));
  EXPECT_EQ(send(c, "GETPARMS:FEEDWT:BDV106").front(), "CLRPRMLST");

  // The copy has the source's configuration, not what the running CP holds for it.
  const Block* src = engine.plant().findBlock("BOILER", "LC101");
  const Block* copy = engine.plant().findBlock("FEEDWT", "LC101C");
  ASSERT_TRUE(src && copy);
  EXPECT_EQ(copy->params, src->params);
  EXPECT_FALSE(src->runtime.empty());
  EXPECT_TRUE(copy->runtime.empty());

  // The last block before the end entry.
  EXPECT_EQ(send(c, "DELBLK:BOILER:LT101"), Lines{"DNDELBLKBOILER:LT101"});
  EXPECT_TRUE(before(keys(), "BOILER:NEW2", "BOILER:---END_BOILER"));
  EXPECT_EQ(engine.plant().findBlock("BOILER", "LT101"), nullptr);

  // A move that leaves connections behind warns which ones.
  const std::string moved = ask("MOVEBLK:FEEDWT:---END_FEEDWT BOILER:BDTIM TIM");
  EXPECT_TRUE(startsWith(moved, "WRNMOVEBLK FEEDWT:---END_FEEDWT FEEDWT:BDTIM TIM / ")) << moved;
  EXPECT_NE(moved.find("BOILER:BDLOG.BI02"), std::string::npos) << moved;
}

// Who still names a moved block follows every change of the plant: edits,
// copies, moves and deletes of the blocks that name it.
TEST_F(EngineBlocksTest, AMoveWarnsOfTheConnectionsThatNameTheBlockAsThePlantIsNow) {
  ask("ADDNEW:BOILER:SRC BOILER AIN");
  ask("ADDNEW:BOILER:USER BOILER PID");
  EXPECT_EQ(modify(c, "BOILER:USER", {"MEAS = BOILER:SRC.PNT"}), Lines{"DNPRMMOD BOILER:USER"});
  ask("CPYNEW:FEEDWT:USER2 BOILER:USER PID FEEDWT");
  EXPECT_EQ(ask("MOVEBLK:FEEDWT BOILER:SRC AIN"),
            "WRNMOVEBLK FEEDWT:---END_FEEDWT FEEDWT:SRC AIN / BOILER:SRC is now FEEDWT:SRC, but 2 "
            "connections still name it: BOILER:USER.MEAS, FEEDWT:USER2.MEAS");
  // Pointed at the block's new name, and the holders moved or deleted.
  EXPECT_EQ(modify(c, "BOILER:USER", {"MEAS = FEEDWT:SRC.PNT"}), Lines{"DNPRMMOD BOILER:USER"});
  EXPECT_EQ(ask("MOVEBLK:BOILER FEEDWT:USER2 PID"),
            "DNMOVEBLK BOILER:---END_BOILER BOILER:USER2 PID");
  EXPECT_EQ(ask("MOVEBLK:BOILER FEEDWT:SRC AIN"),
            "WRNMOVEBLK BOILER:---END_BOILER BOILER:SRC AIN / FEEDWT:SRC is now BOILER:SRC, but 1 "
            "connection still names it: BOILER:USER.MEAS");
  EXPECT_EQ(send(c, "DELBLK:BOILER:USER"), Lines{"DNDELBLKBOILER:USER"});
  // The copy moved along with its own name.
  EXPECT_EQ(ask("MOVEBLK:FEEDWT BOILER:SRC AIN"),
            "WRNMOVEBLK FEEDWT:---END_FEEDWT FEEDWT:SRC AIN / BOILER:SRC is now FEEDWT:SRC, but 1 "
            "connection still names it: BOILER:USER2.MEAS");
  EXPECT_EQ(send(c, "DELBLK:BOILER:USER2"), Lines{"DNDELBLKBOILER:USER2"});
  EXPECT_EQ(ask("MOVEBLK:BOILER FEEDWT:SRC AIN"), "DNMOVEBLK BOILER:---END_BOILER BOILER:SRC AIN");
}

TEST_F(EngineBlocksTest, CompoundsAreAddedToBothListsAndDeletedOnlyWhenEmpty) {
  EXPECT_EQ(ask("ADDNEW:NEWCMP BOILER COMPND"), "DNADDNEW BOILER NEWCMP COMPND");
  EXPECT_EQ(ask("ADDNEW:LASTC ***END*** COMPND"), "DNADDNEW ***END*** LASTC COMPND");
  const auto tree = keys();
  EXPECT_TRUE(before(tree, "NEWCMP", "NEWCMP:---END_NEWCMP"));
  EXPECT_TRUE(before(tree, "NEWCMP:---END_NEWCMP", "BOILER"));
  EXPECT_TRUE(before(tree, "LASTC:---END_LASTC", "***END***"));
  const std::string row = "CMPLST      " + pad("NEWCMP", 13) + "CP6001";
  EXPECT_TRUE(listed(send(c, "GETCMPS"), row));

  EXPECT_TRUE(refused(send(c, "DELBLK:FEEDWT"), "ERRDELBLK", "blocks"));
  // Empty in a list without ECB blocks, but not empty.
  EXPECT_TRUE(before(tree, "CP6001_ECB", "CP6001_ECB:---END_CP6001_ECB"));
  EXPECT_TRUE(refused(send(c, "DELBLK:CP6001_ECB"), "ERRDELBLK", "count too"));
  EXPECT_EQ(send(c, "DELBLK:NEWCMP"), Lines{"DNDELBLKNEWCMP"});
  EXPECT_FALSE(listed(keys(), "NEWCMP"));
  EXPECT_FALSE(listed(send(c, "GETCMPS"), row));
}

TEST_F(EngineBlocksTest, RefusalsLeaveThePlantAlone) {
  ASSERT_TRUE(startsWith(ask("ADDNEW:FEEDWT:LT101 FEEDWT AIN"), "DNADDNEW "));
  // The command and what its refusal ("ERR" and the command's keyword) mentions.
  const std::pair<std::string, const char*> cases[] = {
      {"ADDNEW:BOILER:LC101 BOILER:LT101 PID", "already exists"},
      {"ADDNEW:BOILER:ABCDEFGHIJKLM BOILER:LT101 PID", "12 characters"},
      {"ADDNEW:BOILER:N1 BOILER:LT101 FOO", "FOO"},
      {"ADDNEW:TURBIN BOILER COMPND", "CP6002"},  // unique across the plant
      {"ADDNEW:ABCDEFGHIJK BOILER COMPND", "10 characters"},
      {"ADDNEW:NEWCMP BOILER:LT101 COMPND", "BOILER:LT101"},
      {"ADDNEW:BOILER:N1 FEEDWT:FT201 PID", "not in compound BOILER"},
      {"ADDNEW:BOILER:N1 TURBIN:ST301 PID", "CP6002"},
      {"ADDNEW:BOILER:N1 BOILER:LT101", "needs"},
      {"ADDNEW:BOILER:A\nCLOSEICC BOILER AIN", "\\x0A"},
      {"CPYNEW:BOILER:X BOILER COMPND BOILER:LT101", "compounds"},
      {"CPYNEW:BOILER:X BOILER:---END_BOILER END_ZONE BOILER:LT101", "end entry"},
      {"CPYNEW:BOILER:X BOILER:LC101 PID BOILER:LT101", "PIDA"},
      {"CPYNEW:CP6001_STA:X CP6001_STA:CP6001 STATIO CP6001_STA", "station"},
      // Where it already is: before its successor, or at the end when it is the last.
      {"MOVEBLK:BOILER:FT102 BOILER:LT101 AIN", "already"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:LT101 AIN", "FEEDWT:LT101 already exists"},
      {"MOVEBLK:FEEDWT:FT201 BOILER COMPND", "compounds"},
      {"DELBLK:BOILER:---END_BOILER", "end entry"},
      {"DELBLK:***END***", "end of the list"},
      {"DELBLK:BOILER:NOSUCH", "NOSUCH"},
      {"DELBLK:CP6001_STA:CP6001", "station"},
      {"DELBLK:BOILER:A\rB", "\\x0D"},
  };
  const Plant unchanged = engine.plant();
  const ConnId none = engine.connect();
  for (const auto& [command, mention] : cases) {
    const std::string keyword = "ERR" + command.substr(0, command.find(':'));
    const std::string line = send(c, command).at(0);
    EXPECT_TRUE(startsWith(line, keyword)) << line;
    // Deletions carry their message from column 10, the records from column 91.
    EXPECT_NE(fromCol(line, keyword == "ERRDELBLK" ? 10 : 91).find(mention), std::string::npos)
        << line;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << command;
    // Nothing without a session.
    EXPECT_NE(send(none, command).at(0).find("No ICC session"), std::string::npos) << command;
  }
  // The client titles its error box with the record's name.
  EXPECT_TRUE(startsWith(ask("ADDNEW:BOILER:LC101 BOILER:LT101 PID"),
                         "ERRADDNEW BOILER:LT101 BOILER:LC101 PID / "));
  EXPECT_EQ(engine.plant(), unchanged);
}

TEST_F(EngineBlocksTest, SelectionStaysForBlocksTheConnectionsListDoesNotShow) {
  // Listed without ECB blocks: changes to them are confirmed with the X forms.
  EXPECT_TRUE(startsWith(ask("ADDNEW:CP6001_ECB:FBM09 CP6001_ECB ECB200"), "DNADDNEX "));
  EXPECT_TRUE(
      startsWith(ask("CPYNEW:CP6001_ECB:FBM10 CP6001_ECB:FBM09 ECB200 CP6001_ECB"), "DNCPYNEX "));
  EXPECT_TRUE(startsWith(ask("MOVEBLK:CP6001_ECB:FBM09 CP6001_ECB:FBM10 ECB200"), "DNMOVEBLX "));
  EXPECT_EQ(send(c, "DELBLK:CP6001_ECB:FBM10"), Lines{"DNDELBLXCP6001_ECB:FBM10"});
  keys(true);
  EXPECT_TRUE(startsWith(ask("ADDNEW:CP6001_ECB:FBM11 CP6001_ECB ECB2"), "DNADDNEW "));
  // A new session has listed nothing yet.
  const ConnId fresh = openOn("CP6002");
  EXPECT_TRUE(startsWith(ask("ADDNEW:TURBIN:N1 TURBIN AIN", fresh), "DNADDNEX "));
  send(fresh, "GETBLKS 0 CP6002");
  EXPECT_EQ(send(fresh, "DELBLK:TURBIN:N1"), Lines{"DNDELBLKTURBIN:N1"});
}

TEST_F(EngineBlocksTest, BlockTypesFollowASuccessfulOpenAndAreExactlyWhatAddAccepts) {
  const Lines lines = send(c, "OPENCP:CP6001 ALL WS01");
  const auto head = std::find(lines.begin(), lines.end(), "BLKTYPNEW");
  EXPECT_LT(std::find(lines.begin(), lines.end(), "DNOPENCPCP6001"), head);
  Lines offered;
  for (auto it = head; ++it != lines.end() && startsWith(*it, "BLKTYP   ");)
    offered.emplace_back(fromCol(*it, 10));
  // All but STATION: a CP's station block comes with the CP.
  EXPECT_EQ(offered.size() + 1, blockTypes().size());
  EXPECT_FALSE(listed(offered, "STATION"));
  keys(true);
  int n = 0;
  for (const auto& t : blockTypes()) {
    const std::string name = t.name == "COMPND" ? "NEWC" : "BOILER:T" + std::to_string(++n);
    const std::string r = ask("ADDNEW:" + name + " BOILER " + t.name);
    EXPECT_EQ(startsWith(r, "DNADDNEW "), listed(offered, t.name)) << r;
  }
  // A refused open sends no type list.
  EXPECT_EQ(firstWith(send(engine.connect(), "OPENCP:CP6003 ALL WS02"), "BLKTYPNEW"), "");
}

}  // namespace
}  // namespace tarvo::sim

// Adding, copying, moving and deleting blocks and compounds, with the replies
// read through the client's own record reader and block-list builder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "blocks/block_ops.h"
#include "browser/block_list.h"
#include "plant_file.h"
#include "replies.h"
#include "sim_test_util.h"

namespace tarvo::sim {
namespace {

using namespace testing;
using blocks::BlockRecord;
using blocks::parseBlockRecord;
using blocks::RecordColumns;

class EngineBlocksTest : public EngineTest {
 protected:
  void SetUp() override {
    c = openOn("CP6001");
    keys(c);  // the client lists the blocks as soon as the session is open
  }

  // The keys of the client's tree after a block list, in tree order.
  std::vector<std::string> keys(ConnId conn, bool all = false, std::string_view cp = "CP6001") {
    browser::BlockListBuilder builder;
    std::vector<std::string> out;
    for (const auto& line :
         send(conn, std::string(all ? "GETBLKS 1 " : "GETBLKS 0 ") + std::string(cp)))
      if (startsWith(line, "BLKLST")) out.push_back(builder.feed(line).node.key);
    return out;
  }

  // The node text the client's tree builds for `key` from a block list.
  std::string listedText(const std::string& key) {
    browser::BlockListBuilder builder;
    for (const auto& line : send(c, "GETBLKS 1 CP6001")) {
      if (!startsWith(line, "BLKLST")) continue;
      const auto& step = builder.feed(line);
      if (step.node.key == key) return step.node.text;
    }
    return "<not listed>";
  }

  // The one reply to `command`, read as a record.
  BlockRecord ask(const std::string& command, ConnId conn = 0) {
    const auto lines = send(conn ? conn : c, command);
    EXPECT_EQ(lines.size(), 1u) << command;
    if (lines.empty()) return {};
    const RecordColumns columns =
        startsWith(command, "MOVEBLK:") ? RecordColumns::Move : RecordColumns::AddCopy;
    return parseBlockRecord(lines[0], columns);
  }

  std::vector<std::string> compoundsListed() {
    std::vector<std::string> out;
    for (const auto& line : send(c, "GETCMPS"))
      if (startsWith(line, "CMPLST")) out.push_back(trimmed(cols(line, 13, 25)));
    return out;
  }

  const Block* block(std::string_view compound, std::string_view name) {
    return engine.plant().findBlock(compound, name);
  }

  ConnId c = 0;
};

// `key` is directly followed by `next` in the tree.
::testing::AssertionResult before(const std::vector<std::string>& keys, const std::string& key,
                                  const std::string& next) {
  const auto it = std::find(keys.begin(), keys.end(), key);
  if (it == keys.end()) return ::testing::AssertionFailure() << key << " not listed";
  if (it + 1 == keys.end() || *(it + 1) != next)
    return ::testing::AssertionFailure() << key << " is not followed by " << next;
  return ::testing::AssertionSuccess();
}

bool listed(const std::vector<std::string>& keys, const std::string& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// ---- exact columns --------------------------------------------------------------------

TEST_F(EngineBlocksTest, RecordsStandAtTheirColumns) {
  const auto add = send(c, "ADDNEW:BOILER:NEW1 BOILER:LT101 AIN");
  ASSERT_EQ(add.size(), 1u);
  EXPECT_EQ(cols(add[0], 1, 9), "DNADDNEW ");
  EXPECT_EQ(cols(add[0], 10, 37), "BOILER:LT101" + std::string(16, ' '));
  EXPECT_EQ(cols(add[0], 38, 63), "BOILER:NEW1" + std::string(15, ' '));
  EXPECT_EQ(trimmed(fromCol(add[0], 64)), "AIN");

  const auto move = send(c, "MOVEBLK:FEEDWT:FT201 BOILER:NEW1 AIN");
  ASSERT_EQ(move.size(), 1u);
  EXPECT_EQ(cols(move[0], 1, 10), "DNMOVEBLK ");
  EXPECT_EQ(cols(move[0], 11, 38), "FEEDWT:FT201" + std::string(16, ' '));
  EXPECT_EQ(cols(move[0], 39, 64), "FEEDWT:NEW1" + std::string(15, ' '));
  EXPECT_EQ(trimmed(fromCol(move[0], 65)), "AIN");

  const auto refused = send(c, "MOVEBLK:FEEDWT:FT201 BOILER:NOSUCH AIN");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(cols(refused[0], 1, 10), "ERRMOVEBLK");
  EXPECT_EQ(trimmed(cols(refused[0], 39, 64)), "BOILER:NOSUCH");
  EXPECT_NE(fromCol(refused[0], 91).find("NOSUCH"), std::string::npos);
  EXPECT_EQ(cols(refused[0], 71, 90), std::string(20, ' '));

  EXPECT_EQ(send(c, "DELBLK:FEEDWT:NEW1"), std::vector<std::string>{"DNDELBLKFEEDWT:NEW1"});
  const auto delRefused = send(c, "DELBLK:FEEDWT:NEW1");
  ASSERT_EQ(delRefused.size(), 1u);
  EXPECT_EQ(cols(delRefused[0], 1, 9), "ERRDELBLK");
  EXPECT_NE(fromCol(delRefused[0], 10).find("FEEDWT:NEW1"), std::string::npos);
}

TEST_F(EngineBlocksTest, BuiltRecordsReadBackAsMeant) {
  const BlockRecord full{"WRNMOVEBLK", std::string(28, 'K'), std::string(26, 'N'), "ECB201",
                         "a message"};
  EXPECT_EQ(parseBlockRecord(reply::blockRecord(reply::RecordLayout::Move, full.keyword,
                                                full.relKey, full.name, full.type, full.message),
                             RecordColumns::Move),
            full);
  const BlockRecord bare{"DNCPYNEX", "***END***", "A:B", "PID", ""};
  EXPECT_EQ(parseBlockRecord(reply::blockRecord(reply::RecordLayout::AddCopy, bare.keyword,
                                                bare.relKey, bare.name, bare.type),
                             RecordColumns::AddCopy),
            bare);
}

// ---- add ------------------------------------------------------------------------------

TEST_F(EngineBlocksTest, AddedBlockGoesBeforeTheLocationOrAtTheCompoundsEnd) {
  const struct {
    std::string command;
    std::string relKey;
    std::string name;
  } cases[] = {
      {"ADDNEW:BOILER:NEW1 BOILER:FT102 AIN", "BOILER:FT102", "BOILER:NEW1"},
      {"ADDNEW:BOILER:NEW2 BOILER:---END_BOILER PIDA", "BOILER:---END_BOILER", "BOILER:NEW2"},
      // The compound's own node stands for its end.
      {"ADDNEW:FEEDWT:NEW3 FEEDWT CALC", "FEEDWT:---END_FEEDWT", "FEEDWT:NEW3"},
  };
  for (const auto& k : cases) {
    const BlockRecord r = ask(k.command);
    EXPECT_EQ(r.keyword, "DNADDNEW") << k.command;
    EXPECT_EQ(r.relKey, k.relKey);
    EXPECT_EQ(r.name, k.name);
    EXPECT_TRUE(before(keys(c), r.name, r.relKey)) << k.command;
    // The node the client inserts looks as the next list shows it.
    EXPECT_EQ(blocks::insertedNodeText(r.name, r.type), listedText(r.name));
  }
  const Block* added = block("BOILER", "NEW2");
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->type, "PIDA");
  const auto params = send(c, "GETPARMS:BOILER:NEW2");
  EXPECT_EQ(params.front(), "CLRPRMLST");
  EXPECT_EQ(params.back(), "DNPRMLST");
}

TEST_F(EngineBlocksTest, AddedCompoundIsListedInBlockAndCompoundLists) {
  BlockRecord r = ask("ADDNEW:NEWCMP BOILER COMPND");
  EXPECT_EQ(r, (BlockRecord{"DNADDNEW", "BOILER", "NEWCMP", "COMPND", ""}));
  r = ask("ADDNEW:LASTCMP ***END*** COMPND");
  EXPECT_EQ(r, (BlockRecord{"DNADDNEW", "***END***", "LASTCMP", "COMPND", ""}));

  const auto tree = keys(c);
  EXPECT_TRUE(before(tree, "NEWCMP", "NEWCMP:---END_NEWCMP"));
  EXPECT_TRUE(before(tree, "NEWCMP:---END_NEWCMP", "BOILER"));
  EXPECT_TRUE(before(tree, "LASTCMP:---END_LASTCMP", "***END***"));
  const auto compounds = compoundsListed();
  for (const char* name : {"NEWCMP", "LASTCMP"}) EXPECT_TRUE(listed(compounds, name)) << name;
  // Empty, it takes a block at its end.
  EXPECT_EQ(ask("ADDNEW:NEWCMP:B1 NEWCMP:---END_NEWCMP AIN").keyword, "DNADDNEW");
}

TEST_F(EngineBlocksTest, AddRefusesWhatAConfiguratorRefuses) {
  const struct {
    std::string command;
    std::string mention;
  } cases[] = {
      {"ADDNEW:BOILER:LC101 BOILER:LT101 PID", "already exists"},
      {"ADDNEW:BOILER:ABCDEFGHIJKLM BOILER:LT101 PID", "12 characters"},
      {"ADDNEW:BOILER:1AB BOILER:LT101 PID", "letters"},
      {"ADDNEW:BOILER:N1 BOILER:LT101 FOO", "FOO"},
      {"ADDNEW:BOILER:N1 BOILER:LT101 STATION", "STATION"},
      {"ADDNEW:BOILER:N1 BOILER:LT101 END_ZONE", "END_ZONE"},
      {"ADDNEW:FEEDWT BOILER COMPND", "already exists"},
      {"ADDNEW:TURBIN BOILER COMPND", "CP6002"},  // compounds are unique across the plant
      {"ADDNEW:ABCDEFGHIJK BOILER COMPND", "10 characters"},
      {"ADDNEW:A:B BOILER COMPND", "colon"},
      {"ADDNEW:NEWCMP BOILER:LT101 COMPND", "BOILER:LT101"},
      {"ADDNEW:NOCOLON BOILER:LT101 PID", "compound:block"},
      {"ADDNEW:BOILER:N1 TURBIN:ST301 PID", "CP6002"},
      {"ADDNEW:BOILER:N1 FEEDWT:FT201 PID", "not in compound BOILER"},
      {"ADDNEW:BOILER:N1 BOILER:NOSUCH PID", "NOSUCH"},
      {"ADDNEW:BOILER:N1 ***END*** PID", "compound"},
      {"ADDNEW:NOCMP:N1 NOCMP PID", "NOCMP"},
      {"ADDNEW:BOILER:N1 BOILER:---END_BOILE PID", "---END_BOILE"},
      {"ADDNEW:BOILER:N1 BOILER:LT101", "needs"},
      {"ADDNEW:BOILER:N1 BOILER:LT101 PID EXTRA", "needs"},
  };
  const Plant unchanged = engine.plant();
  for (const auto& k : cases) {
    const auto lines = send(c, k.command);
    ASSERT_EQ(lines.size(), 1u) << k.command;
    const BlockRecord r = parseBlockRecord(lines[0], RecordColumns::AddCopy);
    EXPECT_EQ(r.keyword, "ERRADDNEW") << k.command;
    // The client titles its box with the record's name.
    EXPECT_EQ(r.name, k.command.substr(7, k.command.find(' ') - 7)) << k.command;
    EXPECT_NE(r.message.find(k.mention), std::string::npos) << k.command << " -> " << r.message;
  }
  EXPECT_EQ(engine.plant(), unchanged);
}

TEST_F(EngineBlocksTest, BlockTypeListOffersExactlyWhatAddAccepts) {
  const ConnId other = engine.connect();
  const auto lines = send(other, "OPENCP:CP6002 ALL WS02");
  std::vector<std::string> offered;
  for (const auto& line : lines)
    if (startsWith(line, "BLKTYP") && !startsWith(line, "BLKTYPNEW"))
      offered.push_back(fromCol(line, 10));
  EXPECT_TRUE(listed(offered, "COMPND"));
  EXPECT_FALSE(listed(offered, "STATION"));
  keys(other, true, "CP6002");
  int n = 0;
  for (const auto& t : blockTypes()) {
    if (t.name == "COMPND") continue;
    const std::string name = "TURBIN:T" + std::to_string(++n);
    const BlockRecord r = ask("ADDNEW:" + name + " TURBIN " + t.name, other);
    EXPECT_EQ(r.keyword == "DNADDNEW", listed(offered, t.name)) << t.name << ": " << r.message;
  }
}

TEST(EngineBlocksLongNames, EndOfACompoundWhoseEndKeyDoesNotFitIsRefused) {
  // A plant file may hold compounds of 11 or 12 characters; the key of their end entry
  // is longer than the reply's relative-key field.
  Plant plant = buildDemoPlant();
  Compound longer = makeCompound("LONGCOMPOUND");
  longer.blocks.push_back(makeBlock("B1", "AIN"));
  plant.cps[0].compounds.push_back(std::move(longer));
  Engine engine(std::move(plant));
  const ConnId c = engine.connect();
  engine.handle(c, "OPENCP:CP6001 ALL WS01");
  engine.handle(c, "GETBLKS 0 CP6001");
  const auto read = [&](std::string_view command) {
    const auto lines = linesFor(engine.handle(c, command), c);
    EXPECT_EQ(lines.size(), 1u);
    return lines.empty() ? BlockRecord{} : parseBlockRecord(lines[0], RecordColumns::AddCopy);
  };
  for (const char* atEnd : {"ADDNEW:LONGCOMPOUND:N1 LONGCOMPOUND AIN",
                            "ADDNEW:LONGCOMPOUND:N1 LONGCOMPOUND:---END_LONGCOMPOU AIN"}) {
    const BlockRecord r = read(atEnd);
    EXPECT_EQ(r.keyword, "ERRADDNEW") << atEnd;
    EXPECT_NE(r.message.find("LONGCOMPOUND"), std::string::npos) << r.message;
  }
  EXPECT_EQ(read("ADDNEW:LONGCOMPOUND:N1 LONGCOMPOUND:B1 AIN"),
            (BlockRecord{"DNADDNEW", "LONGCOMPOUND:B1", "LONGCOMPOUND:N1", "AIN", ""}));
}

// ---- copy -------------------------------------------------------------------------------

TEST_F(EngineBlocksTest, CopyTakesTheSourcesConfigurationIntoTheLocationsCompound) {
  const BlockRecord r = ask("CPYNEW:FEEDWT:LC101C BOILER:LC101 PIDA FEEDWT:---END_FEEDWT");
  EXPECT_EQ(r, (BlockRecord{"DNCPYNEW", "FEEDWT:---END_FEEDWT", "FEEDWT:LC101C", "PIDA", ""}));
  const Block* src = block("BOILER", "LC101");
  const Block* copy = block("FEEDWT", "LC101C");
  ASSERT_TRUE(src && copy);
  EXPECT_EQ(copy->type, src->type);
  EXPECT_EQ(copy->params, src->params);
  // What the running CP holds for the source is not configuration.
  EXPECT_TRUE(copy->runtime.empty());
  EXPECT_TRUE(before(keys(c), "FEEDWT:LC101C", "FEEDWT:---END_FEEDWT"));
  // Pasted twice with another name, before a block.
  EXPECT_EQ(ask("CPYNEW:BOILER:LC101D BOILER:LC101 PIDA BOILER:LT101").relKey, "BOILER:LT101");
  EXPECT_TRUE(before(keys(c), "BOILER:LC101D", "BOILER:LT101"));
}

TEST_F(EngineBlocksTest, CopyRefusals) {
  const struct {
    std::string command;
    std::string mention;
  } cases[] = {
      {"CPYNEW:BOILER:X BOILER COMPND BOILER:LT101", "compounds"},
      {"CPYNEW:BOILER:X BOILER:---END_BOILER END_ZONE BOILER:LT101", "end entry"},
      {"CPYNEW:BOILER:X BOILER:NOSUCH AIN BOILER:LT101", "NOSUCH"},
      {"CPYNEW:BOILER:X TURBIN:ST301 AIN BOILER:LT101", "CP6002"},
      {"CPYNEW:BOILER:X BOILER:LC101 PID BOILER:LT101", "PIDA"},
      {"CPYNEW:BOILER:FT102 BOILER:LT101 AIN BOILER:LT101", "already exists"},
      {"CPYNEW:FEEDWT:X BOILER:LT101 AIN BOILER:LT101", "not in compound FEEDWT"},
      {"CPYNEW:BOILER:ABCDEFGHIJKLM BOILER:LT101 AIN BOILER:LT101", "12 characters"},
      {"CPYNEW:CP6001_STA:X CP6001_STA:CP6001 STATIO CP6001_STA", "station"},
      {"CPYNEW:BOILER:X BOILER:LT101 AIN", "needs"},
  };
  const Plant unchanged = engine.plant();
  for (const auto& k : cases) {
    const BlockRecord r = ask(k.command);
    EXPECT_EQ(r.keyword, "ERRCPYNEW") << k.command;
    EXPECT_NE(r.message.find(k.mention), std::string::npos) << k.command << " -> " << r.message;
  }
  EXPECT_EQ(engine.plant(), unchanged);
}

// ---- move -------------------------------------------------------------------------------

TEST_F(EngineBlocksTest, MoveWithinTheCompoundReordersIt) {
  const BlockRecord r = ask("MOVEBLK:BOILER:LT101 BOILER:PC104 PID");
  EXPECT_EQ(r, (BlockRecord{"DNMOVEBLK", "BOILER:LT101", "BOILER:PC104", "PID", ""}));
  auto tree = keys(c);
  EXPECT_TRUE(before(tree, "BOILER", "BOILER:PC104"));
  EXPECT_TRUE(before(tree, "BOILER:PC104", "BOILER:LT101"));
  // Forward, to the end: its old neighbours close up.
  EXPECT_EQ(ask("MOVEBLK:BOILER:---END_BOILER BOILER:LT101 AIN").keyword, "DNMOVEBLK");
  tree = keys(c);
  EXPECT_TRUE(before(tree, "BOILER:PC104", "BOILER:FT102"));
  EXPECT_TRUE(before(tree, "BOILER:LT101", "BOILER:---END_BOILER"));
}

TEST_F(EngineBlocksTest, MoveIntoAnotherCompoundRenamesTheBlock) {
  // Nothing connects to BDV106.
  BlockRecord r = ask("MOVEBLK:FEEDWT:FT201 BOILER:BDV106 COUT");
  EXPECT_EQ(r, (BlockRecord{"DNMOVEBLK", "FEEDWT:FT201", "FEEDWT:BDV106", "COUT", ""}));
  EXPECT_EQ(block("BOILER", "BDV106"), nullptr);
  ASSERT_NE(block("FEEDWT", "BDV106"), nullptr);
  const auto tree = keys(c);
  EXPECT_FALSE(listed(tree, "BOILER:BDV106"));
  EXPECT_TRUE(before(tree, "FEEDWT:BDV106", "FEEDWT:FT201"));
  EXPECT_EQ(send(c, "GETPARMS:FEEDWT:BDV106").front(), "CLRPRMLST");

  // BDLOG still names BDTIM by its old name: done, with a warning that says where.
  r = ask("MOVEBLK:FEEDWT:---END_FEEDWT BOILER:BDTIM TIM");
  EXPECT_EQ(r.keyword, "WRNMOVEBLK");
  EXPECT_EQ(r.relKey, "FEEDWT:---END_FEEDWT");
  EXPECT_EQ(r.name, "FEEDWT:BDTIM");
  EXPECT_NE(r.message.find("BOILER:BDLOG.BI02"), std::string::npos) << r.message;
  EXPECT_NE(block("FEEDWT", "BDTIM"), nullptr);
}

TEST_F(EngineBlocksTest, MoveRefusals) {
  ASSERT_EQ(ask("ADDNEW:FEEDWT:LT101 FEEDWT AIN").keyword, "DNADDNEW");
  const struct {
    std::string command;
    std::string mention;
  } cases[] = {
      // Where it already is: before itself, before its successor, at the end when last.
      {"MOVEBLK:BOILER:LT101 BOILER:LT101 AIN", "already"},
      {"MOVEBLK:BOILER:FT102 BOILER:LT101 AIN", "already"},
      {"MOVEBLK:BOILER:---END_BOILER BOILER:BDV106 COUT", "already"},
      {"MOVEBLK:BOILER BOILER:BDV106 COUT", "already"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:LT101 AIN", "FEEDWT:LT101 already exists"},
      {"MOVEBLK:FEEDWT:FT201 BOILER COMPND", "compounds"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:---END_BOILER END_ZONE", "end entry"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:NOSUCH AIN", "NOSUCH"},
      {"MOVEBLK:FEEDWT:NOSUCH BOILER:LT101 AIN", "NOSUCH"},
      {"MOVEBLK:TURBIN:ST301 BOILER:LT101 AIN", "CP6002"},
      {"MOVEBLK:***END*** BOILER:LT101 AIN", "compound"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:LT101 PID", "AIN"},
      {"MOVEBLK:BOILER:LT101 CP6001_STA:CP6001 STATIO", "station"},
      {"MOVEBLK:FEEDWT:FT201 BOILER:LT101", "needs"},
  };
  const Plant unchanged = engine.plant();
  for (const auto& k : cases) {
    const BlockRecord r = ask(k.command);
    EXPECT_EQ(r.keyword, "ERRMOVEBLK") << k.command;
    EXPECT_NE(r.message.find(k.mention), std::string::npos) << k.command << " -> " << r.message;
  }
  EXPECT_EQ(engine.plant(), unchanged);
}

// ---- delete ------------------------------------------------------------------------------

TEST_F(EngineBlocksTest, DeleteRemovesBlocksAndOnlyEmptyCompounds) {
  // The last block before the end entry.
  EXPECT_EQ(send(c, "DELBLK:BOILER:BDV106"), std::vector<std::string>{"DNDELBLKBOILER:BDV106"});
  EXPECT_TRUE(before(keys(c), "BOILER:BDLOG", "BOILER:---END_BOILER"));

  const Compound& feed = *engine.plant().findCompound("FEEDWT");
  EXPECT_TRUE(refused(send(c, "DELBLK:FEEDWT"), "ERRDELBLK",
                      std::to_string(feed.blocks.size()) + " blocks"));
  // The ECB compound looks empty in a list without ECB blocks, and is not.
  EXPECT_TRUE(before(keys(c), "CP6001_ECB", "CP6001_ECB:---END_CP6001_ECB"));
  EXPECT_TRUE(refused(send(c, "DELBLK:CP6001_ECB"), "ERRDELBLK", "count too"));

  ASSERT_EQ(ask("ADDNEW:EMPTY BOILER COMPND").keyword, "DNADDNEW");
  EXPECT_EQ(send(c, "DELBLK:EMPTY"), std::vector<std::string>{"DNDELBLKEMPTY"});
  EXPECT_FALSE(listed(keys(c), "EMPTY"));
  EXPECT_FALSE(listed(compoundsListed(), "EMPTY"));
}

TEST_F(EngineBlocksTest, DeleteRefusals) {
  const std::pair<const char*, const char*> cases[] = {
      {"DELBLK:BOILER:---END_BOILER", "end entry"},
      {"DELBLK:***END***", "end of the list"},
      {"DELBLK:BOILER:NOSUCH", "NOSUCH"},
      {"DELBLK:NOCMP", "NOCMP"},
      {"DELBLK:TURBIN:ST301", "CP6002"},
      {"DELBLK:CP6001_STA:CP6001", "station"},
      {"DELBLK:", "name"},
  };
  const Plant unchanged = engine.plant();
  for (const auto& [command, mention] : cases)
    EXPECT_TRUE(refused(send(c, command), "ERRDELBLK", mention)) << command;
  EXPECT_EQ(engine.plant(), unchanged);
}

// ---- sessions and selection ---------------------------------------------------------------

TEST_F(EngineBlocksTest, EveryOperationNeedsASessionOnTheCpConcerned) {
  const ConnId none = engine.connect();
  const std::pair<const char*, const char*> cases[] = {
      {"ADDNEW:BOILER:N1 BOILER:LT101 AIN", "ERRADDNEW"},
      {"CPYNEW:BOILER:N1 BOILER:LT101 AIN BOILER:LT101", "ERRCPYNEW"},
      {"MOVEBLK:BOILER:FT102 BOILER:PC104 PID", "ERRMOVEBLK"},
      {"DELBLK:BOILER:LT101", "ERRDELBLK"},
  };
  const Plant unchanged = engine.plant();
  for (const auto& [command, keyword] : cases) {
    const auto lines = send(none, command);
    ASSERT_EQ(lines.size(), 1u) << command;
    EXPECT_TRUE(startsWith(lines[0], keyword)) << lines[0];
    EXPECT_NE(lines[0].find("No ICC session"), std::string::npos) << lines[0];
  }
  // Closed: the former session's CP is out of reach too.
  send(c, "CLOSEICC");
  EXPECT_TRUE(refused(send(c, "DELBLK:BOILER:LT101"), "ERRDELBLK", "No ICC session"));
  EXPECT_EQ(engine.plant(), unchanged);
}

TEST_F(EngineBlocksTest, SelectionStaysForBlocksTheConnectionsListDoesNotShow) {
  // Listed without ECB blocks (as in SetUp): ECB blocks are confirmed with the X forms.
  EXPECT_EQ(ask("ADDNEW:CP6001_ECB:FBM09 CP6001_ECB ECB200").keyword, "DNADDNEX");
  EXPECT_EQ(ask("CPYNEW:CP6001_ECB:FBM10 CP6001_ECB:FBM09 ECB200 CP6001_ECB").keyword, "DNCPYNEX");
  EXPECT_EQ(ask("MOVEBLK:CP6001_ECB:FBM09 CP6001_ECB:FBM10 ECB200").keyword, "DNMOVEBLX");
  EXPECT_EQ(send(c, "DELBLK:CP6001_ECB:FBM10"),
            std::vector<std::string>{"DNDELBLXCP6001_ECB:FBM10"});
  EXPECT_EQ(ask("ADDNEW:BOILER:N1 BOILER AIN").keyword, "DNADDNEW");

  // Listed with them: the selection follows.
  keys(c, true);
  EXPECT_EQ(ask("ADDNEW:CP6001_ECB:FBM11 CP6001_ECB ECB2").keyword, "DNADDNEW");
  EXPECT_EQ(send(c, "DELBLK:CP6001_ECB:FBM11"),
            std::vector<std::string>{"DNDELBLKCP6001_ECB:FBM11"});

  // A new session has listed nothing yet.
  const ConnId fresh = openOn("CP6002");
  EXPECT_EQ(ask("ADDNEW:TURBIN:N1 TURBIN AIN", fresh).keyword, "DNADDNEX");
  EXPECT_EQ(ask("ADDNEW:NEWC ***END*** COMPND", fresh).keyword, "DNADDNEX");
  keys(fresh, false, "CP6002");
  EXPECT_EQ(send(fresh, "DELBLK:TURBIN:N1"), std::vector<std::string>{"DNDELBLKTURBIN:N1"});
}

TEST_F(EngineBlocksTest, ClientTextNeverBreaksAReplyLine) {
  for (const char* command : {"ADDNEW:BOILER:A\nCLOSEICC BOILER AIN",
                              "CPYNEW:BOILER:X BOILER:\rLT101 AIN BOILER", "DELBLK:BOILER:A\nB"}) {
    const auto lines = send(c, command);
    ASSERT_EQ(lines.size(), 1u) << command;
    EXPECT_EQ(lines[0].find_first_of("\r\n"), std::string::npos) << lines[0];
    EXPECT_TRUE(startsWith(lines[0], "ERR")) << lines[0];
  }
}

TEST_F(EngineBlocksTest, ChangedPlantSurvivesThePlantFile) {
  ask("ADDNEW:NEWCMP BOILER COMPND");
  ask("ADDNEW:NEWCMP:N1 NEWCMP PID");
  ask("CPYNEW:NEWCMP:C1 BOILER:LC101 PIDA NEWCMP:N1");
  ask("MOVEBLK:NEWCMP:---END_NEWCMP BOILER:BDV106 COUT");
  send(c, "DELBLK:BOILER:LT101");
  const PlantReadResult read = readPlantText(writePlantText(engine.plant()));
  ASSERT_TRUE(read.plant) << read.errorLine << ": " << read.error;
  EXPECT_EQ(*read.plant, engine.plant());
  ASSERT_NE(read.plant->findCompound("NEWCMP"), nullptr);
  std::vector<std::string> order;
  for (const auto& b : read.plant->findCompound("NEWCMP")->blocks) order.push_back(b.name);
  EXPECT_EQ(order, (std::vector<std::string>{"C1", "N1", "BDV106"}));
}

}  // namespace
}  // namespace tarvo::sim

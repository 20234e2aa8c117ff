// The plant's containers: lists that keep their order, find by name and share
// what they hold with their copies until one side changes it; and the index of
// which values name which block, against a plain scan of the plant.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/demo_plant.h"
#include "sim/named_list.h"
#include "sim/ref_index.h"

namespace tarvo::sim {
namespace {

struct Item {
  std::string name;
  int value = 0;
  friend bool operator==(const Item&, const Item&) = default;
};

std::string order(const NamedList<Item>& list) {
  std::string out;
  for (const auto& i : list) out += i.name + "=" + std::to_string(i.value) + " ";
  return out;
}

TEST(NamedListTest, KeepsItsOrderFindsByNameAndRefusesANameTwice) {
  NamedList<Item> list;
  list.push_back({"B", 2});
  list.push_back({"D", 4});
  list.insert("B", {"A", 1});
  list.insert("D", {"C", 3});
  list.insert({}, {"E", 5});
  EXPECT_EQ(order(list), "A=1 B=2 C=3 D=4 E=5 ");
  EXPECT_EQ(list.find("C")->value, 3);
  EXPECT_EQ(list.find("X"), nullptr);
  EXPECT_EQ(list.next("C")->name, "D");
  EXPECT_EQ(list.next("E"), nullptr);
  EXPECT_THROW(list.push_back({"C", 9}), std::invalid_argument);
  EXPECT_THROW(list.insert("X", {"F", 6}), std::invalid_argument);

  const Item c = list.take("C");
  EXPECT_EQ(c.value, 3);
  EXPECT_TRUE(list.erase("A"));
  EXPECT_FALSE(list.erase("A"));
  list.edit("E")->value = 50;
  list.insert("B", Item(c));
  EXPECT_EQ(order(list), "C=3 B=2 D=4 E=50 ");
  EXPECT_EQ(list.size(), 4u);
}

TEST(NamedListTest, ACopySharesItemsUntilOneSideChangesThemAndThenCopiesOnlyWhatChanges) {
  NamedList<Item> list;
  for (const char* n : {"A", "B", "C"}) list.push_back({n, 1});
  const NamedList<Item> copy = list;
  EXPECT_EQ(copy.find("B"), list.find("B"));  // shared, not copied

  list.edit("B")->value = 2;
  list.push_back({"D", 1});
  list.erase("A");
  EXPECT_EQ(order(copy), "A=1 B=1 C=1 ");
  EXPECT_EQ(order(list), "B=2 C=1 D=1 ");
  EXPECT_EQ(copy.find("C"), list.find("C"));  // untouched: still one item
  EXPECT_NE(copy.find("B"), list.find("B"));

  // Each side changes its own from now on, in place.
  Item* b = list.edit("B");
  EXPECT_EQ(list.edit("B"), b);
  NamedList<Item> again = copy;
  again.editWhere([](const Item& i) { return i.name != "A"; }, [](Item& i) { i.value = 7; });
  EXPECT_EQ(order(again), "A=1 B=7 C=7 ");
  EXPECT_EQ(order(copy), "A=1 B=1 C=1 ");
  EXPECT_EQ(again.find("A"), copy.find("A"));
  EXPECT_FALSE(again == copy);
}

// Every "OWNER.PARAM" of the plant whose value is `block` or starts with it and a dot.
std::vector<std::string> scan(const Plant& plant, const std::string& block) {
  std::vector<std::string> found;
  auto look = [&](const std::string& owner, const ParamList& params) {
    for (const auto& p : params)
      if (p.value == block || p.value.rfind(block + ".", 0) == 0)
        found.push_back(owner + "." + p.name);
  };
  for (const auto& cp : plant.cps) {
    for (const auto& c : cp.compounds) {
      look(c.name, c.params);
      for (const auto& b : c.blocks) look(c.name + ":" + b.name, b.params);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

TEST(ReferenceIndexTest, NamesTheHoldersAScanOfThePlantFindsAndFollowsChanges) {
  Plant plant = buildDemoPlant();
  ReferenceIndex index(plant);
  std::size_t named = 0;
  auto agree = [&](const std::string& block) {
    const auto h = index.holdersOf(block, 1000);
    EXPECT_EQ(h.first, scan(plant, block)) << block;
    EXPECT_EQ(h.count, h.first.size()) << block;
    named += h.count;
  };
  for (const auto& cp : plant.cps)
    for (const auto& c : cp.compounds)
      for (const auto& b : c.blocks) agree(c.name + ":" + b.name);
  EXPECT_GT(named, 20u);
  EXPECT_EQ(index.holdersOf("BOILER:LT101", 1).first.size(), 1u);

  // A changed value moves its holder from one block to the other.
  Block& lc = *plant.cps.edit("CP6001")->compounds.edit("BOILER")->blocks.edit("LC101");
  const ParamList before = lc.params;
  ASSERT_TRUE(setValue(lc.params, "MEAS", "FEEDWT:FT201.PNT"));
  index.remove("BOILER:LC101", before);
  index.add("BOILER:LC101", lc.params);
  agree("BOILER:LT101");
  agree("FEEDWT:FT201");
  // A name that is only a compound's, or holds no colon, names no block.
  EXPECT_EQ(index.holdersOf("BOILER", 10).count, 0u);
}

}  // namespace
}  // namespace tarvo::sim

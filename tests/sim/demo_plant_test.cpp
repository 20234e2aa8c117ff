// The built-in plants must be plants a configurator would accept: every value
// valid for its parameter, every connection pointing at a real source, names
// within the limits the reply columns allow.
#include "demo_plant.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "seq_checker.h"
#include "sim_test_util.h"
#include "text.h"

namespace tarvo::sim {
namespace {

void expectConsistent(const Plant& plant) {
  std::set<std::string> compounds;
  for (const auto& cp : plant.cps) {
    EXPECT_TRUE(validCpName(cp.name)) << cp.name;
    for (const auto& c : cp.compounds) {
      EXPECT_TRUE(validCompoundName(c.name)) << c.name;
      EXPECT_TRUE(compounds.insert(c.name).second) << "duplicate compound " << c.name;
      std::set<std::string> blocks;
      for (const auto& b : c.blocks) {
        const std::string where = c.name + ":" + b.name;
        EXPECT_TRUE(validBlockName(b.name)) << where;
        EXPECT_TRUE(blocks.insert(b.name).second) << "duplicate " << where;
        const BlockType& type = b.blockType();
        ASSERT_EQ(b.params.size(), type.params.size()) << where;
        for (std::size_t i = 0; i < b.params.size(); ++i) {
          const Param& p = b.params[i];
          const ParamDef& def = type.params[i];
          EXPECT_EQ(p.name, def.name) << where;
          EXPECT_LE(p.name.size(), 6u) << where;
          const ValueCheck check = checkValue(def, p.value);
          EXPECT_EQ(check.verdict, Verdict::Accepted)
              << where << "." << p.name << ": " << check.message;
          Reference ref;
          const bool connection =
              def.kind == ParamKind::Connection ||
              (def.kind == ParamKind::Mixed && !p.value.empty() && !text::parseNumber(p.value));
          if (connection && !p.value.empty()) {
            ASSERT_TRUE(parseReference(p.value, true, ref)) << where << "." << p.name;
            const Block* source = plant.findBlock(ref.compound, ref.block);
            ASSERT_NE(source, nullptr) << where << "." << p.name << " -> " << p.value;
            EXPECT_TRUE(source->blockType().hasSource(ref.param)) << where << " -> " << p.value;
          }
          if (def.kind == ParamKind::BlockRef && !p.value.empty()) {
            ASSERT_TRUE(parseReference(p.value, false, ref)) << where << "." << p.name;
            EXPECT_NE(plant.findBlock(ref.compound, ref.block), nullptr)
                << where << " -> " << p.value;
          }
        }
        for (const auto& r : b.runtime)
          EXPECT_NE(type.param(r.name), nullptr) << where << " " << r.name;
      }
    }
  }
}

TEST(DemoPlantTest, DemoAndScalePlantsAreValidAndTheDemoHoldsEveryBlockType) {
  const Plant demo = buildDemoPlant();
  expectConsistent(demo);
  for (std::size_t n : {1u, 7u, 400u}) {
    const Plant p = buildScalePlant(n, 10);
    expectConsistent(p);
    std::size_t process = 0;
    for (const auto& c : p.cps.at(0).compounds)
      for (const auto& b : c.blocks) process += b.blockType().ecbOrStation() ? 0 : 1;
    EXPECT_EQ(process, n);
  }
  // Every type is shown, and the sequence sources compile as the simulator compiles them,
  // one of them with a warning.
  std::set<std::string> types;
  std::size_t sources = 0, warnings = 0;
  for (const auto& cp : demo.cps)
    for (const auto& c : cp.compounds)
      for (const auto& b : c.blocks) {
        types.insert(b.type);
        if (!b.blockType().sequence() || b.source.empty()) continue;
        seq::CheckContext context{b.name, b.blockType().outputs};
        for (const auto& p : b.blockType().params) context.parameters.push_back(p.name);
        const seq::CheckResult r = seq::checkSequence(b.source, context);
        EXPECT_EQ(r.errors, 0u) << c.name << ":" << b.name;
        warnings += r.warnings;
        ++sources;
      }
  for (const auto& t : blockTypes())
    EXPECT_TRUE(t.cls == TypeClass::Compound || types.count(t.name)) << t.name << " missing";
  EXPECT_EQ(sources, 7u);
  EXPECT_EQ(warnings, 1u);
}

}  // namespace
}  // namespace tarvo::sim

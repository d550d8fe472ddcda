// The key gate's outcomes for every reporting state, press kind and kept state; hold-back timing.
#include "helper/core/key_gate.h"

#include <gtest/gtest.h>

namespace parlevox {
namespace {

using D = KeyGate::Decision;

TEST(KeyGateDecide, NotReportingPassesFreshPressesAndForgetsStaleEntries) {
  KeyGate gate;
  gate.keep(49);
  int asked = 0;
  auto ours = [&] { return ++asked, true; };
  EXPECT_EQ(gate.decide(49, true, false, false, ours), (D{false, false}));
  EXPECT_FALSE(gate.kept.contains(49));
  EXPECT_EQ(gate.decide(49, false, false, false, ours), (D{false, false}));
  EXPECT_EQ(asked, 0);
}

TEST(KeyGateDecide, KeptPressSwallowsRepeatsAndReleaseAfterReportingEnds) {
  KeyGate gate;
  EXPECT_EQ(gate.decide(49, true, false, true, [] { return true; }), (D{true, true}));
  int asked = 0;
  auto ours = [&] { return ++asked, false; };
  EXPECT_EQ(gate.decide(49, true, true, false, ours), (D{true, true}));
  EXPECT_EQ(gate.decide(49, false, false, false, ours), (D{true, true}));
  EXPECT_FALSE(gate.kept.contains(49));
  EXPECT_EQ(asked, 0);
}

TEST(KeyGateDecide, ReportingWithoutOwnershipIsSeenNotSwallowed) {
  KeyGate gate;
  EXPECT_EQ(gate.decide(0, true, false, true, [] { return false; }), (D{true, false}));
  EXPECT_EQ(gate.decide(0, true, true, true, [] { return false; }), (D{true, false}));
  EXPECT_EQ(gate.decide(0, true, false, true, [] { return true; }), (D{true, true}));
  EXPECT_TRUE(gate.kept.contains(0));
  EXPECT_EQ(gate.decide(0, false, false, true, [] { return false; }), (D{true, true}));
  EXPECT_EQ(gate.decide(0, false, false, true, [] { return true; }), (D{true, false}));
}

// Every row of the gate's outcome table, with whether `ours` may be asked and what it answers.
TEST(KeyGateDecide, OutcomeTable) {
  enum Kind { fresh, repeat, up };
  struct Row {
    bool reporting;
    Kind kind;
    bool keptBefore;
    bool ours;
    D result;
    bool keptAfter;
    bool asksOurs;
  };
  const Row rows[] = {
      {false, fresh, true, true, {false, false}, false, false},
      {false, fresh, false, true, {false, false}, false, false},
      {false, repeat, false, true, {false, false}, false, false},
      {false, repeat, true, false, {true, true}, true, false},
      {false, up, false, true, {false, false}, false, false},
      {false, up, true, false, {true, true}, false, false},
      {true, fresh, true, true, {true, true}, true, true},
      {true, fresh, true, false, {true, false}, false, true},
      {true, fresh, false, true, {true, true}, true, true},
      {true, fresh, false, false, {true, false}, false, true},
      {true, repeat, true, false, {true, true}, true, false},
      // A repeat of a press that went through is never swallowed, whatever `ours` would say.
      {true, repeat, false, true, {true, false}, false, false},
      {true, repeat, false, false, {true, false}, false, false},
      {true, up, true, false, {true, true}, false, false},
      {true, up, false, true, {true, false}, false, false},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    KeyGate gate;
    if (row.keptBefore) gate.keep(7);
    int asked = 0;
    auto result = gate.decide(7, row.kind != up, row.kind == repeat, row.reporting,
                              [&] { return ++asked, row.ours; });
    EXPECT_EQ(result, row.result) << "row " << i;
    EXPECT_EQ(gate.kept.contains(7), row.keptAfter) << "row " << i;
    EXPECT_EQ(asked, row.asksOurs ? 1 : 0) << "row " << i;
  }
}

TEST(KeyGateHoldBack, FirstQuietSpaceIsHeldAndTheGapIsInclusive) {
  KeyGate gate;
  EXPECT_TRUE(gate.holdBack(true, false, true, true, 1000));
  EXPECT_FALSE(gate.holdBack(true, false, true, true, 1499));
  EXPECT_TRUE(gate.holdBack(true, false, true, true, 1999));
  EXPECT_FALSE(gate.holdBack(true, false, false, true, 5000));
  EXPECT_FALSE(gate.holdBack(true, false, true, false, 6000));
  EXPECT_EQ(gate.lastPress, 6000);
}

TEST(KeyGateHoldBack, RepeatsAndReleasesNeitherHoldNorMoveTheLastPress) {
  KeyGate gate;
  gate.holdBack(true, false, false, false, 100);
  EXPECT_FALSE(gate.holdBack(true, true, true, true, 900));
  EXPECT_FALSE(gate.holdBack(false, false, true, true, 900));
  EXPECT_EQ(gate.lastPress, 100);
  EXPECT_TRUE(gate.holdBack(true, false, true, true, 600));
}

}  // namespace
}  // namespace parlevox

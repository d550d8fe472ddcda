// The key gate's outcomes for every reporting state, press kind and kept state; hold-back timing.
#include "helper/keyboard/key_gate.h"

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
  EXPECT_EQ(gate.decide(0, true, true, true, [] { return true; }), (D{true, true}));
  EXPECT_TRUE(gate.kept.contains(0));
  EXPECT_EQ(gate.decide(0, false, false, true, [] { return false; }), (D{true, true}));
  EXPECT_EQ(gate.decide(0, false, false, true, [] { return true; }), (D{true, false}));
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

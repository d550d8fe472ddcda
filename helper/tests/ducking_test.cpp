// Ducking and restoring the output volume against a fake volume control.
#include "helper/output/ducking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

#include "helper/core/state.h"
#include "helper/platform/volume.h"

namespace parlevox {
namespace {

using nlohmann::json;

class FakeVolume final : public platform::Volume {
 public:
  std::optional<float> level = 0.5f;  // nothing: no device, or reading fails
  bool writable = true;
  std::vector<float> writes;

  std::optional<float> outputVolume() override { return level; }
  bool setOutputVolume(float volume) override {
    writes.push_back(volume);
    if (!level || !writable) return false;
    level = std::clamp(volume, 0.0f, 1.0f);
    return true;
  }
};

class Ducking : public testing::Test {
 protected:
  FakeVolume volume;
  platform::Volume* control = &volume;
  DuckingState state;

  json duck(double level) { return parlevox::duck(state, control, level); }
  json unduck() { return parlevox::unduck(state, control); }
  bool ducked() const {
    EXPECT_EQ(state.duckedFrom.has_value(), state.duckedTo.has_value());
    return state.duckedFrom.has_value();
  }
};

TEST_F(Ducking, DuckLowersByTheLevelAndUnduckRestoresTheVolumeFound) {
  EXPECT_EQ(duck(0.2), (json{{"ok", true}}));
  EXPECT_FLOAT_EQ(*volume.level, 0.1f);
  EXPECT_FLOAT_EQ(*state.duckedFrom, 0.5f);
  EXPECT_FLOAT_EQ(*state.duckedTo, 0.1f);
  EXPECT_EQ(unduck(), (json{{"ok", true}}));
  EXPECT_FLOAT_EQ(*volume.level, 0.5f);
  EXPECT_FALSE(ducked());
}

TEST_F(Ducking, SecondDuckNeitherLowersFurtherNorForgetsTheFirstVolume) {
  duck(0.2);
  EXPECT_EQ(duck(0.5), (json{{"ok", true}, {"already", true}}));
  EXPECT_EQ(volume.writes.size(), 1u);
  EXPECT_FLOAT_EQ(*volume.level, 0.1f);
  unduck();
  EXPECT_FLOAT_EQ(*volume.level, 0.5f);
}

TEST_F(Ducking, UnduckWithoutDuckChangesNothing) {
  EXPECT_EQ(unduck(), (json{{"ok", true}, {"already", true}}));
  EXPECT_TRUE(volume.writes.empty());
}

TEST_F(Ducking, LevelIsClampedToZeroToOne) {
  EXPECT_EQ(duck(1.5), (json{{"ok", true}}));
  EXPECT_FLOAT_EQ(*volume.level, 0.5f);
  unduck();
  EXPECT_EQ(duck(-0.3), (json{{"ok", true}}));
  EXPECT_FLOAT_EQ(*volume.level, 0.0f);
  EXPECT_EQ(unduck(), (json{{"ok", true}}));
  EXPECT_FLOAT_EQ(*volume.level, 0.5f);
}

// Ducked to 0.125; the user then moves the volume before unduck.
TEST_F(Ducking, UserChangeOfMoreThanTwoHundredthsIsLeftAlone) {
  for (float moved : {0.4f, 0.15f, 0.1f, 0.0f}) {
    SCOPED_TRACE(moved);
    volume.level = 0.5f;
    duck(0.25);
    volume.level = moved;
    volume.writes.clear();
    EXPECT_EQ(unduck(), (json{{"ok", true}, {"userChanged", true}}));
    EXPECT_FLOAT_EQ(*volume.level, moved);
    EXPECT_TRUE(volume.writes.empty());
    EXPECT_FALSE(ducked());
  }
}

TEST_F(Ducking, ChangeOfAtMostTwoHundredthsStillRestores) {
  for (float moved : {0.145f, 0.13f, 0.11f, 0.106f}) {
    SCOPED_TRACE(moved);
    volume.level = 0.5f;
    duck(0.25);
    volume.level = moved;
    EXPECT_EQ(unduck(), (json{{"ok", true}}));
    EXPECT_FLOAT_EQ(*volume.level, 0.5f);
  }
}

TEST_F(Ducking, UnreadableVolumeCannotBeDucked) {
  volume.level.reset();
  EXPECT_EQ(duck(0.2), (json{{"ok", false}, {"error", "no_volume_control"}}));
  EXPECT_TRUE(volume.writes.empty());
  EXPECT_FALSE(ducked());

  control = nullptr;
  EXPECT_EQ(duck(0.2), (json{{"ok", false}, {"error", "no_volume_control"}}));
  EXPECT_EQ(unduck(), (json{{"ok", true}, {"already", true}}));
}

TEST_F(Ducking, FailedWriteLeavesTheHelperUnducked) {
  volume.writable = false;
  EXPECT_EQ(duck(0.2), (json{{"ok", false}, {"error", "set_failed"}}));
  EXPECT_FALSE(ducked());
  EXPECT_EQ(unduck(), (json{{"ok", true}, {"already", true}}));
}

TEST_F(Ducking, FailedRestoreStillClearsTheState) {
  duck(0.2);
  volume.writable = false;
  EXPECT_EQ(unduck(), (json{{"ok", false}}));
  EXPECT_FALSE(ducked());
  // The next duck starts from the volume found now.
  volume.writable = true;
  volume.level = 0.8f;
  duck(0.5);
  EXPECT_FLOAT_EQ(*state.duckedFrom, 0.8f);
}

TEST_F(Ducking, UnreadableVolumeAtUnduckIsRestoredBlindly) {
  duck(0.2);
  // The device vanished between duck and unduck.
  volume.level.reset();
  EXPECT_EQ(unduck(), (json{{"ok", false}}));
  EXPECT_FLOAT_EQ(volume.writes.back(), 0.5f);
  EXPECT_FALSE(ducked());

  // A device that cannot be read but can be written gets the old volume back.
  class WriteOnly final : public platform::Volume {
   public:
    std::vector<float> writes;
    std::optional<float> outputVolume() override { return std::nullopt; }
    bool setOutputVolume(float v) override { return writes.push_back(v), true; }
  } writeOnly;
  state.duckedFrom = 0.7f;
  state.duckedTo = 0.14f;
  control = &writeOnly;
  EXPECT_EQ(unduck(), (json{{"ok", true}}));
  EXPECT_EQ(writeOnly.writes, std::vector<float>{0.7f});
}

}  // namespace
}  // namespace parlevox

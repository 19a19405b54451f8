#include <gtest/gtest.h>

#include "engine3d/engine_state.h"
#include "engine3d/renderer.h"

namespace zen::engine3d {
namespace {

void ExpectNear(Vec3 a, Vec3 b) {
  EXPECT_NEAR(a.x, b.x, 1e-5f);
  EXPECT_NEAR(a.y, b.y, 1e-5f);
  EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(EntityTransform, YawTurnsCounterClockwiseSeenFromAbove) {
  ExpectNear(RotationDegrees(0, 90, 0).Apply({1, 0, 0}), {0, 0, -1});
  ExpectNear(RotationDegrees(90, 0, 0).Apply({0, 1, 0}), {0, 0, 1});
}

TEST(EntityTransform, ChildrenTurnWithTheirParents) {
  EngineState state;
  state.entities[0].rotation = {0, 90, 0};
  state.entities[1].parent = 0;
  state.entities[2].parent = 1;
  state.entities[2].rotation = {0, 90, 0};
  ExpectNear(EntityWorld(state, 1).Apply({1, 0, 0}), {0, 0, -1});
  ExpectNear(EntityWorld(state, 2).Apply({1, 0, 0}), {-1, 0, 0});
}

}  // namespace
}  // namespace zen::engine3d

#include "engine3d/loader/engine_loader.h"

#include <gtest/gtest.h>

#include <string>

namespace zen {
namespace {

class EngineLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEngineLoader();
    RegisterEngineModules();
  }
  void TearDown() override { ResetEngineLoader(); }
};

TEST_F(EngineLoaderTest, LoadsTheEngineOnceWithEveryFamilyResolved) {
  ASSERT_TRUE(LoadEngine());
  const EngineEntries& e = Engine();
  EXPECT_EQ(e.screen.interface_version(), 572);
  EXPECT_TRUE(e.screen.open_window_screen && e.cameras.height && e.resources.add_folder && e.meshes.load &&
              e.textures.draw_into && e.materials.attribute && e.entities.rotate);
  void* library = EngineLoader().library;
  EXPECT_TRUE(LoadEngine());
  EXPECT_EQ(EngineLoader().library, library);  // not loaded a second time
}

TEST_F(EngineLoaderTest, MissingLibraryWritesTheLoaderErrorLineAndFails) {
  EngineLoader().library_name = "engine3d_not_there.so";
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadEngine());
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("engine3d_not_there.so"), std::string::npos) << out;
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.find('\n'), out.size() - 1);  // exactly one line
  EXPECT_FALSE(EngineLoaded());
}

TEST_F(EngineLoaderTest, RefusesAnotherInterfaceVersionSilently) {
  EngineLoader().library_name = "engine3d_wrong_version.so";
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadEngine());
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(EngineLoaded());
  EXPECT_EQ(Engine().screen.init, nullptr);
}

TEST_F(EngineLoaderTest, RefusesALibraryWhoseInitialisationFails) {
  EngineLoader().library_name = "engine3d_failing_init.so";
  EXPECT_FALSE(LoadEngine());
  EXPECT_FALSE(EngineLoaded());
}

int first_calls = 0;
int order_seen = 0;
bool FirstModule(void*, EngineEntries&) {
  ++first_calls;
  order_seen = order_seen * 10 + 1;
  return true;
}
bool SecondModule(void* library, EngineEntries& e) {
  order_seen = order_seen * 10 + 2;
  return ResolveEngineEntry(library, "EngineNoSuchOperation", e.meshes.load);
}

TEST_F(EngineLoaderTest, RunsModulesInOrderAndRefusesALibraryLackingAnEntry) {
  first_calls = order_seen = 0;
  RegisterEngineModule(FirstModule);
  RegisterEngineModule(FirstModule);  // ignored
  RegisterEngineModule(SecondModule);
  EXPECT_FALSE(LoadEngine());
  EXPECT_EQ(first_calls, 1);
  EXPECT_EQ(order_seen, 12);
  EXPECT_FALSE(EngineLoaded());
}

}  // namespace
}  // namespace zen

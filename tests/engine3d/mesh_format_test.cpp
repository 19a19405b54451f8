#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine3d/mesh.h"
#include "tests/support/about_scene.h"

namespace zen::engine3d {
namespace {

constexpr char kTriangle[] =
    "zmesh 1\r\n"
    "# one triangle\n"
    "\n"
    "v 0 0 0  0 0  0 0 2\n"
    "v\t1 0 0  1 0  0 0 0\n"
    "t 0 1 2\n"
    "v 0 1 0  0 1  0 0 1\n";

TEST(MeshFormat, ReadsVerticesTrianglesAndForwardReferences) {
  auto mesh = ParseMesh(kTriangle);
  ASSERT_TRUE(mesh);
  ASSERT_EQ(mesh->vertices.size(), 3u);
  ASSERT_EQ(mesh->triangles.size(), 1u);
  EXPECT_EQ(mesh->triangles[0][2], 2u);
  EXPECT_FLOAT_EQ(mesh->vertices[0].normal.z, 1.0f);  // normalised
  EXPECT_FLOAT_EQ(mesh->vertices[1].normal.z, 1.0f);  // zero becomes 0 0 1
  EXPECT_FLOAT_EQ(mesh->vertices[2].v, 1.0f);
}

TEST(MeshFormat, RefusesMalformedFiles) {
  const char* bad[] = {
      "",                                       // no header
      "zmesh 2\n",                              // unknown version
      "v 0 0 0 0 0 0 0 1\nzmesh 1\n",           // header not first
      "zmesh 1\nv 0 0 0 0 0 0 0\n",             // a field short
      "zmesh 1\nv 0 0 0 0 0 0 0 1 5\n",         // a field too many
      "zmesh 1\nv 0 0 nan 0 0 0 0 1\n",         // not finite
      "zmesh 1\nv 0 0 1e99 0 0 0 0 1\n",        // out of float range
      "zmesh 1\nv 0 0 0x 0 0 0 0 1\n",          // trailing junk in a number
      "zmesh 1\nv 0 0 0 0 0 0 0 1\nt 0 0 1\n",  // vertex out of range
      "zmesh 1\nt 0 0 -1\n",                    // negative index
      "zmesh 1\nt 0 0 4294967296\n",            // index overflow
      "zmesh 1\nq 1 2 3\n",                     // unknown record
  };
  for (const char* text : bad) EXPECT_FALSE(ParseMesh(text)) << text;
  std::string long_line = "zmesh 1\n# " + std::string(2000, 'x') + "\n";
  EXPECT_FALSE(ParseMesh(long_line));
}

TEST(MeshFormat, CommittedModelFilesAreReadable) {
  for (const char* name : {"Package.mesh", "PackagePlane.mesh", "PackageSticker1.mesh"}) {
    std::ifstream in(zen::testing::PackageFolder() + "/" + name, std::ios::binary);
    ASSERT_TRUE(in) << name;
    std::stringstream text;
    text << in.rdbuf();
    auto mesh = ParseMesh(text.str());
    ASSERT_TRUE(mesh) << name;
    EXPECT_GE(mesh->triangles.size(), 2u) << name;
  }
}

}  // namespace
}  // namespace zen::engine3d

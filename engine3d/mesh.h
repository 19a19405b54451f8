#pragma once
// Meshes and their text file format (MESH-FORMAT.md).
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine3d/math3d.h"

namespace zen::engine3d {

struct MeshVertex {
  Vec3 position;
  float u = 0, v = 0;
  Vec3 normal{0, 0, 1};  // unit length
};

struct Mesh {
  std::vector<MeshVertex> vertices;
  std::vector<std::array<uint32_t, 3>> triangles;  // counter-clockwise front
};

inline constexpr size_t kMeshMaxVertices = 65536;
inline constexpr size_t kMeshMaxTriangles = 131072;
inline constexpr size_t kMeshMaxFileBytes = 16 * 1024 * 1024;

// The mesh described by a file's text; nullopt for anything malformed (see the format).
std::optional<Mesh> ParseMesh(std::string_view text);

}  // namespace zen::engine3d

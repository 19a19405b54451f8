// The engine's mesh reader over arbitrary bytes: it must refuse or read, never misbehave.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine3d/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto mesh = zen::engine3d::ParseMesh(std::string_view(reinterpret_cast<const char*>(data), size));
  if (mesh) {
    for (const auto& t : mesh->triangles) {
      for (uint32_t i : t) {
        if (i >= mesh->vertices.size()) __builtin_trap();  // the reader promised in-range indices
      }
    }
  }
  return 0;
}

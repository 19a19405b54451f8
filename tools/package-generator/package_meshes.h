#pragma once
#include <string>

namespace zen::package {
// The texts of Package.mesh, PackagePlane.mesh and PackageSticker1.mesh.
std::string BoxMeshText();
std::string PlaneMeshText();
std::string StickerMeshText();
}  // namespace zen::package

#include "tools/package-generator/package_meshes.h"

#include <cmath>
#include <cstdio>

#include "tools/package-generator/package_layout.h"

namespace zen::package {
namespace {

struct V3 {
  double x, y, z;
};
V3 Add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

class MeshWriter {
 public:
  explicit MeshWriter(const char* comment) { text_ = std::string("zmesh 1\n# ") + comment + "\n"; }
  int Vertex(V3 p, double u, double v, V3 n) {
    char line[200];
    std::snprintf(line, sizeof line, "v %.6f %.6f %.6f  %.6f %.6f  %.3f %.3f %.3f\n", p.x, p.y, p.z, u, v, n.x, n.y,
                  n.z);
    text_ += line;
    return count_++;
  }
  void Triangle(int a, int b, int c) {
    text_ += "t " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + "\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  int count_ = 0;
};

// A rectangle seen from outside with `right` to the right and `up` upwards, showing the
// atlas region (a texel inset keeps neighbours from bleeding in).
void Face(MeshWriter& w, V3 origin, V3 right, V3 up, V3 normal, Region r, int atlas) {
  double u0 = (r.x + 1.0) / atlas, u1 = (r.x + r.w - 1.0) / atlas;
  double v0 = (r.y + 1.0) / atlas, v1 = (r.y + r.h - 1.0) / atlas;
  int a = w.Vertex(origin, u0, v1, normal);
  int b = w.Vertex(Add(origin, right), u1, v1, normal);
  int c = w.Vertex(Add(Add(origin, right), up), u1, v0, normal);
  int d = w.Vertex(Add(origin, up), u0, v0, normal);
  w.Triangle(a, b, c);
  w.Triangle(a, c, d);
}

}  // namespace

std::string BoxMeshText() {
  MeshWriter w("the boxed product; faces share the Package.png atlas");
  const double x = kWidth / 2, z = kDepth / 2, y0 = kBottom, y1 = kBottom + kHeight;
  const V3 up{0, kHeight, 0};
  Face(w, {-x, y0, z}, {kWidth, 0, 0}, up, {0, 0, 1}, kFront, kAtlasSide);
  Face(w, {x, y0, -z}, {-kWidth, 0, 0}, up, {0, 0, -1}, kBack, kAtlasSide);
  Face(w, {x, y0, z}, {0, 0, -kDepth}, up, {1, 0, 0}, kRight, kAtlasSide);
  Face(w, {-x, y0, -z}, {0, 0, kDepth}, up, {-1, 0, 0}, kLeft, kAtlasSide);
  Face(w, {-x, y1, z}, {kWidth, 0, 0}, {0, 0, -kDepth}, {0, 1, 0}, kTop, kAtlasSide);
  Face(w, {-x, y0, -z}, {kWidth, 0, 0}, {0, 0, kDepth}, {0, -1, 0}, kBottomFace, kAtlasSide);
  return w.Text();
}

std::string PlaneMeshText() {
  MeshWriter w("the plane under the box, facing up, showing all of PackagePlane.png");
  const double h = kPlaneSide / 2;
  Face(w, {-h, kBottom, h}, {kPlaneSide, 0, 0}, {0, 0, -kPlaneSide}, {0, 1, 0}, Region{0, 0, 256, 256}, 256);
  return w.Text();
}

std::string StickerMeshText() {
  MeshWriter w("a round sticker just in front of the box's front face");
  const double z = kDepth / 2 + kStickerLift;
  const double cu = (kSticker.x + kSticker.w / 2.0) / kAtlasSide, cv = (kSticker.y + kSticker.h / 2.0) / kAtlasSide;
  const double ru = (kSticker.w / 2.0 - 2) / kAtlasSide, rv = (kSticker.h / 2.0 - 2) / kAtlasSide;
  int centre = w.Vertex({kStickerX, kStickerY, z}, cu, cv, {0, 0, 1});
  for (int i = 0; i < kStickerSegments; ++i) {
    double a = 2 * 3.14159265358979 * i / kStickerSegments;
    w.Vertex({kStickerX + kStickerRadius * std::cos(a), kStickerY + kStickerRadius * std::sin(a), z},
             cu + ru * std::cos(a), cv - rv * std::sin(a), {0, 0, 1});
  }
  for (int i = 0; i < kStickerSegments; ++i) w.Triangle(centre, 1 + i, 1 + (i + 1) % kStickerSegments);
  return w.Text();
}

}  // namespace zen::package

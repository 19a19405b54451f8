#pragma once
// The About model's measures and the regions of its texture atlas, shared by the mesh
// writer and the painter so that the faces and their pictures agree.
namespace zen::package {

// The box, in metres: width (x), height (y), depth (z); it stands on the plane.
inline constexpr double kWidth = 0.14;
inline constexpr double kHeight = 0.19;
inline constexpr double kDepth = 0.045;
inline constexpr double kBottom = -0.12;  // y of the box's base and of the plane
inline constexpr double kPlaneSide = 0.32;

// The sticker: a disc on the front face near its top-right corner.
inline constexpr double kStickerX = kWidth / 2 - 0.032;
inline constexpr double kStickerY = kBottom + kHeight - 0.036;
inline constexpr double kStickerRadius = 0.022;
inline constexpr double kStickerLift = 0.0006;  // in front of the face, clear of its depth
inline constexpr int kStickerSegments = 32;

// Regions of Package.png (1024 x 1024), in texels: left, top, width, height.
struct Region {
  int x, y, w, h;
};
inline constexpr int kAtlasSide = 1024;
inline constexpr Region kFront{0, 0, 376, 510};
inline constexpr Region kBack{384, 0, 376, 510};
inline constexpr Region kRight{768, 0, 120, 510};
inline constexpr Region kLeft{896, 0, 120, 510};
inline constexpr Region kTop{0, 520, 376, 120};
inline constexpr Region kBottomFace{384, 520, 376, 120};
inline constexpr Region kSticker{0, 656, 256, 256};  // the badge, a disc filling the square

inline constexpr int kPlaneTextureSide = 256;
inline constexpr int kEnvTextureSide = 256;

}  // namespace zen::package

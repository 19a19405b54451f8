#pragma once
// The little vector and matrix algebra the renderer needs.
#include <cmath>

namespace zen::engine3d {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
inline Vec3 Normalised(Vec3 a, Vec3 fallback) {
  float len = Length(a);
  return len > 1e-12f ? a * (1.0f / len) : fallback;
}

// An affine transform: p' = m * p + t, with m stored by rows.
struct Affine {
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3 t;

  Vec3 Apply(Vec3 p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + t.x, m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + t.y,
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + t.z};
  }
  Vec3 Turn(Vec3 d) const {  // the linear part only, for directions
    return {m[0][0] * d.x + m[0][1] * d.y + m[0][2] * d.z, m[1][0] * d.x + m[1][1] * d.y + m[1][2] * d.z,
            m[2][0] * d.x + m[2][1] * d.y + m[2][2] * d.z};
  }
};

// a after b: (a * b)(p) = a(b(p)).
inline Affine Compose(const Affine& a, const Affine& b) {
  Affine r;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    }
  }
  r.t = a.Apply(b.t);
  return r;
}

// Rotation by degrees about x, y and z, applied as z, then x, then y (yaw outermost).
inline Affine RotationDegrees(float rx, float ry, float rz) {
  const double k = 3.14159265358979323846 / 180.0;
  auto about = [](int axis, double radians) {
    Affine a;
    float c = static_cast<float>(std::cos(radians));
    float s = static_cast<float>(std::sin(radians));
    int i = (axis + 1) % 3;
    int j = (axis + 2) % 3;
    a.m[i][i] = c;
    a.m[i][j] = -s;
    a.m[j][i] = s;
    a.m[j][j] = c;
    return a;
  };
  return Compose(about(1, ry * k), Compose(about(0, rx * k), about(2, rz * k)));
}

}  // namespace zen::engine3d

#include "converter/blend_modes.h"

#include <algorithm>
#include <cmath>

#include "converter/psd_descriptor.h"

namespace zen {
namespace {

struct ModeKey {
  uint32_t key;
  BlendMode mode;
  const char* name;
};

constexpr ModeKey kModes[] = {
    {FourCc("pass"), BlendMode::PassThrough, "pass through"},
    {FourCc("norm"), BlendMode::Normal, "normal"},
    {FourCc("diss"), BlendMode::Normal, "dissolve"},
    {FourCc("dark"), BlendMode::Darken, "darken"},
    {FourCc("mul "), BlendMode::Multiply, "multiply"},
    {FourCc("idiv"), BlendMode::ColourBurn, "colour burn"},
    {FourCc("lbrn"), BlendMode::LinearBurn, "linear burn"},
    {FourCc("dkCl"), BlendMode::DarkerColour, "darker colour"},
    {FourCc("lite"), BlendMode::Lighten, "lighten"},
    {FourCc("scrn"), BlendMode::Screen, "screen"},
    {FourCc("div "), BlendMode::ColourDodge, "colour dodge"},
    {FourCc("lddg"), BlendMode::LinearDodge, "linear dodge"},
    {FourCc("lgCl"), BlendMode::LighterColour, "lighter colour"},
    {FourCc("over"), BlendMode::Overlay, "overlay"},
    {FourCc("sLit"), BlendMode::SoftLight, "soft light"},
    {FourCc("hLit"), BlendMode::HardLight, "hard light"},
    {FourCc("vLit"), BlendMode::VividLight, "vivid light"},
    {FourCc("lLit"), BlendMode::LinearLight, "linear light"},
    {FourCc("pLit"), BlendMode::PinLight, "pin light"},
    {FourCc("hMix"), BlendMode::HardMix, "hard mix"},
    {FourCc("diff"), BlendMode::Difference, "difference"},
    {FourCc("smud"), BlendMode::Exclusion, "exclusion"},
    {FourCc("fsub"), BlendMode::Subtract, "subtract"},
    {FourCc("fdiv"), BlendMode::Divide, "divide"},
    {FourCc("hue "), BlendMode::Hue, "hue"},
    {FourCc("sat "), BlendMode::Saturation, "saturation"},
    {FourCc("colr"), BlendMode::Colour, "colour"},
    {FourCc("lum "), BlendMode::Luminosity, "luminosity"},
};

float ColourBurn(float b, float s) {
  if (b >= 1) return 1;
  if (s <= 0) return 0;
  return 1 - std::min(1.0f, (1 - b) / s);
}

float ColourDodge(float b, float s) {
  if (b <= 0) return 0;
  if (s >= 1) return 1;
  return std::min(1.0f, b / (1 - s));
}

template <BlendMode M>
inline float Blend(float b, float s) {
  switch (M) {
    case BlendMode::Darken: return std::min(b, s);
    case BlendMode::Multiply: return b * s;
    case BlendMode::ColourBurn: return ColourBurn(b, s);
    case BlendMode::LinearBurn: return std::max(0.0f, b + s - 1);
    case BlendMode::Lighten: return std::max(b, s);
    case BlendMode::Screen: return b + s - b * s;
    case BlendMode::ColourDodge: return ColourDodge(b, s);
    case BlendMode::LinearDodge: return b + s;
    case BlendMode::Overlay: return b <= 0.5f ? 2 * b * s : 1 - 2 * (1 - b) * (1 - s);
    // Photoshop's soft light takes the square root of the backdrop throughout (the PDF
    // variant bends it with a cubic below a quarter).
    case BlendMode::SoftLight:
      return s <= 0.5f ? 2 * b * s + b * b * (1 - 2 * s) : 2 * b * (1 - s) + std::sqrt(std::max(b, 0.0f)) * (2 * s - 1);
    case BlendMode::HardLight: return s <= 0.5f ? b * 2 * s : 1 - (1 - b) * (2 - 2 * s);
    case BlendMode::VividLight: return s <= 0.5f ? ColourBurn(b, 2 * s) : ColourDodge(b, 2 * s - 1);
    case BlendMode::LinearLight: return b + 2 * s - 1;
    case BlendMode::PinLight: return s <= 0.5f ? std::min(b, 2 * s) : std::max(b, 2 * s - 1);
    // A sum of 1 counts as white; the small margin keeps 8-bit pairs that add up to 255 there.
    case BlendMode::HardMix: return b + s >= 1 - 1e-6f ? 1.0f : 0.0f;
    case BlendMode::Difference: return std::fabs(b - s);
    case BlendMode::Exclusion: return b + s - 2 * b * s;
    case BlendMode::Subtract: return b - s;
    case BlendMode::Divide: return s <= 0 ? (b <= 0 ? 0.0f : 1.0f) : b / s;
    default: return s;
  }
}

float Lum(const float c[3]) { return 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2]; }

void ClipColour(float c[3]) {
  const float l = Lum(c);
  const float n = std::min({c[0], c[1], c[2]});
  const float x = std::max({c[0], c[1], c[2]});
  for (int k = 0; k < 3; ++k) {
    if (n < 0 && l - n > 0) c[k] = l + (c[k] - l) * l / (l - n);
    if (x > 1 && x - l > 0) c[k] = l + (c[k] - l) * (1 - l) / (x - l);
  }
}

void SetLum(const float c[3], float l, float out[3]) {
  const float d = l - Lum(c);
  for (int k = 0; k < 3; ++k) out[k] = c[k] + d;
  ClipColour(out);
}

void SetSat(const float c[3], float s, float out[3]) {
  int hi = 0, lo = 0;
  for (int k = 1; k < 3; ++k) {
    if (c[k] > c[hi]) hi = k;
    if (c[k] < c[lo]) lo = k;
  }
  if (hi == lo) {
    out[0] = out[1] = out[2] = 0;
    return;
  }
  const int mid = 3 - hi - lo;
  const float range = c[hi] - c[lo];
  out[mid] = (c[mid] - c[lo]) * s / range;
  out[hi] = s;
  out[lo] = 0;
}

float Sat(const float c[3]) { return std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}); }

inline float Mix(float as, float ab, float ar, float cb, float cs, float blended) {
  if (ab == 1) return cb + as * (blended - cb);  // over an opaque backdrop (the common case)
  return ((1 - as) * ab * cb + as * ((1 - ab) * cs + ab * blended)) / ar;
}

template <BlendMode M>
void CompositeSeparable(int channels, const RowPlanes& bd, const float* const* cs, const float* as, uint32_t begin,
                        uint32_t end, bool clamp) {
  for (uint32_t x = begin; x < end; ++x) {
    const float a = as[x];
    if (a <= 0) continue;
    const float ab = bd.alpha[x];
    const float ar = a + ab - a * ab;
    for (int k = 0; k < channels; ++k) {
      const float b = bd.colour[k][x];
      const float s = cs[k][x];
      float blended = Blend<M>(b, s);
      if (clamp) blended = std::clamp(blended, 0.0f, 1.0f);
      float r = Mix(a, ab, ar, b, s, blended);
      bd.colour[k][x] = clamp ? std::clamp(r, 0.0f, 1.0f) : r;
    }
    bd.alpha[x] = clamp ? std::min(ar, 1.0f) : ar;
  }
}

void CompositeWholeColour(BlendMode mode, const RowPlanes& bd, const float* const* cs, const float* as, uint32_t begin,
                          uint32_t end, bool clamp) {
  for (uint32_t x = begin; x < end; ++x) {
    const float a = as[x];
    if (a <= 0) continue;
    const float ab = bd.alpha[x];
    const float ar = a + ab - a * ab;
    const float b[3] = {bd.colour[0][x], bd.colour[1][x], bd.colour[2][x]};
    const float s[3] = {cs[0][x], cs[1][x], cs[2][x]};
    float blended[3];
    BlendWholeColour(mode, b, s, blended);
    for (int k = 0; k < 3; ++k) {
      float r = Mix(a, ab, ar, b[k], s[k], clamp ? std::clamp(blended[k], 0.0f, 1.0f) : blended[k]);
      bd.colour[k][x] = clamp ? std::clamp(r, 0.0f, 1.0f) : r;
    }
    bd.alpha[x] = clamp ? std::min(ar, 1.0f) : ar;
  }
}

}  // namespace

bool BlendModeFromKey(uint32_t key, BlendMode& mode) {
  for (const ModeKey& entry : kModes) {
    if (entry.key == key) {
      mode = entry.mode;
      return true;
    }
  }
  return false;
}

const char* BlendModeName(BlendMode mode) {
  for (const ModeKey& entry : kModes) {
    if (entry.mode == mode) return entry.name;
  }
  return "unknown";
}

bool BlendModeIsWholeColour(BlendMode mode) {
  return mode == BlendMode::Hue || mode == BlendMode::Saturation || mode == BlendMode::Colour ||
         mode == BlendMode::Luminosity || mode == BlendMode::DarkerColour || mode == BlendMode::LighterColour;
}

bool BlendModeTreatsFillApart(BlendMode mode) {
  switch (mode) {
    case BlendMode::ColourBurn:
    case BlendMode::LinearBurn:
    case BlendMode::ColourDodge:
    case BlendMode::LinearDodge:
    case BlendMode::VividLight:
    case BlendMode::LinearLight:
    case BlendMode::HardMix:
    case BlendMode::Difference: return true;
    default: return false;
  }
}

float BlendChannel(BlendMode mode, float b, float s) {
  switch (mode) {
// The list of modes reads as a table.
// clang-format off
#define ZEN_BLEND_CASE(M) \
  case BlendMode::M:      \
    return Blend<BlendMode::M>(b, s);
    ZEN_BLEND_CASE(Darken) ZEN_BLEND_CASE(Multiply) ZEN_BLEND_CASE(ColourBurn) ZEN_BLEND_CASE(LinearBurn)
    ZEN_BLEND_CASE(Lighten) ZEN_BLEND_CASE(Screen) ZEN_BLEND_CASE(ColourDodge) ZEN_BLEND_CASE(LinearDodge)
    ZEN_BLEND_CASE(Overlay) ZEN_BLEND_CASE(SoftLight) ZEN_BLEND_CASE(HardLight) ZEN_BLEND_CASE(VividLight)
    ZEN_BLEND_CASE(LinearLight) ZEN_BLEND_CASE(PinLight) ZEN_BLEND_CASE(HardMix) ZEN_BLEND_CASE(Difference)
    ZEN_BLEND_CASE(Exclusion) ZEN_BLEND_CASE(Subtract) ZEN_BLEND_CASE(Divide)
#undef ZEN_BLEND_CASE
        // clang-format on
        default : return s;
  }
}

void BlendWholeColour(BlendMode mode, const float b[3], const float s[3], float out[3]) {
  float t[3];
  switch (mode) {
    case BlendMode::Hue:
      SetSat(s, Sat(b), t);
      SetLum(t, Lum(b), out);
      return;
    case BlendMode::Saturation:
      SetSat(b, Sat(s), t);
      SetLum(t, Lum(b), out);
      return;
    case BlendMode::Colour: SetLum(s, Lum(b), out); return;
    case BlendMode::Luminosity: SetLum(b, Lum(s), out); return;
    default: {
      // Darker and lighter colour keep the whole colour of lower (higher) luminosity.
      const bool take_source = mode == BlendMode::DarkerColour ? Lum(s) < Lum(b) : Lum(s) > Lum(b);
      for (int k = 0; k < 3; ++k) out[k] = take_source ? s[k] : b[k];
    }
  }
}

void CompositeRow(BlendMode mode, int channels, const RowPlanes& backdrop, const float* const* cs, const float* as,
                  uint32_t begin, uint32_t end, bool clamp) {
  if (BlendModeIsWholeColour(mode)) return CompositeWholeColour(mode, backdrop, cs, as, begin, end, clamp);
  switch (mode) {
// The list of modes reads as a table.
// clang-format off
#define ZEN_COMPOSITE_CASE(M) \
  case BlendMode::M:          \
    return CompositeSeparable<BlendMode::M>(channels, backdrop, cs, as, begin, end, clamp);
    ZEN_COMPOSITE_CASE(Darken) ZEN_COMPOSITE_CASE(Multiply) ZEN_COMPOSITE_CASE(ColourBurn)
    ZEN_COMPOSITE_CASE(LinearBurn) ZEN_COMPOSITE_CASE(Lighten) ZEN_COMPOSITE_CASE(Screen)
    ZEN_COMPOSITE_CASE(ColourDodge) ZEN_COMPOSITE_CASE(LinearDodge) ZEN_COMPOSITE_CASE(Overlay)
    ZEN_COMPOSITE_CASE(SoftLight) ZEN_COMPOSITE_CASE(HardLight) ZEN_COMPOSITE_CASE(VividLight)
    ZEN_COMPOSITE_CASE(LinearLight) ZEN_COMPOSITE_CASE(PinLight) ZEN_COMPOSITE_CASE(HardMix)
    ZEN_COMPOSITE_CASE(Difference) ZEN_COMPOSITE_CASE(Exclusion) ZEN_COMPOSITE_CASE(Subtract)
    ZEN_COMPOSITE_CASE(Divide)
#undef ZEN_COMPOSITE_CASE
        // clang-format on
        default : return CompositeSeparable<BlendMode::Normal>(channels, backdrop, cs, as, begin, end, clamp);
  }
}

}  // namespace zen

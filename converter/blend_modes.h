#pragma once
// Photoshop's layer blend modes over rows of planar float samples (0..1 in 8- and 16-bit
// documents, unbounded in 32-bit ones), and the source-over compositing that carries them:
//   result alpha  = as + ab - as * ab
//   result colour = ((1 - as) * ab * Cb + as * ((1 - ab) * Cs + ab * B(Cb, Cs))) / result alpha
#include <cstdint>

namespace zen {

enum class BlendMode {
  PassThrough,  // groups only: the children blend straight onto what lies below
  Normal,       // also dissolve, whose noise is not reproduced
  Darken,
  Multiply,
  ColourBurn,
  LinearBurn,
  DarkerColour,
  Lighten,
  Screen,
  ColourDodge,
  LinearDodge,
  LighterColour,
  Overlay,
  SoftLight,
  HardLight,
  VividLight,
  LinearLight,
  PinLight,
  HardMix,
  Difference,
  Exclusion,
  Subtract,
  Divide,
  Hue,
  Saturation,
  Colour,
  Luminosity,
};

// The mode of a four-character key ('norm', 'mul ', ...); false for an unknown key.
bool BlendModeFromKey(uint32_t key, BlendMode& mode);
const char* BlendModeName(BlendMode mode);
// Modes that work on the whole colour rather than channel by channel (RGB documents only).
bool BlendModeIsWholeColour(BlendMode mode);
// The modes whose look changes differently under fill opacity than under layer opacity.
bool BlendModeTreatsFillApart(BlendMode mode);

// Planar samples of a row: `channels` colour planes and one alpha plane.
struct RowPlanes {
  float* colour[4] = {};
  float* alpha = nullptr;
};

// Composites source (colours cs, alphas as) over the backdrop for pixels [begin, end).
// With clamp, results are held to 0..1 as integer documents hold them.
void CompositeRow(BlendMode mode, int channels, const RowPlanes& backdrop, const float* const* cs, const float* as,
                  uint32_t begin, uint32_t end, bool clamp);

// One channel's blend B(b, s) of a separable mode (exposed for the tests).
float BlendChannel(BlendMode mode, float b, float s);
// The whole-colour blend of three channels (Hue, Saturation, Colour, Luminosity, darker
// and lighter colour).
void BlendWholeColour(BlendMode mode, const float b[3], const float s[3], float out[3]);

}  // namespace zen

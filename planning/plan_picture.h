#pragma once
// The picture of a run's plan: its reduced copy laid out in columns (so a 90,000-row
// chapter fits one readable picture), every cut drawn across in the colour of its kind,
// and beside each piece its number and height in rows.
#include <cstdint>
#include <memory>

#include "imaging/image_table.h"
#include "planning/cut_plan.h"

namespace zen {

inline constexpr int32_t PictureMostWidth = 400;      // of the run in the picture
inline constexpr int32_t PictureColumnHeight = 4000;  // at most, in picture pixels

// Colours of the cut lines (also the review window's).
inline constexpr Colour GutterCutColour = ColourPack(0, 110, 230);
inline constexpr Colour ForcedCutColour = ColourPack(230, 60, 20);
inline constexpr Colour FixedCutColour = ColourPack(0, 150, 70);
inline constexpr Colour EndCutColour = ColourPack(120, 120, 120);
Colour CutColour(CutKind kind);

// `reduced` shows the run at 1/factor of its size. The first piece is numbered `first`.
std::unique_ptr<NativeImage> DrawPlanPicture(const NativeImage& reduced, int32_t factor, const PlanRun& run,
                                             int64_t first = 1);

}  // namespace zen

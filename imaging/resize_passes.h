#pragma once
// The inner loops of the smooth resampling, on rows of RGBA samples.
//
// Every output sample is sum = 0; sum += weight[k] * source[k] for k through its window in
// order, in double precision; then sum + 0.5 truncated toward zero and clamped to 0..255.
// The four channels of a pixel are carried side by side in two SSE2 double pairs, which
// keeps exactly that arithmetic per channel.
#include <cstddef>
#include <cstdint>

#include "imaging/resize_weights.h"

namespace zen::resize {

// samples = 4 * pixels; source bytes as doubles (exact).
void BytesToDoubles(const uint8_t* source, double* out, size_t samples);

// One row along a horizontal table: source holds table.source_count pixels as doubles,
// out receives table.output_count pixels.
void HorizontalRow(const double* source, const WeightTable& table, uint8_t* out);

// One output row of a vertical pass: rows[k] is the source row read with weights[k];
// every row holds `pixels` RGBA pixels.
void VerticalRow(const uint8_t* const* rows, const double* weights, int32_t count, size_t pixels, uint8_t* out);

}  // namespace zen::resize

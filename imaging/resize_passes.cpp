#include "imaging/resize_passes.h"

#include <emmintrin.h>

#include <cstring>

namespace zen::resize {

namespace {

// The running sums of one pixel: red and green in one pair, blue and alpha in the other.
struct PixelSum {
  __m128d rg = _mm_setzero_pd();
  __m128d ba = _mm_setzero_pd();
};

inline void AddWeighted(PixelSum& sum, __m128d weight, __m128d rg, __m128d ba) {
  sum.rg = _mm_add_pd(sum.rg, _mm_mul_pd(weight, rg));
  sum.ba = _mm_add_pd(sum.ba, _mm_mul_pd(weight, ba));
}

inline void AddWeighted(PixelSum& sum, __m128d weight, const double* source) {
  AddWeighted(sum, weight, _mm_loadu_pd(source), _mm_loadu_pd(source + 2));
}

// + 0.5, truncation toward zero, then the saturating packs clamp to 0..255.
inline void StorePixel(const PixelSum& sum, uint8_t* out) {
  const __m128d half = _mm_set1_pd(0.5);
  const __m128i rg = _mm_cvttpd_epi32(_mm_add_pd(sum.rg, half));
  const __m128i ba = _mm_cvttpd_epi32(_mm_add_pd(sum.ba, half));
  __m128i v = _mm_unpacklo_epi64(rg, ba);
  v = _mm_packs_epi32(v, v);
  v = _mm_packus_epi16(v, v);
  const int32_t bytes = _mm_cvtsi128_si32(v);
  std::memcpy(out, &bytes, 4);
}

// Four int32 channels of one pixel as two double pairs.
inline void ChannelsToDoubles(__m128i channels, __m128d& rg, __m128d& ba) {
  rg = _mm_cvtepi32_pd(channels);
  ba = _mm_cvtepi32_pd(_mm_unpackhi_epi64(channels, channels));
}

void HorizontalOne(const double* source, const double* weights, int32_t taps, uint8_t* out) {
  PixelSum sum;
  for (int32_t k = 0; k < taps; ++k) AddWeighted(sum, _mm_set1_pd(weights[k]), source + 4 * k);
  StorePixel(sum, out);
}

// Four outputs side by side: independent sums hide the latency of the additions.
void HorizontalFour(const double* source, const int32_t* start, const double* weights, int32_t taps, uint8_t* out) {
  const double* s0 = source + 4 * static_cast<ptrdiff_t>(start[0]);
  const double* s1 = source + 4 * static_cast<ptrdiff_t>(start[1]);
  const double* s2 = source + 4 * static_cast<ptrdiff_t>(start[2]);
  const double* s3 = source + 4 * static_cast<ptrdiff_t>(start[3]);
  const double* w0 = weights;
  const double* w1 = w0 + taps;
  const double* w2 = w1 + taps;
  const double* w3 = w2 + taps;
  PixelSum a0, a1, a2, a3;
  for (int32_t k = 0; k < taps; ++k) {
    AddWeighted(a0, _mm_set1_pd(w0[k]), s0 + 4 * k);
    AddWeighted(a1, _mm_set1_pd(w1[k]), s1 + 4 * k);
    AddWeighted(a2, _mm_set1_pd(w2[k]), s2 + 4 * k);
    AddWeighted(a3, _mm_set1_pd(w3[k]), s3 + 4 * k);
  }
  StorePixel(a0, out);
  StorePixel(a1, out + 4);
  StorePixel(a2, out + 8);
  StorePixel(a3, out + 12);
}

// Four neighbouring pixels of one output row, summed down their window.
void VerticalFour(const uint8_t* const* rows, const double* weights, int32_t count, size_t at, uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  PixelSum a0, a1, a2, a3;
  for (int32_t k = 0; k < count; ++k) {
    const __m128d w = _mm_set1_pd(weights[k]);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + at));
    const __m128i lo = _mm_unpacklo_epi8(bytes, zero);
    const __m128i hi = _mm_unpackhi_epi8(bytes, zero);
    __m128d rg, ba;
    ChannelsToDoubles(_mm_unpacklo_epi16(lo, zero), rg, ba);
    AddWeighted(a0, w, rg, ba);
    ChannelsToDoubles(_mm_unpackhi_epi16(lo, zero), rg, ba);
    AddWeighted(a1, w, rg, ba);
    ChannelsToDoubles(_mm_unpacklo_epi16(hi, zero), rg, ba);
    AddWeighted(a2, w, rg, ba);
    ChannelsToDoubles(_mm_unpackhi_epi16(hi, zero), rg, ba);
    AddWeighted(a3, w, rg, ba);
  }
  StorePixel(a0, out + at);
  StorePixel(a1, out + at + 4);
  StorePixel(a2, out + at + 8);
  StorePixel(a3, out + at + 12);
}

void VerticalOne(const uint8_t* const* rows, const double* weights, int32_t count, size_t at, uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  PixelSum sum;
  for (int32_t k = 0; k < count; ++k) {
    int32_t pixel;
    std::memcpy(&pixel, rows[k] + at, 4);
    const __m128i bytes = _mm_cvtsi32_si128(pixel);
    __m128d rg, ba;
    ChannelsToDoubles(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero), rg, ba);
    AddWeighted(sum, _mm_set1_pd(weights[k]), rg, ba);
  }
  StorePixel(sum, out + at);
}

}  // namespace

void BytesToDoubles(const uint8_t* source, double* out, size_t samples) {
  const __m128i zero = _mm_setzero_si128();
  size_t i = 0;
  for (; i + 16 <= samples; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
    const __m128i lo = _mm_unpacklo_epi8(bytes, zero);
    const __m128i hi = _mm_unpackhi_epi8(bytes, zero);
    const __m128i quads[4] = {_mm_unpacklo_epi16(lo, zero), _mm_unpackhi_epi16(lo, zero), _mm_unpacklo_epi16(hi, zero),
                              _mm_unpackhi_epi16(hi, zero)};
    for (int q = 0; q < 4; ++q) {
      __m128d a, b;
      ChannelsToDoubles(quads[q], a, b);
      _mm_storeu_pd(out + i + 4 * static_cast<size_t>(q), a);
      _mm_storeu_pd(out + i + 4 * static_cast<size_t>(q) + 2, b);
    }
  }
  for (; i < samples; ++i) out[i] = source[i];
}

void HorizontalRow(const double* source, const WeightTable& table, uint8_t* out) {
  const int32_t taps = table.taps;
  const int32_t outputs = table.output_count;
  const int32_t* start = table.padded_start.data();
  const double* weights = table.padded_weights.data();
  int32_t i = 0;
  for (; i + 4 <= outputs; i += 4) {
    HorizontalFour(source, start + i, weights + static_cast<size_t>(i) * static_cast<size_t>(taps), taps,
                   out + 4 * static_cast<size_t>(i));
  }
  for (; i < outputs; ++i) {
    HorizontalOne(source + 4 * static_cast<ptrdiff_t>(start[i]),
                  weights + static_cast<size_t>(i) * static_cast<size_t>(taps), taps, out + 4 * static_cast<size_t>(i));
  }
}

void VerticalRow(const uint8_t* const* rows, const double* weights, int32_t count, size_t pixels, uint8_t* out) {
  size_t p = 0;
  for (; p + 4 <= pixels; p += 4) VerticalFour(rows, weights, count, 4 * p, out);
  for (; p < pixels; ++p) VerticalOne(rows, weights, count, 4 * p, out);
}

}  // namespace zen::resize

// Rows are read in stages, each only for the rows the one before leaves open. A few pixels
// spread across the row come first: they give the detail measure and settle nearly every
// row that holds a drawing (more of them off the row's colour than a plain row may have at
// all). As many again between them settle most of the rest and give the row's colour. The
// rows still open are read in full, every pixel, four at a time where the processor allows.
#include "planning/row_analysis.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "interchange/pixel_rules.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zen {
namespace {

// Pixels sampled across every row for its detail (and as many again for rows that may be plain).
constexpr int32_t kDetailSamples = 8;

struct Rgb {
  int r = 0, g = 0, b = 0;
};

inline Rgb PixelAt(const uint8_t* p) {
  if (p[3] == 255) return {p[0], p[1], p[2]};
  return {OverWhite(p[0], p[3]), OverWhite(p[1], p[3]), OverWhite(p[2], p[3])};
}

inline int Distance(Rgb a, Rgb b) { return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}); }

inline bool Matches(const uint8_t* pixel, Rgb colour) { return Distance(PixelAt(pixel), colour) <= PlainTolerance; }

// Columns of `count` samples spread evenly across a row, each in the middle of its share:
// sample i at (2i + 1) / 2count of the width, in 32.32 fixed point (one division a row).
struct SampleColumns {
  uint64_t half_share;
  SampleColumns(int32_t count, int32_t width)
      : half_share((static_cast<uint64_t>(width) << 32) / (2 * static_cast<uint64_t>(count))) {}
  size_t operator[](int32_t i) const {
    return static_cast<size_t>(((2 * static_cast<uint64_t>(i) + 1) * half_share) >> 32);
  }
};

// The colour most of the row has, guessed from three of the detail samples (about a
// quarter, a half and three quarters across, read again later from cache): two that
// agree win.
Rgb GuessColour(const uint8_t* row, int32_t width) {
  const int32_t count = std::min(width, kDetailSamples);
  const SampleColumns columns(count, width);
  const Rgb left = PixelAt(row + 4 * columns[count / 4]);
  const Rgb middle = PixelAt(row + 4 * columns[count / 2]);
  const Rgb right = PixelAt(row + 4 * columns[3 * count / 4]);
  if (Distance(left, right) <= PlainTolerance || Distance(left, middle) <= PlainTolerance) return left;
  return middle;
}

// Sampled pixels: how many are off the guessed colour, and the sum of those that match.
struct Samples {
  int32_t off = 0, matching = 0;
  int32_t r = 0, g = 0, b = 0;

  // Without branches: whether a sample matches is as good as random on a row of text.
  int Add(Rgb pixel, Rgb colour) {
    const int distance = Distance(pixel, colour);
    const int is_off = distance > PlainTolerance ? 1 : 0;
    const int keep = is_off - 1;  // all ones when it matches
    off += is_off;
    matching += 1 - is_off;
    r += pixel.r & keep;
    g += pixel.g & keep;
    b += pixel.b & keep;
    return distance;
  }
};

int32_t MatchingScalar(const uint8_t* row, int32_t from, int32_t to, Rgb colour) {
  int32_t matching = 0;
  for (int32_t x = from; x < to; ++x) matching += Matches(row + 4 * static_cast<size_t>(x), colour) ? 1 : 0;
  return matching;
}

#if defined(__SSE2__)
int32_t LaneSum(__m128i v) {
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm_cvtsi128_si32(v);
}

// The pixels of [x, end) (a multiple of four) that are opaque with every channel within
// [low, high], where the alpha bytes of both are 255; false in `opaque` when some pixel
// was not opaque, and the count then holds only for opaque pixels.
int32_t MatchingOpaque(const uint8_t* row, int32_t x, int32_t end, __m128i low, __m128i high, bool& opaque) {
  const __m128i zero = _mm_setzero_si128();
  __m128i count = zero, all = _mm_set1_epi8(-1);
  for (; x < end; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * static_cast<size_t>(x)));
    const __m128i outside = _mm_or_si128(_mm_subs_epu8(low, v), _mm_subs_epu8(v, high));
    count = _mm_sub_epi32(count, _mm_cmpeq_epi32(outside, zero));
    all = _mm_and_si128(all, v);
  }
  const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  opaque = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(all, alpha), alpha)) == 0xFFFF;
  return LaneSum(count);
}

// Whether every pixel of [x, end) (a multiple of four) is opaque with every channel within
// [low, high]: the usual block of a plain row, told with a handful of instructions.
bool AllInside(const uint8_t* row, int32_t x, int32_t end, __m128i low, __m128i high) {
  __m128i outside = _mm_setzero_si128();
  for (; x < end; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * static_cast<size_t>(x)));
    outside = _mm_or_si128(outside, _mm_or_si128(_mm_subs_epu8(low, v), _mm_subs_epu8(v, high)));
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(outside, _mm_setzero_si128())) == 0xFFFF;
}

__m128i EveryPixel(int r, int g, int b) {
  return _mm_set1_epi32(static_cast<int>(0xFF000000u | static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 |
                                         static_cast<uint32_t>(b) << 16));
}

// Off pixels in blocks of 64 (the opaque ones four at a time) until more than `allowed`;
// `x` ends at the first pixel not looked at.
int32_t OffInBlocks(const uint8_t* row, int32_t width, Rgb c, int32_t allowed, int32_t& x) {
  auto low = [](int v) { return std::max(v - PlainTolerance, 0); };
  auto high = [](int v) { return std::min(v + PlainTolerance, 255); };
  const __m128i lows = EveryPixel(low(c.r), low(c.g), low(c.b));
  const __m128i highs = EveryPixel(high(c.r), high(c.g), high(c.b));
  const int32_t groups_end = width & ~3;
  int32_t off = 0;
  for (x = 0; x < groups_end && off <= allowed;) {
    const int32_t end = std::min(x + 64, groups_end);
    if (!AllInside(row, x, end, lows, highs)) {
      bool opaque = true;
      int32_t matching = MatchingOpaque(row, x, end, lows, highs, opaque);
      if (!opaque) matching = MatchingScalar(row, x, end, c);
      off += end - x - matching;
    }
    x = end;
  }
  return off;
}
#endif

// Pixels of the row off `colour`, counted until more than `allowed` are found.
int32_t OffPixels(const uint8_t* row, int32_t width, Rgb colour, int32_t allowed) {
  int32_t off = 0, x = 0;
#if defined(__SSE2__)
  off = OffInBlocks(row, width, colour, allowed, x);
#endif
  for (; x < width && off <= allowed; ++x) off += Matches(row + 4 * static_cast<size_t>(x), colour) ? 0 : 1;
  return off;
}

// Samples `count` columns for the detail, and as many between them while the row may be
// plain; false once it cannot be.
bool SampleRow(const uint8_t* rgba, int32_t width, int32_t count, Rgb guess, int32_t allowed, Samples& samples,
               uint32_t& detail) {
  const SampleColumns first(count, width);
  for (int32_t i = 0; i < count; ++i) {
    detail += static_cast<uint32_t>(std::min(samples.Add(PixelAt(rgba + 4 * first[i]), guess), 96));
  }
  // The samples off are off in the full count too.
  if (samples.off > allowed) return false;
  if (2 * count > width) return true;
  const SampleColumns second(2 * count, width);  // its odd samples are the first ones
  for (int32_t i = 0; i < 2 * count; i += 2) samples.Add(PixelAt(rgba + 4 * second[i]), guess);
  return samples.off <= allowed;
}

#if defined(__SSE2__)
static_assert(kDetailSamples % 4 == 0);

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, 4);
  return v;
}

// The tallies of Samples, four opaque pixels at a time.
class SampleVectors {
 public:
  explicit SampleVectors(Rgb guess) : guess_(EveryPixel(guess.r, guess.g, guess.b)) {}

  // False, with nothing added, when one of the four is not opaque.
  bool Add(const uint8_t* rgba, size_t a, size_t b, size_t c, size_t d, bool with_detail) {
    const uint32_t p0 = Load32(rgba + 4 * a), p1 = Load32(rgba + 4 * b), p2 = Load32(rgba + 4 * c),
                   p3 = Load32(rgba + 4 * d);
    if ((p0 & p1 & p2 & p3) < 0xFF000000u) return false;
    const __m128i v =
        _mm_set_epi32(static_cast<int>(p3), static_cast<int>(p2), static_cast<int>(p1), static_cast<int>(p0));
    const __m128i zero = _mm_setzero_si128(), low_byte = _mm_set1_epi32(0xFF);
    const __m128i difference = _mm_or_si128(_mm_subs_epu8(v, guess_), _mm_subs_epu8(guess_, v));
    const __m128i distance = _mm_and_si128(
        _mm_max_epu8(_mm_max_epu8(difference, _mm_srli_epi32(difference, 8)), _mm_srli_epi32(difference, 16)),
        low_byte);
    const __m128i off = _mm_cmpgt_epi32(distance, _mm_set1_epi32(PlainTolerance));
    off_ = _mm_sub_epi32(off_, off);
    if (with_detail) detail_ = _mm_add_epi32(detail_, _mm_min_epi16(distance, _mm_set1_epi32(96)));
    const __m128i kept = _mm_andnot_si128(off, v);
    sums_ = _mm_add_epi16(sums_, _mm_add_epi16(_mm_unpacklo_epi8(kept, zero), _mm_unpackhi_epi8(kept, zero)));
    taken_ += 4;
    return true;
  }
  int32_t Off() const { return LaneSum(off_); }
  uint32_t Detail() const { return static_cast<uint32_t>(LaneSum(detail_)); }
  void AddTo(Samples& samples) const {
    alignas(16) uint16_t lanes[8];  // red, green, blue, alpha of two pixels each
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums_);
    samples.off += Off();
    samples.matching += taken_ - Off();
    samples.r += lanes[0] + lanes[4];
    samples.g += lanes[1] + lanes[5];
    samples.b += lanes[2] + lanes[6];
  }

 private:
  __m128i guess_;
  __m128i off_ = _mm_setzero_si128(), detail_ = _mm_setzero_si128(), sums_ = _mm_setzero_si128();
  int32_t taken_ = 0;
};

// SampleRow with kDetailSamples, four samples at a time: 1 while the row may be plain, 0
// when it cannot be, -1 when a sample is not opaque (then SampleRow takes them one by one).
int SampleRowFour(const uint8_t* rgba, int32_t width, Rgb guess, int32_t allowed, Samples& samples, uint32_t& detail) {
  SampleVectors vectors(guess);
  const SampleColumns first(kDetailSamples, width);
  for (int32_t i = 0; i < kDetailSamples; i += 4) {
    if (!vectors.Add(rgba, first[i], first[i + 1], first[i + 2], first[i + 3], true)) return -1;
  }
  detail = vectors.Detail();
  if (vectors.Off() > allowed) return 0;
  const SampleColumns second(2 * kDetailSamples, width);  // its odd samples are the first ones
  for (int32_t i = 0; i < 2 * kDetailSamples; i += 8) {
    if (!vectors.Add(rgba, second[i], second[i + 2], second[i + 4], second[i + 6], false)) return -1;
  }
  vectors.AddTo(samples);
  return samples.off <= allowed ? 1 : 0;
}
#endif

}  // namespace

RowFacts AnalyseRow(const uint8_t* rgba, int32_t width) {
  RowFacts facts;
  if (!rgba || width <= 0) return facts;
  const Rgb guess = GuessColour(rgba, width);
  const int32_t allowed = static_cast<int32_t>(static_cast<int64_t>(width) * PlainOffPerMille / 1000);
  Samples samples;
  int open = -1;
#if defined(__SSE2__)
  if (width >= 2 * kDetailSamples) open = SampleRowFour(rgba, width, guess, allowed, samples, facts.detail);
#endif
  if (open < 0) {
    samples = Samples{};
    facts.detail = 0;
    open = SampleRow(rgba, width, std::min(width, kDetailSamples), guess, allowed, samples, facts.detail) ? 1 : 0;
  }
  if (open == 0) return facts;
  facts.plain = OffPixels(rgba, width, guess, allowed) <= allowed;
  // The row's colour: the mean of the samples that match it (all but a few when plain).
  if (samples.matching > 0) {
    facts.red = static_cast<uint8_t>(samples.r / samples.matching);
    facts.green = static_cast<uint8_t>(samples.g / samples.matching);
    facts.blue = static_cast<uint8_t>(samples.b / samples.matching);
  }
  return facts;
}

}  // namespace zen

#include "planning/reduced_copy.h"

#include <algorithm>
#include <cstring>

#include "interchange/pixel_rules.h"

namespace zen {

int32_t ReductionFor(int32_t width, int32_t most) {
  if (most < 1 || width <= most) return 1;
  return (width + most - 1) / most;
}

void ReducedCopy::AddRows(const NativeImage& rows) {
  if (!rows.pixels || rows.width <= 0) return;
  if (width_ == 0) {
    width_ = std::max(1, (rows.width + factor_ - 1) / factor_);
    sums_.assign(static_cast<size_t>(width_) * 3, 0);
    counts_.assign(static_cast<size_t>(width_), 0);
  }
  const int32_t columns = std::min(rows.width, width_ * factor_);
  for (int32_t y = 0; y < rows.height; ++y) {
    const uint8_t* p = rows.Row(y);
    for (int32_t x = 0; x < columns; ++x, p += 4) {
      const size_t cell = static_cast<size_t>(x / factor_);
      sums_[cell * 3] += OverWhite(p[0], p[3]);
      sums_[cell * 3 + 1] += OverWhite(p[1], p[3]);
      sums_[cell * 3 + 2] += OverWhite(p[2], p[3]);
      ++counts_[cell];
    }
    ++rows_;
    if (++block_rows_ == factor_) EmitBlockRow();
  }
}

void ReducedCopy::AverageInto(uint8_t* out) const {
  std::fill(out, out + static_cast<size_t>(width_) * 4, 255);
  for (size_t cell = 0; cell < counts_.size(); ++cell) {
    if (counts_[cell] == 0) continue;  // no source pixel: white
    for (size_t c = 0; c < 3; ++c) out[cell * 4 + c] = static_cast<uint8_t>(sums_[cell * 3 + c] / counts_[cell]);
  }
}

void ReducedCopy::EmitBlockRow() {
  const size_t start = pixels_.size();
  pixels_.resize(start + static_cast<size_t>(width_) * 4);
  AverageInto(pixels_.data() + start);
  std::fill(sums_.begin(), sums_.end(), 0);
  std::fill(counts_.begin(), counts_.end(), 0);
  block_rows_ = 0;
}

std::unique_ptr<NativeImage> ReducedCopy::Picture() const {
  if (width_ == 0) return nullptr;
  const size_t row_bytes = static_cast<size_t>(width_) * 4;
  const size_t full_rows = pixels_.size() / row_bytes;
  std::unique_ptr<NativeImage> picture =
      NewNativeImage(width_, static_cast<int32_t>(full_rows + (block_rows_ > 0 ? 1 : 0)));
  if (!picture) return nullptr;
  std::memcpy(picture->pixels.get(), pixels_.data(), pixels_.size());
  if (block_rows_ > 0) AverageInto(picture->Row(static_cast<int32_t>(full_rows)));
  return picture;
}

}  // namespace zen

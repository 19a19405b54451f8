#pragma once
// A small copy of a run, made from its rows as they are read: each pixel the mean of a
// factor x factor block, laid over white. The preview picture and the review window show
// a plan over it, so neither needs the full rows again.
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/image_table.h"

namespace zen {

// The factor that makes `width` at most `most` pixels wide.
int32_t ReductionFor(int32_t width, int32_t most);

class ReducedCopy {
 public:
  explicit ReducedCopy(int32_t factor) : factor_(factor < 1 ? 1 : factor) {}

  // The next rows of the run. The first rows fix the copy's width; rows of a wider file are
  // cut to it, and a narrower file's leaves white on the right.
  void AddRows(const NativeImage& rows);
  // The copy of the rows so far (a last, partial block of rows is averaged over the rows
  // it has); null before any row.
  std::unique_ptr<NativeImage> Picture() const;

  int32_t factor() const { return factor_; }
  int64_t rows() const { return rows_; }

 private:
  void EmitBlockRow();
  void AverageInto(uint8_t* out) const;  // the block row being summed, as pixels

  int32_t factor_;
  int32_t width_ = 0;             // of the copy
  int64_t rows_ = 0;              // of the run, taken so far
  int32_t block_rows_ = 0;        // rows summed into sums_
  std::vector<uint32_t> sums_;    // per copy pixel, RGB
  std::vector<uint32_t> counts_;  // source pixels summed per copy pixel
  std::vector<uint8_t> pixels_;   // finished copy rows, RGBA
};

}  // namespace zen

#pragma once
// A decoder that hands out an image's rows top to bottom as 8-bit blue, green, red
// (3 x width bytes per row, the order a 24-bit BMP stores), never holding more of the
// image than it must.
#include <cstdint>
#include <memory>
#include <string>

namespace zen {

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual uint32_t Width() const = 0;
  virtual uint32_t Height() const = 0;
  // The next row into bgr. False on a decode error or past the last row, after which
  // Error() says what went wrong and the source is unusable.
  virtual bool ReadRow(uint8_t* bgr) = 0;
  // The next count rows, one after another (count x 3 x width bytes).
  bool ReadRows(uint8_t* bgr, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i, bgr += 3 * uint64_t{Width()}) {
      if (!ReadRow(bgr)) return false;
    }
    return true;
  }
  const std::string& Error() const { return error_; }

 protected:
  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }

 private:
  std::string error_;
};

}  // namespace zen

#pragma once
// A decoder that hands out an image's rows top to bottom as 8-bit red, green, blue
// (3 x width bytes per row), never holding more of the image than it must.
#include <cstdint>
#include <memory>
#include <string>

namespace zen {

class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual uint32_t Width() const = 0;
  virtual uint32_t Height() const = 0;
  // The next count rows into rgb (count x 3 x width bytes). False on a decode error,
  // after which Error() says what went wrong and the source is unusable.
  virtual bool ReadRows(uint8_t* rgb, uint32_t count) = 0;
  const std::string& Error() const { return error_; }

 protected:
  bool Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
    return false;
  }

 private:
  std::string error_;
};

// Composites one channel value over white with its alpha (both 0..255).
inline uint8_t OverWhite(uint32_t value, uint32_t alpha) {
  return static_cast<uint8_t>((value * alpha + (255 - alpha) * 255) / 255);
}

}  // namespace zen

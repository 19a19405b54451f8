#pragma once
// Writes 24-bit bottom-up BMP files (54-byte headers) from rows given top to bottom,
// under a temporary name that becomes the final name only once the file is complete.
#include <cstdint>
#include <string>
#include <vector>

namespace zen {

class BmpFileWriter {
 public:
  BmpFileWriter() = default;
  ~BmpFileWriter();  // an unfinished file is removed
  BmpFileWriter(const BmpFileWriter&) = delete;
  BmpFileWriter& operator=(const BmpFileWriter&) = delete;

  bool Open(const std::string& final_path, uint32_t width, uint32_t height);
  // Where the next row (top row first) goes: 3 x width bytes of blue, green, red to be
  // filled before RowFilled. Null on a write error or when every row has come.
  uint8_t* NextRow();
  void RowFilled() { ++rows_buffered_; }
  // The next count rows copied from bgr (3 x width bytes each).
  bool WriteRows(const uint8_t* bgr, uint32_t count);
  // Flushes, checks that every row came, and renames the file to its final name.
  bool Finish();
  void Abandon();
  const std::string& Error() const { return error_; }

 private:
  bool FlushChunk();
  bool Fail(const std::string& what);

  int descriptor_ = -1;
  std::string final_path_;
  std::string temporary_path_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint64_t stride_ = 0;
  uint32_t rows_written_ = 0;  // rows already in the file
  uint32_t rows_buffered_ = 0;
  uint32_t chunk_rows_ = 0;
  // Rows in file order (bottom first) so one chunk goes out with one write.
  std::vector<uint8_t> chunk_;
  std::string error_;
};

}  // namespace zen

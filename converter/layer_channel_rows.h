#pragma once
// One channel of one layer read row by row, top to bottom: raw rows are read as they come,
// RLE rows one at a time through the row-length table, ZIP data inflated forward (with the
// prediction undone per row). Only a row and small read buffers are held per channel.
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "converter/byte_source.h"

namespace zen {

struct LayerChannelShape {
  uint32_t width = 0;  // samples per row
  uint32_t rows = 0;
  uint16_t depth = 8;  // 8, 16 or 32 bits per sample
  bool large = false;  // PSB: 4-byte RLE row lengths
};

class LayerChannelRows {
 public:
  LayerChannelRows() = default;
  ~LayerChannelRows();
  LayerChannelRows(const LayerChannelRows&) = delete;
  LayerChannelRows& operator=(const LayerChannelRows&) = delete;

  // The channel's data begins with its compression field at offset and spans length bytes.
  bool Open(ByteSource& source, uint64_t offset, uint64_t length, const LayerChannelShape& shape, std::string& error);
  // Reads the next row; its samples are then had through the two calls below.
  bool NextRow(std::string& error);
  // Whether samples [from, to) of the row just read are all zero.
  bool RowIsZero(uint32_t from, uint32_t to) const;
  // Samples [from, to) of the row just read into out[0 .. to - from) as floats: 8- and 16-bit
  // samples scaled to 0..1, 32-bit ones as stored (not finite ones read as 0).
  void RowToFloat(uint32_t from, uint32_t to, float* out) const;
  // Passes over the next row (rows above the canvas).
  bool SkipRow(std::string& error);

 private:
  bool ReadStoredRow(bool unpack, std::string& error);
  bool ReadPackedRow(bool unpack, std::string& error);
  bool InflateRow(std::string& error);
  // Up to count bytes of the channel's remaining data through the input buffer.
  bool Fill(uint8_t* out, size_t count);

  ByteSource* source_ = nullptr;
  LayerChannelShape shape_;
  uint16_t compression_ = 0;
  uint64_t row_bytes_ = 0;
  uint32_t next_row_ = 0;
  std::unique_ptr<SequentialReader> data_;  // the channel's bytes after the compression field
  uint64_t data_left_ = 0;
  std::unique_ptr<SequentialReader> lengths_;  // RLE row lengths
  z_stream zip_{};
  bool zip_ready_ = false;
  const uint8_t* zip_block_ = nullptr;
  std::vector<uint8_t> row_;
  std::vector<uint8_t> packed_;
};

}  // namespace zen

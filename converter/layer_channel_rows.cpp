#include "converter/layer_channel_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "converter/psd_layout.h"
#include "converter/psd_planes.h"
#include "interchange/byte_order.h"

namespace zen {
namespace {

constexpr size_t kReadBuffer = 16 << 10;

}  // namespace

LayerChannelRows::~LayerChannelRows() {
  if (zip_ready_) inflateEnd(&zip_);
}

bool LayerChannelRows::Open(ByteSource& source, uint64_t offset, uint64_t length, const LayerChannelShape& shape,
                            std::string& error) {
  source_ = &source;
  shape_ = shape;
  row_bytes_ = uint64_t{shape.width} * (shape.depth / 8);
  uint8_t field[2];
  if (length < 2 || offset > source.Size() || length > source.Size() - offset || !source.ReadAt(offset, field, 2)) {
    error = "PSD: layer channel data runs past the end of the file";
    return false;
  }
  compression_ = LoadBig16(field);
  data_left_ = length - 2;
  row_.resize(row_bytes_);
  if (compression_ == PsdRle) {
    const uint64_t table = uint64_t{shape.rows} * (shape.large ? 4 : 2);
    if (table > data_left_) {
      error = "PSD: a layer's RLE row-length table runs past its channel";
      return false;
    }
    lengths_ = std::make_unique<SequentialReader>(source, offset + 2, std::min<uint64_t>(kReadBuffer, table + 1));
    data_left_ -= table;
    data_ = std::make_unique<SequentialReader>(source, offset + 2 + table, kReadBuffer);
    return true;
  }
  if (compression_ > PsdZipPredicted) {
    error = "PSD: unknown layer compression " + std::to_string(compression_);
    return false;
  }
  if (compression_ == PsdRaw && row_bytes_ * shape.rows > data_left_) {
    error = "PSD: a layer's raw channel is shorter than its rows";
    return false;
  }
  data_ = std::make_unique<SequentialReader>(source, offset + 2, kReadBuffer);
  if (compression_ != PsdRaw) {
    if (inflateInit(&zip_) != Z_OK) {
      error = "PSD: cannot start inflating";
      return false;
    }
    zip_ready_ = true;
  }
  return true;
}

bool LayerChannelRows::Fill(uint8_t* out, size_t count) {
  if (count > data_left_ || data_->Read(out, count) != count) return false;
  data_left_ -= count;
  return true;
}

bool LayerChannelRows::ReadPackedRow(bool unpack, std::string& error) {
  uint8_t field[4];
  const size_t width = shape_.large ? 4 : 2;
  if (lengths_->Read(field, width) != width) {
    error = "PSD: a layer's RLE row-length table ends early";
    return false;
  }
  const uint32_t length = width == 4 ? LoadBig32(field) : LoadBig16(field);
  // Longer than the worst packing of the row, or than what is left: a damaged table.
  if (length > data_left_ || length > 3 * row_bytes_ + 256) {
    error = "PSD: a layer's RLE row length " + std::to_string(length) + " cannot be right";
    return false;
  }
  packed_.resize(length);
  if (!Fill(packed_.data(), length)) {
    error = "PSD: a layer's RLE data ends early";
    return false;
  }
  if (unpack && !UnpackBitsRow(packed_.data(), length, row_.data(), row_bytes_)) {
    error = "PSD: a layer's RLE row does not unpack to its width";
    return false;
  }
  return true;
}

bool LayerChannelRows::InflateRow(std::string& error) {
  zip_.next_out = row_.data();
  zip_.avail_out = static_cast<uInt>(row_bytes_);
  while (zip_.avail_out > 0) {
    if (zip_.avail_in == 0) {
      size_t length = 0;
      zip_block_ = data_left_ > 0 ? data_->NextBlock(length) : nullptr;
      length = static_cast<size_t>(std::min<uint64_t>(length, data_left_));
      if (length == 0) break;
      data_left_ -= length;
      zip_.next_in = const_cast<Bytef*>(zip_block_);
      zip_.avail_in = static_cast<uInt>(length);
    }
    const int status = inflate(&zip_, Z_NO_FLUSH);
    if (status == Z_STREAM_END) break;
    if (status != Z_OK && status != Z_BUF_ERROR) {
      error = "PSD: a layer's ZIP data is damaged";
      return false;
    }
  }
  if (zip_.avail_out > 0) {
    error = "PSD: a layer's ZIP data ends early";
    return false;
  }
  if (compression_ == PsdZipPredicted) UnpredictPsdRow(row_.data(), shape_.width, shape_.depth);
  return true;
}

bool LayerChannelRows::ReadStoredRow(bool unpack, std::string& error) {
  if (next_row_ >= shape_.rows) {
    error = "PSD: more layer rows asked for than the layer has";
    return false;
  }
  ++next_row_;
  if (row_bytes_ == 0) return true;
  switch (compression_) {
    case PsdRaw:
      if (!Fill(row_.data(), row_bytes_)) {
        error = "PSD: a layer's raw data ends early";
        return false;
      }
      return true;
    case PsdRle: return ReadPackedRow(unpack, error);
    default: return InflateRow(error);
  }
}

// A packed row passed over is not unpacked, so rows outside the canvas and rows of layers
// that show nothing there cost little.
bool LayerChannelRows::SkipRow(std::string& error) { return ReadStoredRow(false, error); }

bool LayerChannelRows::NextRow(std::string& error) { return ReadStoredRow(true, error); }

bool LayerChannelRows::RowIsZero(uint32_t from, uint32_t to) const {
  const size_t bytes = shape_.depth / 8;
  return std::all_of(row_.data() + from * bytes, row_.data() + to * bytes, [](uint8_t b) { return b == 0; });
}

void LayerChannelRows::RowToFloat(uint32_t from, uint32_t to, float* out) const {
  const uint8_t* in = row_.data();
  if (shape_.depth == 8) {
    for (uint32_t x = from; x < to; ++x) *out++ = in[x] * (1.0f / 255);
  } else if (shape_.depth == 16) {
    for (uint32_t x = from; x < to; ++x) *out++ = LoadBig16(in + 2 * x) * (1.0f / 65535);
  } else {
    for (uint32_t x = from; x < to; ++x) {
      const uint32_t bits = LoadBig32(in + 4 * x);
      float value;
      std::memcpy(&value, &bits, sizeof value);
      *out++ = std::isfinite(value) ? value : 0.0f;
    }
  }
}

}  // namespace zen

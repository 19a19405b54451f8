#include "converter/bmp_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "interchange/bmp_header.h"
#include "interchange/converter_files.h"

namespace zen {
namespace {

constexpr uint64_t kChunkBytes = 1 << 20;

bool WriteAll(int descriptor, const uint8_t* data, uint64_t count, uint64_t offset) {
  while (count > 0) {
    ssize_t put = pwrite(descriptor, data, count, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data += put;
    offset += static_cast<uint64_t>(put);
    count -= static_cast<uint64_t>(put);
  }
  return true;
}

}  // namespace

BmpFileWriter::~BmpFileWriter() { Abandon(); }

bool BmpFileWriter::Fail(const std::string& what) {
  if (error_.empty()) error_ = what;
  Abandon();
  return false;
}

bool BmpFileWriter::Open(const std::string& final_path, uint32_t width, uint32_t height) {
  if (!BmpSizesFit24(width, height)) {
    error_ = "BMP: an image of " + std::to_string(width) + "x" + std::to_string(height) + " does not fit in a BMP file";
    return false;
  }
  final_path_ = final_path;
  temporary_path_ = final_path + std::string(kUnfinishedSuffix);
  width_ = width;
  height_ = height;
  stride_ = BmpRowBytes24(width);
  chunk_rows_ = static_cast<uint32_t>(std::max<uint64_t>(1, kChunkBytes / stride_));
  chunk_rows_ = std::min(chunk_rows_, height);
  try {
    chunk_.assign(stride_ * chunk_rows_, 0);
  } catch (const std::bad_alloc&) {
    error_ = "BMP: out of memory for a row buffer";
    return false;
  }
  descriptor_ = open(temporary_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (descriptor_ < 0) {
    error_ = "cannot create " + temporary_path_ + ": " + std::strerror(errno);
    return false;
  }
  uint8_t header[kBmpHeaderSize];
  WriteBmpHeader24(header, width, height);
  if (!WriteAll(descriptor_, header, kBmpHeaderSize, 0)) return Fail("cannot write " + temporary_path_);
  return true;
}

bool BmpFileWriter::FlushChunk() {
  if (rows_buffered_ == 0) return true;
  // Image rows [rows_written_, rows_written_ + rows_buffered_) sit at file rows
  // height - 1 - y; the chunk holds them bottom first, starting at chunk row
  // chunk_rows_ - rows_buffered_.
  uint64_t first_file_row = height_ - rows_written_ - rows_buffered_;
  const uint8_t* data = chunk_.data() + (chunk_rows_ - rows_buffered_) * stride_;
  if (!WriteAll(descriptor_, data, rows_buffered_ * stride_, kBmpHeaderSize + first_file_row * stride_)) {
    return Fail("cannot write " + temporary_path_ + ": " + std::strerror(errno));
  }
  rows_written_ += rows_buffered_;
  rows_buffered_ = 0;
  return true;
}

uint8_t* BmpFileWriter::NextRow() {
  if (descriptor_ < 0) {
    Fail("BMP: writer is not open");
    return nullptr;
  }
  if (rows_written_ + rows_buffered_ >= height_) {
    Fail("BMP: more rows than the image has");
    return nullptr;
  }
  if (rows_buffered_ == chunk_rows_ && !FlushChunk()) return nullptr;
  return chunk_.data() + (chunk_rows_ - 1 - rows_buffered_) * stride_;
}

bool BmpFileWriter::WriteRows(const uint8_t* bgr, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i, bgr += 3 * uint64_t{width_}) {
    uint8_t* row = NextRow();
    if (!row) return false;
    std::memcpy(row, bgr, 3 * uint64_t{width_});
    RowFilled();
  }
  return true;
}

bool BmpFileWriter::Finish() {
  if (descriptor_ < 0) return Fail("BMP: writer is not open");
  if (!FlushChunk()) return false;
  if (rows_written_ != height_) return Fail("BMP: image ended early");
  int descriptor = descriptor_;
  descriptor_ = -1;
  if (close(descriptor) != 0) {
    unlink(temporary_path_.c_str());
    return Fail("cannot write " + temporary_path_);
  }
  if (std::rename(temporary_path_.c_str(), final_path_.c_str()) != 0) {
    std::string reason = std::strerror(errno);
    unlink(temporary_path_.c_str());
    return Fail("cannot rename to " + final_path_ + ": " + reason);
  }
  return true;
}

void BmpFileWriter::Abandon() {
  if (descriptor_ < 0) return;
  close(descriptor_);
  descriptor_ = -1;
  unlink(temporary_path_.c_str());
}

}  // namespace zen

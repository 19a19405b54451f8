#pragma once
// Random-access and sequential reading of an input file (or of bytes in memory, for the
// fuzz targets), with every read checked against the input's size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zen {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly count bytes at offset; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* destination, size_t count) = 0;
};

// A file opened for reading; reads are positional, so several readers may share it.
class FileByteSource final : public ByteSource {
 public:
  FileByteSource() = default;
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  // False (with errno intact) when the file cannot be opened or is not a regular file.
  bool Open(const std::string& path);
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* destination, size_t count) override;

 private:
  int descriptor_ = -1;
  uint64_t size_ = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* destination, size_t count) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// Reads a ByteSource front to back through a buffer, for the decoders' input callbacks.
class SequentialReader {
 public:
  explicit SequentialReader(ByteSource& source, uint64_t start = 0, size_t buffer_size = 1 << 16);

  // Up to count bytes into destination; returns how many (0 at the end or on a read error).
  size_t Read(void* destination, size_t count);
  // The next buffered block without copying; empty at the end.
  const uint8_t* NextBlock(size_t& length);
  bool AtEnd() const { return position_ >= source_.Size() && begin_ == end_; }

 private:
  bool Refill();

  ByteSource& source_;
  uint64_t position_;
  std::vector<uint8_t> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
};

}  // namespace zen

#include "converter/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zen {

FileByteSource::~FileByteSource() {
  if (descriptor_ >= 0) close(descriptor_);
}

bool FileByteSource::Open(const std::string& path) {
  descriptor_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor_ < 0) return false;
  struct stat info {};
  if (fstat(descriptor_, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(descriptor_);
    descriptor_ = -1;
    errno = EINVAL;
    return false;
  }
  size_ = static_cast<uint64_t>(info.st_size);
  return true;
}

bool FileByteSource::ReadAt(uint64_t offset, void* destination, size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  auto* out = static_cast<uint8_t*>(destination);
  while (count > 0) {
    ssize_t got = pread(descriptor_, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    offset += static_cast<uint64_t>(got);
    count -= static_cast<size_t>(got);
  }
  return true;
}

bool MemoryByteSource::ReadAt(uint64_t offset, void* destination, size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count > 0) std::memcpy(destination, data_ + offset, count);
  return true;
}

SequentialReader::SequentialReader(ByteSource& source, uint64_t start, size_t buffer_size)
    : source_(source), position_(start), buffer_(buffer_size) {}

bool SequentialReader::Refill() {
  if (position_ >= source_.Size()) return false;
  size_t count = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), source_.Size() - position_));
  if (!source_.ReadAt(position_, buffer_.data(), count)) return false;
  position_ += count;
  begin_ = 0;
  end_ = count;
  return true;
}

size_t SequentialReader::Read(void* destination, size_t count) {
  auto* out = static_cast<uint8_t*>(destination);
  size_t done = 0;
  while (done < count) {
    if (begin_ == end_ && !Refill()) break;
    size_t take = std::min(count - done, end_ - begin_);
    std::memcpy(out + done, buffer_.data() + begin_, take);
    begin_ += take;
    done += take;
  }
  return done;
}

const uint8_t* SequentialReader::NextBlock(size_t& length) {
  if (begin_ == end_ && !Refill()) {
    length = 0;
    return nullptr;
  }
  const uint8_t* block = buffer_.data() + begin_;
  length = end_ - begin_;
  begin_ = end_;
  return block;
}

}  // namespace zen

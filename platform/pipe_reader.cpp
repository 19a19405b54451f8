#include "platform/pipe_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace zen {

namespace {
// How long a blocking read waits for the pipe before looking again.
constexpr int BlockingPollMs = 5;
}  // namespace

PipeReader* PipeReader::Open(int fd) {
  int mode = fcntl(fd, F_GETFL);
  if (mode < 0 || fcntl(fd, F_SETFL, mode | O_NONBLOCK) < 0) return nullptr;
  return new (std::nothrow) PipeReader(fd);
}

void PipeReader::Close(PipeReader* reader) { delete reader; }

PipeReader::~PipeReader() {
  if (fd_ >= 0) close(fd_);
}

void PipeReader::Fill() {
  for (;;) {
    if (atEnd_ || count_ > RingSize - 1) return;
    // The free stretch ends at the read position or, when that lies behind, at the ring's end.
    int stretch = writePos_ < readPos_ ? readPos_ - writePos_ : RingSize - writePos_;
    ssize_t got = read(fd_, ring_.data() + writePos_, static_cast<size_t>(stretch));
    if (got < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) atEnd_ = true;  // a broken pipe gives no more
      return;
    }
    if (got == 0) {
      atEnd_ = true;
      return;
    }
    writePos_ = (writePos_ + static_cast<int>(got)) % RingSize;
    count_ += static_cast<int>(got);
    // Only a read that filled the whole stretch may be followed by one after the wrap.
    if (got < stretch) return;
  }
}

size_t PipeReader::Read(uint8_t* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (count_ > 0) {
      size_t piece = std::min({static_cast<size_t>(count_), static_cast<size_t>(RingSize - readPos_), n - done});
      std::memcpy(out + done, ring_.data() + readPos_, piece);
      readPos_ = (readPos_ + static_cast<int>(piece)) % RingSize;
      count_ -= static_cast<int>(piece);
      done += piece;
    } else if (atEnd_) {
      return done;
    } else {
      Fill();
      while (count_ == 0 && !atEnd_) {
        pollfd wanted{fd_, POLLIN, 0};
        poll(&wanted, 1, BlockingPollMs);
        Fill();
      }
    }
  }
  return done;
}

int PipeReader::ReadByte() {
  uint8_t byte = 0;
  return Read(&byte, 1) == 1 ? byte : -1;
}

}  // namespace zen

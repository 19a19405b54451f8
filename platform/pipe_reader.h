#pragma once
// A buffered, non-blocking reader over the read end of a pipe: a fixed ring that is
// filled only with what the pipe already holds, so checks never stall the event loop.
#include <array>
#include <cstddef>
#include <cstdint>

namespace zen {

class PipeReader {
 public:
  static constexpr int RingSize = 10240;

  // Takes ownership of `fd` and switches it to non-blocking mode. Null when that fails.
  static PipeReader* Open(int fd);
  // Closes the pipe and frees the reader (null is ignored).
  static void Close(PipeReader* reader);

  // Moves what the pipe holds now into the ring; never waits.
  void Fill();
  // Bytes held in the ring.
  int Count() const { return count_; }
  // The pipe's read end (still owned by the reader).
  int Fd() const { return fd_; }
  // True once the writer has closed its end and no more bytes will come into the ring.
  bool AtEnd() const { return atEnd_; }

  // Reads up to n bytes, waiting (polling every 5 ms) until they arrive or the pipe
  // ends; the number delivered.
  size_t Read(uint8_t* out, size_t n);
  // One byte, waiting for it; -1 at the end.
  int ReadByte();

  PipeReader(const PipeReader&) = delete;
  PipeReader& operator=(const PipeReader&) = delete;

 private:
  explicit PipeReader(int fd) : fd_(fd) {}
  ~PipeReader();

  int fd_;
  bool atEnd_ = false;
  int readPos_ = 0;
  int writePos_ = 0;
  int count_ = 0;
  std::array<uint8_t, RingSize> ring_{};
};

}  // namespace zen

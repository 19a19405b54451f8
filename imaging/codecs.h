#pragma once
// Loading images from BMP, PNG and JPEG files and saving them as PNG or JPEG.
#include <cstdint>
#include <memory>
#include <string_view>

#include "imaging/image_table.h"

namespace zen {

// The format's letters, first letter in the lowest byte.
enum CodecId : uint32_t {
  CodecBmp = 0x504D42,
  CodecPng = 0x474E50,
  CodecJpeg = 0x4745504A,
};

// Start-up registers, in this order: RegisterBmpCodec (decoder, encoder),
// RegisterPngDecoder, then RegisterPngEncoder, RegisterJpegCodec. A second
// registration of a codec is ignored. RegisterAllCodecs does all of it in that order.
void RegisterBmpCodec();
void RegisterPngDecoder();
void RegisterPngEncoder();
void RegisterJpegCodec();
void RegisterAllCodecs();

// Why a load failed.
enum class LoadFailure : uint8_t {
  None,
  Missing,      // no file at the path
  NotReadable,  // the file cannot be opened
  NotAnImage,   // no decoder accepts it
  Damaged,      // a decoder accepts it, but its header or image data is broken or cut short
  TooLarge,     // the image store refuses the size, or its memory cannot be had
};

// The native image (or the handle for AnyNumber) on success, 0 on failure, with the reason
// in *failure when it is given. The path is UTF-16 text, handed to the file system as
// UTF-8. A file whose image data is damaged fails and leaves the number empty.
std::intptr_t ImageLoad(ImageId number, std::u16string_view path, LoadFailure* failure = nullptr);
struct DecodeState;

// A load whose rows are decoded a batch at a time, so that the top of an image can be used
// while the rest is read. The image is made under its number at once; rows below RowsDone()
// hold nothing yet. Data found damaged later, or the number's image freed or replaced in the
// meantime, ends the load as failed, and the number is emptied as by a failed ImageLoad.
class RowLoad {
 public:
  RowLoad();
  ~RowLoad();  // an unfinished load is dropped; the image stays under its number
  RowLoad(const RowLoad&) = delete;
  RowLoad& operator=(const RowLoad&) = delete;

  // Opens the file, reads its header and makes the image: false (with the reason) where
  // ImageLoad fails before decoding.
  bool Begin(ImageId number, std::u16string_view path, LoadFailure* failure = nullptr);
  // Decodes on until at least `rows` rows (or all) are complete; false when the load failed.
  bool Continue(int32_t rows);
  bool Finish() { return Continue(INT32_MAX); }
  // The decoding alone, for another thread: it reads nothing of the image table, so it may
  // run while the caller uses the rows above those it writes, as long as the image lives
  // and nothing else calls the load meanwhile. Conclude (on the table's thread) then ends a
  // load that failed or is complete as Continue does.
  bool Decode(int32_t rows);
  void Conclude();
  int32_t RowsDone() const { return done_; }
  bool Complete() const { return height_ > 0 && done_ == height_; }
  LoadFailure Failure() const { return failure_; }

 private:
  void End();
  std::unique_ptr<DecodeState> state_;
  ImageId number_ = 0;
  std::intptr_t result_ = 0;
  NativeImage* store_ = nullptr;  // the image the rows go to, while the load lives
  int32_t done_ = 0;
  int32_t height_ = 0;
  LoadFailure failure_ = LoadFailure::None;
};

// Non-zero on success. Depth -1 means the image's file depth.
int ImageSave(ImageId number, std::u16string_view path, uint32_t codec, int quality, int depth);
// The same for an image outside the table (see ImageTake); it reads only the record and
// the encoder list.
int ImageSaveRecord(const ImageRecord& image, std::u16string_view path, uint32_t codec, int quality, int depth);

}  // namespace zen

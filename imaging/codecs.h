#pragma once
// Loading images from BMP, PNG and JPEG files and saving them as PNG or JPEG.
#include <cstdint>
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
// Non-zero on success. Depth -1 means the image's file depth.
int ImageSave(ImageId number, std::u16string_view path, uint32_t codec, int quality, int depth);
// The same for an image outside the table (see ImageTake); it reads only the record and
// the encoder list.
int ImageSaveRecord(const ImageRecord& image, std::u16string_view path, uint32_t codec, int quality, int depth);

}  // namespace zen

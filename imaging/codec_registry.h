#pragma once
// What the codecs share inside the imaging library: the decoder and encoder lists, the
// one decode state every load goes through, and the rows handed to encoders.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "interchange/pixel_rules.h"  // OverWhite, for every decoder and encoder

namespace zen {

struct DecodeState;

// Library structures a decoder keeps between probe, decode and close.
struct DecoderScratch {
  virtual ~DecoderScratch() = default;
};

struct DecoderEntry {
  uint32_t id = 0;
  // Accepts the input and fills width, height, bits per pixel and file depth, or
  // rejects it, releasing what it allocated (setting the state's failure to Damaged when
  // the input is of its format but broken).
  bool (*probe)(DecodeState& state) = nullptr;
  // Writes the pixels into the store and returns how many rows, from the top, it
  // completed; fewer than the height (or the state's failure set) fails the load.
  int32_t (*decode)(DecodeState& state, NativeImage& store) = nullptr;
  void (*close)(DecodeState& state) = nullptr;
  // Where rows can be read a batch at a time: decodes on until at least `until` rows from
  // the top are complete (a decoder may go further) and returns how many are; called again
  // with a larger `until` to go on. Fewer than asked (or the failure set) fails the load.
  // Null: decode is the only way.
  int32_t (*decode_rows)(DecodeState& state, NativeImage& store, int32_t until) = nullptr;
};

// The pixels to save, as 24-bit rows composited over white (or the store itself).
class SaveRows {
 public:
  explicit SaveRows(const NativeImage& image);
  int32_t Width() const { return image_.width; }
  int32_t Height() const { return image_.height; }
  const NativeImage& Image() const { return image_; }
  // 3 x width bytes R, G, B; valid until the next call.
  const uint8_t* Rgb(int32_t y);
  // 4 x width bytes R, G, B, (anything), composited; the store row itself when opaque.
  const uint8_t* Rgbx(int32_t y);

 private:
  const NativeImage& image_;
  std::vector<uint8_t> row_;
};

struct EncoderEntry {
  uint32_t id = 0;
  int (*write24)(const std::string& path, SaveRows& rows, int quality, int depth) = nullptr;
  int (*write32)(const std::string& path, const NativeImage& image, int quality) = nullptr;
};

struct DecodeState {
  // The input: an open file, or a block of memory.
  std::FILE* file = nullptr;
  const uint8_t* memory = nullptr;
  size_t memory_size = 0;
  size_t memory_position = 0;
  std::string path;
  const DecoderEntry* decoder = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int bits_per_pixel = 24;  // 24: opaque rows; 32: rows with alpha
  uint16_t file_depth = 24;
  uint32_t frame_count = 1;
  LoadFailure failure = LoadFailure::None;  // what went wrong, for the caller
  // The fewest input bytes that can hold the image the header claims, set by the probe (0
  // where the format can pack any size into next to nothing). A smaller input is damaged,
  // and is refused before its pixel store is made.
  uint64_t least_input_size = 0;
  // Decoder-private part, cleared before every probe.
  std::vector<uint8_t> bytes;
  std::span<const uint8_t> whole;
  std::unique_ptr<DecoderScratch> scratch;

  bool Rewind();
  uint64_t InputSize() const;
  size_t Read(void* out, size_t count);
  // The entire input from its first byte (read into bytes for files); empty on failure.
  std::span<const uint8_t> WholeInput();
  void ClearPrivate();
};

// One gigapixel: 4 GB of pixel store, far beyond any page yet well within what a file of
// a few megabytes cannot fake (see least_input_size).
constexpr uint64_t kDefaultPixelLimit = 1'000'000'000;

struct CodecRegistry {
  std::vector<DecoderEntry> decoders;
  std::vector<EncoderEntry> encoders;
  DecodeState decode;
  // Largest width x height a load may create; 0 leaves only the 65535-per-side limit.
  // Jobs keep the default (zentrova-slice --pixel-budget changes it); fuzzing lowers it.
  uint64_t pixel_limit = kDefaultPixelLimit;
};

CodecRegistry& TheCodecRegistry();
void AddDecoder(const DecoderEntry& entry);  // ignored when the id is already there
void AddEncoder(const EncoderEntry& entry);

// The two halves of every load over an input the state holds: the probe and the store
// (null, with the failure in the state, when either fails), and the end, which closes the
// decoder and empties the number when the load failed.
ImageRecord* BeginLoad(ImageId number, DecodeState& state, std::intptr_t* result);
void EndLoad(ImageId number, DecodeState& state, std::intptr_t result);

// ImageLoad over bytes in memory instead of a file (fuzzing, tests).
std::intptr_t ImageLoadMemory(ImageId number, const uint8_t* data, size_t size, LoadFailure* failure = nullptr);
// Empties both lists; tests use it.
void ResetCodecs();

// Entries of each codec.
DecoderEntry BmpDecoderEntry();
EncoderEntry BmpEncoderEntry();
DecoderEntry PngDecoderEntry();
EncoderEntry PngEncoderEntry();
DecoderEntry JpegDecoderEntry();
EncoderEntry JpegEncoderEntry();

// Closes a written file; a failed close (data not flushed) removes it. 1 on success.
int FinishWrittenFile(std::FILE* file, const std::string& path);
// Closes and removes a file that could not be written completely.
void AbandonWrittenFile(std::FILE* file, const std::string& path);

}  // namespace zen

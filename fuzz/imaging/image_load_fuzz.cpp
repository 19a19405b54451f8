// Feeds arbitrary bytes to the image loader (every registered decoder), then touches
// the decoded pixels and saves them, so reads of unset memory or overruns show up.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "imaging/codec_registry.h"
#include "imaging/image_table.h"
#include "platform/text.h"

namespace {

constexpr uint64_t kPixelLimit = uint64_t{1} << 22;

bool Prepare() {
  zen::RegisterAllCodecs();
  zen::TheCodecRegistry().pixel_limit = kPixelLimit;
  return true;
}

// Sums every pixel so that all of them are read.
uint32_t Touch(const zen::NativeImage& image) {
  uint32_t sum = 0;
  for (size_t i = 0; i < image.ByteCount(); ++i) sum += image.pixels[i];
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = Prepare();
  (void)ready;
  if (zen::ImageLoadMemory(1, data, size) == 0) return 0;
  const zen::NativeImage* image = zen::ImageNativeObject(1);
  static volatile uint32_t sink = 0;
  sink = sink + Touch(*image);
  // Small images are also written back, through the encoder their depth chooses.
  if (image->ByteCount() <= 4096 * 4) {
    static const std::string out = (std::filesystem::temp_directory_path() / "zen-fuzz-out.png").string();
    zen::ImageSave(1, zen::FromUtf8(out), zen::CodecPng, 7, -1);
    std::remove(out.c_str());
  }
  zen::ImageFree(1);
  return 0;
}

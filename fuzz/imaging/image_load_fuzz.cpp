// Feeds arbitrary bytes to the image loader (every registered decoder) and touches the
// decoded pixels, so reads of unset memory or overruns show up. Saving is fuzzed apart
// (image_save_fuzz): a PNG written at level 9 for every input slowed this one a hundredfold.
#include <cstdint>

#include "imaging/codec_registry.h"
#include "imaging/image_table.h"

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
  static volatile uint32_t sink = 0;
  sink = sink + Touch(*zen::ImageNativeObject(1));
  zen::ImageFree(1);
  return 0;
}

// The encoders over arbitrary small images: the first bytes choose the size, the codec,
// the depth and the quality, the rest are the pixels (repeated). Every file written must
// load back at its size; lossless ones with the pixels that were saved.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "imaging/codec_registry.h"
#include "imaging/image_table.h"
#include "platform/text.h"

namespace {

constexpr uint32_t kCodecs[] = {zen::CodecPng, zen::CodecJpeg, zen::CodecBmp};
constexpr int kDepths[] = {-1, 1, 2, 4, 8, 16, 24, 32, 7};

const std::string& OutputPath() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("zen-save-fuzz-" + std::to_string(getpid()))).string();
  return path;
}

void FillPixels(zen::NativeImage& image, const uint8_t* data, size_t size) {
  for (size_t i = 0; i < image.ByteCount(); ++i) image.pixels[i] = size == 0 ? 0 : data[i % size];
}

// A PNG of depth 24 or 32 is lossless: 32 keeps every byte, 24 the pixels over white.
void CheckLossless(const zen::NativeImage& saved, const zen::NativeImage& loaded, int depth) {
  for (size_t i = 0; i < saved.ByteCount(); i += 4) {
    const uint8_t* in = saved.pixels.get() + i;
    const uint8_t* out = loaded.pixels.get() + i;
    for (int c = 0; c < 3; ++c) {
      const uint8_t want = depth == 32 ? in[c] : zen::OverWhite(in[c], in[3]);
      if (out[c] != want) std::abort();
    }
    if (out[3] != (depth == 32 ? in[3] : 255)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (zen::RegisterAllCodecs(), true);
  (void)ready;
  if (size < 5) return 0;
  const int32_t width = 1 + data[0] % 64;
  const int32_t height = 1 + data[1] % 64;
  const uint32_t codec = kCodecs[data[2] % 3];
  const int depth = kDepths[(data[2] / 3) % 9];
  const int quality = static_cast<int8_t>(data[3]) * (data[4] & 1 ? 256 : 1);
  if (zen::ImageCreate(1, width, height) == 0) return 0;
  zen::NativeImage& image = *zen::ImageNativeObject(1);
  FillPixels(image, data + 5, size - 5);
  zen::FindImage(1)->file_depth = static_cast<uint16_t>(data[4] & 2 ? 32 : 24);
  const std::u16string path = zen::FromUtf8(OutputPath());
  if (zen::ImageSave(1, path, codec, quality, depth) != 0) {
    if (zen::ImageLoad(2, path) == 0) std::abort();
    const zen::NativeImage& loaded = *zen::ImageNativeObject(2);
    if (loaded.width != width || loaded.height != height) std::abort();
    const int used = depth == -1 ? zen::FindImage(1)->file_depth : depth;
    if (codec == zen::CodecPng && (used == 24 || used == 32)) CheckLossless(image, loaded, used);
    zen::ImageFree(2);
  }
  std::remove(OutputPath().c_str());
  zen::ImageFree(1);
  return 0;
}

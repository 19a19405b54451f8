#include "imaging/resize.h"

#include <memory>
#include <new>

#include "imaging/resize_core.h"

namespace zen {

namespace {

bool Resample(const NativeImage& from, NativeImage& to, int mode, const RunParts& run_parts) {
  if ((mode & ResizeRaw) != 0) {
    resize::ResampleRaw(from.pixels.get(), from.width, from.height, to.pixels.get(), to.width, to.height);
    return true;
  }
  return resize::ResampleSmooth(from.pixels.get(), from.width, from.height, to.pixels.get(), to.width, to.height,
                                run_parts);
}

}  // namespace

int ImageResize(ImageId image, int32_t width, int32_t height, int mode, const RunParts& run_parts) {
  ImageRecord* record = FindImage(image);
  if (!record || record->frame_count != 1 || !record->native->pixels) return 0;
  const NativeImage& current = *record->native;
  // The full pixel size, which stays right above 32767 where the 16-bit fields do not.
  if (width == KeepDimension) width = current.width;
  if (height == KeepDimension) height = current.height;
  if (width == current.width && height == current.height) return 1;
  if (width <= 0 || height <= 0) return 0;
  std::unique_ptr<NativeImage> resized = NewNativeImage(width, height);
  if (!resized) return 0;
  if (!Resample(current, *resized, mode, run_parts)) return 0;
  ReplaceNativeImage(record, std::move(resized));
  return 1;
}

}  // namespace zen

#pragma once
// The process-wide table of numbered images, their RGBA pixel stores, and the current
// drawing context through which pixels are read and pieces composed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/drawing_target.h"

namespace zen {

// A slot number (>= 0), AnyNumber, or a handle returned for AnyNumber.
using ImageId = std::intptr_t;
inline constexpr ImageId AnyNumber = -1;
inline constexpr ImageId AllImages = -1;

// Red in bits 0-7, green 8-15, blue 16-23; bits 24-31 carry alpha where an operation says so.
using Colour = uint32_t;
constexpr Colour ColourPack(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
constexpr uint32_t ColourRed(Colour c) { return c & 255; }
constexpr uint32_t ColourGreen(Colour c) { return (c >> 8) & 255; }
constexpr uint32_t ColourBlue(Colour c) { return (c >> 16) & 255; }

// The native image: a shareable handle over the pixel store, shown by the window layer.
// Rows top first, 4 * width bytes each, bytes R, G, B, A, alpha not premultiplied.
struct NativeImage {
  int32_t width = 0;  // full pixel size, also above 32767
  int32_t height = 0;
  std::unique_ptr<uint8_t[]> pixels;
  uint64_t revision = 0;  // bumped whenever drawing on it stops, so views repaint
  ZenDrawingTarget target{};

  size_t ByteCount() const { return static_cast<size_t>(width) * static_cast<size_t>(height) * 4; }
  uint8_t* Row(int32_t y) { return pixels.get() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4; }
  const uint8_t* Row(int32_t y) const { return pixels.get() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4; }
};

struct ImageRecord {
  std::unique_ptr<NativeImage> native;  // the image is live exactly when this is set
  int16_t width = 0;                    // pixel size as 16-bit values (sign-extended on query)
  int16_t height = 0;
  uint16_t depth = 32;       // the pixel store layout
  uint16_t file_depth = 24;  // bits per pixel of the file the image came from
  uint32_t codec_id = 0;     // the decoder that loaded it, 0 otherwise
  uint32_t frame_count = 1;
};

enum class ImageFill { None, Opaque };

// --- the table ---------------------------------------------------------------
// Creating under a number first releases what lives there. Results of creating
// operations: the native image (as an integer) for a number, the handle for AnyNumber,
// 0 on failure.
std::intptr_t ImageCreate(ImageId number, int32_t width, int32_t height);
void ImageFree(ImageId id);  // AllImages frees every image, slots first, then handles
// The image under a slot number, taken out of the table: the number is left empty and the
// record (pixels, file depth, codec) belongs to the caller. An empty record when there is none.
ImageRecord ImageTake(ImageId number);
std::intptr_t ImageCopy(ImageId source, ImageId target);
std::intptr_t ImageGrab(ImageId source, ImageId target, int32_t x, int32_t y, int32_t width, int32_t height);
int32_t ImageGetWidth(ImageId id);  // sign-extended 16-bit value; 0 for no image
int32_t ImageGetHeight(ImageId id);
NativeImage* ImageNativeObject(ImageId id);
ZenDrawingTarget* ImageDrawTarget(ImageId id);

// --- drawing -----------------------------------------------------------------
enum DrawingModeFlags : int { DrawingDefault = 0, DrawingOutlined = 4 };
int DrawingStart(ZenDrawingTarget* target);  // non-zero when drawing has begun
void DrawingStop();
void DrawingMode(int mode);  // for the current context
void DrawImageAt(const NativeImage* image, int32_t x, int32_t y);
// The image composited over white (as the JPEG writer does), so a clear pixel never shows
// the colour it happens to store; the target's alpha is kept.
void DrawImageOverWhiteAt(const NativeImage* image, int32_t x, int32_t y);
Colour PixelRead(int32_t x, int32_t y);  // no bounds check: the caller keeps inside
void FillRect(int32_t x, int32_t y, int32_t width, int32_t height, Colour colour);

// --- for the codecs and resizing ---------------------------------------------
// The live record of a number or handle, or nullptr.
ImageRecord* FindImage(ImageId id);
// Builds a record under number (releasing what was there). Width and height must be
// 1..65535 and the store allocatable; otherwise the number is left empty and nullptr
// returned. The result value of the creating operation is stored in *result.
ImageRecord* CreateImageRecord(ImageId number, int32_t width, int32_t height, ImageFill fill, Colour colour,
                               std::intptr_t* result);
// A pixel store of the given size, uninitialised; nullptr when the size is refused or
// memory runs out.
std::unique_ptr<NativeImage> NewNativeImage(int32_t width, int32_t height);
// Puts a new native image into a live record (resizing), keeping number, depth and codec.
void ReplaceNativeImage(ImageRecord* record, std::unique_ptr<NativeImage> image);

// Empties the table (every image freed, 16 slots) and drops any drawing context; tests use it.
void ResetImageTable();

}  // namespace zen

// The numbered image table: creating, freeing, copying and cutting out images.
#include "imaging/image_table.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "imaging/image_store.h"

namespace zen {
namespace {

constexpr size_t kInitialSlots = 16;
constexpr int32_t kLargestSide = 65535;
// Callers choose small numbers; a bound keeps a stray value from growing the table
// without limit.
constexpr ImageId kLargestSlotNumber = ImageId{1} << 24;

void TargetStopped(ZenDrawingTarget* target) {
  // Views compare revisions to know when to repaint.
  static_cast<NativeImage*>(target->owner)->revision++;
}

bool IsSlotNumber(const ImageTable& table, ImageId id) {
  return id >= 0 && static_cast<size_t>(id) < table.slots.size();
}

// The record a value names, live or not, or nullptr.
ImageRecord* LookUp(ImageTable& table, ImageId id) {
  if (IsSlotNumber(table, id)) return table.slots[static_cast<size_t>(id)].get();
  if (id == 0 || id == AnyNumber) return nullptr;
  for (auto& record : table.handles) {
    if (reinterpret_cast<ImageId>(record.get()) == id) return record.get();
  }
  return nullptr;
}

void FillStore(NativeImage& image, ImageFill fill, Colour colour) {
  if (fill == ImageFill::None) return;
  const size_t row_bytes = static_cast<size_t>(image.width) * 4;
  uint8_t* first = image.Row(0);
  for (size_t i = 0; i < row_bytes; i += 4) {
    first[i] = static_cast<uint8_t>(ColourRed(colour));
    first[i + 1] = static_cast<uint8_t>(ColourGreen(colour));
    first[i + 2] = static_cast<uint8_t>(ColourBlue(colour));
    first[i + 3] = 255;
  }
  for (int32_t y = 1; y < image.height; ++y) std::memcpy(image.Row(y), first, row_bytes);
}

// An empty record under number: the slot (grown if needed, previous image freed), the
// named handle's record, or a new handle record. nullptr when the number cannot be used
// or memory runs out.
ImageRecord* PrepareRecord(ImageTable& table, ImageId number) {
  try {
    if (number == AnyNumber) {
      table.handles.push_back(std::make_unique<ImageRecord>());
      return table.handles.back().get();
    }
    if (ImageRecord* existing = LookUp(table, number)) {
      *existing = ImageRecord{};
      return existing;
    }
    if (number < 0 || number > kLargestSlotNumber) return nullptr;
    const auto index = static_cast<size_t>(number);
    if (index >= table.slots.size()) table.slots.resize(index + kInitialSlots);
    table.slots[index] = std::make_unique<ImageRecord>();
    return table.slots[index].get();
  } catch (const std::exception&) {
    return nullptr;
  }
}

// Frees the pixels under a number early, keeping the record for the creation to come.
void ReleasePixels(ImageTable& table, ImageId number) {
  if (ImageRecord* record = LookUp(table, number)) record->native.reset();
}

// A failed creation leaves its number empty; AnyNumber had nothing (and must not be
// taken for AllImages).
void EmptyNumber(ImageId number) {
  if (number != AnyNumber) ImageFree(number);
}

// Empties a record after a failed creation: a slot is zeroed, a handle record unlinked.
void DiscardRecord(ImageTable& table, ImageRecord* record) {
  *record = ImageRecord{};
  auto& handles = table.handles;
  handles.erase(std::remove_if(handles.begin(), handles.end(), [&](const auto& r) { return r.get() == record; }),
                handles.end());
}

std::intptr_t ResultOf(ImageId number, ImageRecord* record) {
  if (number == AnyNumber) return reinterpret_cast<std::intptr_t>(record);
  return reinterpret_cast<std::intptr_t>(record->native.get());
}

void SetSize(ImageRecord* record, const NativeImage& image) {
  // Deliberately truncated: sides of 32768 and more read back negative.
  record->width = static_cast<int16_t>(static_cast<uint16_t>(image.width));
  record->height = static_cast<int16_t>(static_cast<uint16_t>(image.height));
}

// Puts a finished pixel store into a prepared record; fields as every creation sets them.
void Install(ImageRecord* record, std::unique_ptr<NativeImage> image) {
  SetSize(record, *image);
  record->native = std::move(image);
  record->depth = 32;
  record->file_depth = 32;
  record->codec_id = 0;
  record->frame_count = 1;
}

// Copies the clipped source rectangle to the top-left of target; other pixels become 0.
void CopyClipped(const NativeImage& source, NativeImage& target, int32_t x, int32_t y) {
  int64_t cw = static_cast<int64_t>(target.width) + std::min(x, 0);
  const int32_t x0 = std::max(x, 0);
  if (x0 + cw > source.width) cw = static_cast<int64_t>(source.width) - x0;
  int64_t ch = static_cast<int64_t>(target.height) + std::min(y, 0);
  const int32_t y0 = std::max(y, 0);
  if (y0 + ch > source.height) ch = static_cast<int64_t>(source.height) - y0;
  if (cw <= 0 || ch <= 0) {
    std::memset(target.pixels.get(), 0, target.ByteCount());
    return;
  }
  const size_t copied = static_cast<size_t>(cw) * 4;
  const size_t row_bytes = static_cast<size_t>(target.width) * 4;
  if (x0 == 0 && cw == source.width && cw == target.width) {
    std::memcpy(target.Row(0), source.Row(y0), copied * static_cast<size_t>(ch));
  } else {
    for (int64_t r = 0; r < ch; ++r) {
      uint8_t* out = target.Row(static_cast<int32_t>(r));
      std::memcpy(out, source.Row(y0 + static_cast<int32_t>(r)) + static_cast<size_t>(x0) * 4, copied);
      if (copied < row_bytes) std::memset(out + copied, 0, row_bytes - copied);
    }
  }
  for (int64_t r = ch; r < target.height; ++r) std::memset(target.Row(static_cast<int32_t>(r)), 0, row_bytes);
}

// Shared by copy and grab: installs a finished store under target, releasing what was
// there; the new image inherits the source's file depth.
std::intptr_t InstallCopy(ImageTable& table, ImageId target, std::unique_ptr<NativeImage> image, uint16_t file_depth) {
  ImageRecord* record = PrepareRecord(table, target);
  if (!record) return 0;
  Install(record, std::move(image));
  record->file_depth = file_depth;
  return ResultOf(target, record);
}

}  // namespace

ImageTable& TheImageTable() {
  static ImageTable table = [] {
    ImageTable t;
    t.slots.resize(kInitialSlots);
    return t;
  }();
  return table;
}

// A large store is touched page by page as it is first written (a decode, a resize), and
// each 4 KB page costs a fault; asked for in 2 MB pages, the kernel faults a 512th as often.
// Only the whole 2 MB pages inside the block are asked for; the rest stays as it is.
void AskForLargePages(uint8_t* block, size_t bytes) {
  constexpr uintptr_t kLarge = 2u << 20;
  if (bytes < 8 * kLarge) return;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(block) + kLarge - 1) & ~(kLarge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kLarge - 1);
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

std::unique_ptr<NativeImage> NewNativeImage(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || width > kLargestSide || height > kLargestSide) return nullptr;
  const auto w = static_cast<size_t>(width);
  const auto h = static_cast<size_t>(height);
  if (w > std::numeric_limits<size_t>::max() / 4 / h) return nullptr;
  try {
    auto image = std::make_unique<NativeImage>();
    image->pixels.reset(new uint8_t[w * h * 4]);
    AskForLargePages(image->pixels.get(), w * h * 4);
    image->width = width;
    image->height = height;
    return image;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ImageRecord* CreateImageRecord(ImageId number, int32_t width, int32_t height, ImageFill fill, Colour colour,
                               std::intptr_t* result) {
  if (result) *result = 0;
  ImageTable& table = TheImageTable();
  ImageRecord* record = PrepareRecord(table, number);
  if (!record) return nullptr;
  auto image = NewNativeImage(width, height);
  if (!image) {
    DiscardRecord(table, record);
    return nullptr;
  }
  FillStore(*image, fill, colour);
  Install(record, std::move(image));
  if (result) *result = ResultOf(number, record);
  return record;
}

void ReplaceNativeImage(ImageRecord* record, std::unique_ptr<NativeImage> image) {
  if (!record || !image) return;
  SetSize(record, *image);
  record->native = std::move(image);
}

ImageRecord* FindImage(ImageId id) {
  ImageRecord* record = LookUp(TheImageTable(), id);
  return record && record->native ? record : nullptr;
}

std::intptr_t ImageCreate(ImageId number, int32_t width, int32_t height) {
  std::intptr_t result = 0;
  ImageRecord* record = CreateImageRecord(number, width, height, ImageFill::Opaque, 0, &result);
  if (record) record->file_depth = 24;
  return result;
}

void ImageFree(ImageId id) {
  ImageTable& table = TheImageTable();
  if (id == AllImages) {
    for (auto& slot : table.slots) {
      if (slot) *slot = ImageRecord{};
    }
    table.handles.clear();
    return;
  }
  if (IsSlotNumber(table, id)) {
    if (auto& slot = table.slots[static_cast<size_t>(id)]) *slot = ImageRecord{};
    return;
  }
  ImageRecord* record = LookUp(table, id);
  if (record) DiscardRecord(table, record);
}

ImageRecord ImageTake(ImageId number) {
  ImageTable& table = TheImageTable();
  ImageRecord* record = IsSlotNumber(table, number) ? FindImage(number) : nullptr;
  if (!record) return {};
  return std::exchange(*record, ImageRecord{});
}

std::intptr_t ImageCopy(ImageId source, ImageId target) {
  ImageTable& table = TheImageTable();
  ImageRecord* from = FindImage(source);
  if (!from) return 0;
  if (target != AnyNumber && LookUp(table, target) == from) return ResultOf(target, from);
  ReleasePixels(table, target);
  const NativeImage& pixels = *from->native;
  auto image = NewNativeImage(pixels.width, pixels.height);
  if (!image) {
    EmptyNumber(target);
    return 0;
  }
  std::memcpy(image->pixels.get(), pixels.pixels.get(), pixels.ByteCount());
  return InstallCopy(table, target, std::move(image), from->file_depth);
}

std::intptr_t ImageGrab(ImageId source, ImageId target, int32_t x, int32_t y, int32_t width, int32_t height) {
  ImageTable& table = TheImageTable();
  ImageRecord* from = FindImage(source);
  if (!from) return 0;
  const uint16_t file_depth = from->file_depth;
  const bool onto_itself = target != AnyNumber && LookUp(table, target) == from;
  // Release the old target first, so repeated grabs into one number reuse its memory.
  if (!onto_itself) ReleasePixels(table, target);
  auto image = NewNativeImage(width, height);
  if (!image) {
    EmptyNumber(target);
    return 0;
  }
  CopyClipped(*from->native, *image, x, y);
  return InstallCopy(table, target, std::move(image), file_depth);
}

int32_t ImageGetWidth(ImageId id) {
  const ImageRecord* record = FindImage(id);
  return record ? record->width : 0;
}

int32_t ImageGetHeight(ImageId id) {
  const ImageRecord* record = FindImage(id);
  return record ? record->height : 0;
}

NativeImage* ImageNativeObject(ImageId id) {
  ImageRecord* record = FindImage(id);
  return record ? record->native.get() : nullptr;
}

ZenDrawingTarget* ImageDrawTarget(ImageId id) {
  NativeImage* image = ImageNativeObject(id);
  if (!image) return nullptr;
  ZenDrawingTarget& target = image->target;
  target.pixels = image->pixels.get();
  target.width = image->width;
  target.height = image->height;
  target.bytes_per_row = image->width * 4;
  target.bytes_per_pixel = 4;
  target.bottom_up = 0;
  target.owner = image;
  target.on_stop = &TargetStopped;
  return &target;
}

void ResetImageTable() {
  ImageTable& table = TheImageTable();
  table.drawing.reset();
  table.handles.clear();
  table.slots.clear();
  table.slots.resize(kInitialSlots);
}

}  // namespace zen

// BMP reading without a library. Every read is checked against the file's length. An
// uncompressed file too short for the rows its header claims is damaged (refused before
// its pixels are made); RLE8 may leave pixels out, and those stay black.
#include <algorithm>
#include <cstring>

#include "imaging/codec_registry.h"
#include "interchange/byte_order.h"

namespace zen {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kFieldsEnd = 50;  // the colours-used field is the last one read

struct BmpLayout {
  std::span<const uint8_t> file;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bits = 0;
  uint32_t compression = 0;
  size_t pixel_offset = 0;
  size_t palette_offset = 0;
  size_t palette_entries = 0;  // only those that really lie inside the file
};

struct BmpScratch : DecoderScratch {
  BmpLayout layout;
};

BmpLayout ReadLayout(std::span<const uint8_t> file) {
  BmpLayout b;
  b.file = file;
  const uint8_t* p = file.data();
  b.pixel_offset = LoadLittle32(p + 10);
  b.palette_offset = kFileHeaderSize + static_cast<size_t>(LoadLittle32(p + 14));
  b.width = static_cast<int32_t>(LoadLittle32(p + 18));
  b.height = static_cast<int32_t>(LoadLittle32(p + 22));
  b.bits = LoadLittle16(p + 28);
  b.compression = LoadLittle32(p + 30);
  const uint32_t used = LoadLittle32(p + 46);
  size_t entries = used;
  if (used == 0) entries = b.bits <= 8 ? size_t{1} << b.bits : 0;
  const size_t room = b.palette_offset < file.size() ? (file.size() - b.palette_offset) / 4 : 0;
  b.palette_entries = std::min(entries, room);
  return b;
}

bool RawLayoutSupported(const BmpLayout& b) {
  switch (b.bits) {
    case 1:
    case 24:
    case 32: return true;
    case 4: return b.compression == 0;
    case 8: return b.compression == 0;
    case 16: return b.compression == 0 || b.compression == 3;
    default: return false;
  }
}

// The bytes an uncompressed layout needs for every row it claims (the last row unpadded);
// 0 for the other layouts.
uint64_t RawBytesNeeded(const BmpLayout& b) {
  if (!RawLayoutSupported(b) || b.width <= 0 || b.height <= 0) return 0;
  const uint64_t bits = static_cast<uint64_t>(b.width) * b.bits;
  const uint64_t stride = (bits + 31) / 32 * 4;
  return b.pixel_offset + stride * static_cast<uint64_t>(b.height - 1) + (bits + 7) / 8;
}

bool ProbeBmp(DecodeState& state) {
  uint8_t head[kFileHeaderSize];
  if (state.Read(head, sizeof head) != sizeof head) return false;
  if (head[0] != 'B' || head[1] != 'M' || LoadLittle16(head + 6) != 0 || LoadLittle16(head + 8) != 0) return false;
  const std::span<const uint8_t> file = state.WholeInput();
  if (file.size() < kFieldsEnd) return false;
  auto scratch = std::make_unique<BmpScratch>();
  scratch->layout = ReadLayout(file);
  state.width = scratch->layout.width;
  state.height = scratch->layout.height;
  state.file_depth = static_cast<uint16_t>(scratch->layout.bits);
  state.bits_per_pixel = 24;
  state.least_input_size = RawBytesNeeded(scratch->layout);
  state.scratch = std::move(scratch);
  return true;
}

// Writes palette entry index as an opaque pixel; indexes outside the table are skipped.
inline void PutIndexed(const BmpLayout& b, uint8_t* out, uint32_t index) {
  if (index >= b.palette_entries) return;
  const uint8_t* entry = b.file.data() + b.palette_offset + static_cast<size_t>(index) * 4;
  out[0] = entry[2];
  out[1] = entry[1];
  out[2] = entry[0];
}

void FillOpaqueBlack(uint8_t* out, size_t pixels) {
  static constexpr uint8_t kBlack[4] = {0, 0, 0, 255};
  for (size_t i = 0; i < pixels; ++i) std::memcpy(out + i * 4, kBlack, 4);
}

void BgrRow(const uint8_t* in, int32_t count, size_t step, uint8_t* out) {
  for (int32_t x = 0; x < count; ++x, in += step, out += 4) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    out[3] = 255;
  }
}

void SixteenBitRow(const uint8_t* in, int32_t count, bool six_green, uint8_t* out) {
  for (int32_t x = 0; x < count; ++x, out += 4) {
    const uint32_t v = LoadLittle16(in + 2 * x);
    out[0] = static_cast<uint8_t>(six_green ? ((v >> 11) & 31) << 3 : ((v >> 10) & 31) << 3);
    out[1] = static_cast<uint8_t>(six_green ? ((v >> 5) & 63) << 2 : ((v >> 5) & 31) << 3);
    out[2] = static_cast<uint8_t>((v & 31) << 3);
    out[3] = 255;
  }
}

// 1, 4 and 8 bits: one bit is black or white, the others index the colour table.
void IndexedRow(const BmpLayout& b, const uint8_t* in, int32_t count, uint8_t* out) {
  FillOpaqueBlack(out, static_cast<size_t>(count));
  for (int32_t x = 0; x < count; ++x, out += 4) {
    if (b.bits == 1) {
      out[0] = out[1] = out[2] = ((in[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
    } else if (b.bits == 4) {
      PutIndexed(b, out, (x & 1) ? in[x >> 1] & 15u : in[x >> 1] >> 4u);
    } else {
      PutIndexed(b, out, in[x]);
    }
  }
}

// Decodes `count` pixels of one uncompressed stored row into opaque RGBA.
void DecodeRawRow(const BmpLayout& b, const uint8_t* in, int32_t count, uint8_t* out) {
  switch (b.bits) {
    case 16: return SixteenBitRow(in, count, b.compression == 3, out);
    case 24: return BgrRow(in, count, 3, out);
    case 32: return BgrRow(in, count, 4, out);  // the fourth byte is ignored
    default: return IndexedRow(b, in, count, out);
  }
}

// Stored rows the file really holds are decoded (a last partial row as far as it goes);
// the other pixels become opaque black.
void DecodeRaw(const BmpLayout& b, NativeImage& store) {
  const size_t stride = (static_cast<size_t>(b.width) * b.bits + 31) / 32 * 4;
  const size_t needed = (static_cast<size_t>(b.width) * b.bits + 7) / 8;
  const auto width = static_cast<size_t>(b.width);
  for (int32_t j = 0; j < b.height; ++j) {
    uint8_t* out = store.Row(b.height - 1 - j);
    const size_t start = b.pixel_offset + static_cast<size_t>(j) * stride;
    size_t count = 0;
    if (b.pixel_offset <= b.file.size() && start < b.file.size()) {
      const size_t have = std::min(needed, b.file.size() - start);
      count = std::min(have * 8 / b.bits, width);
      DecodeRawRow(b, b.file.data() + start, static_cast<int32_t>(count), out);
    }
    if (count < width) FillOpaqueBlack(out + count * 4, width - count);
  }
}

// RLE8: runs, literal runs and cursor moves; anything pointing outside is skipped.
void DecodeRle8(const BmpLayout& b, NativeImage& store) {
  if (b.pixel_offset >= b.file.size()) return;
  const uint8_t* p = b.file.data() + b.pixel_offset;
  const uint8_t* end = b.file.data() + b.file.size();
  int64_t x = 0;
  int64_t j = 0;
  auto put = [&](uint32_t index) {
    if (x >= 0 && x < b.width && j < b.height) {
      PutIndexed(b, store.Row(static_cast<int32_t>(b.height - 1 - j)) + x * 4, index);
    }
    ++x;
  };
  while (end - p >= 2 && j < b.height) {
    const uint32_t n = p[0];
    const uint32_t c = p[1];
    p += 2;
    if (n > 0) {
      for (uint32_t i = 0; i < n; ++i) put(c);
    } else if (c == 0) {
      x = 0;
      ++j;
    } else if (c == 1) {
      break;
    } else if (c == 2) {
      if (end - p < 2) break;
      x += p[0];
      j += p[1];
      p += 2;
    } else {
      const size_t literal = std::min<size_t>(c, static_cast<size_t>(end - p));
      for (size_t i = 0; i < literal; ++i) put(p[i]);
      p += std::min<size_t>(c + (c & 1), static_cast<size_t>(end - p));
    }
  }
}

// Every pixel is set here (rows come bottom up), so the loader blanks nothing.
int32_t DecodeBmp(DecodeState& state, NativeImage& store) {
  auto* scratch = static_cast<BmpScratch*>(state.scratch.get());
  const BmpLayout* b = scratch ? &scratch->layout : nullptr;
  if (b && RawLayoutSupported(*b)) {
    DecodeRaw(*b, store);
    return store.height;
  }
  FillOpaqueBlack(store.pixels.get(), store.ByteCount() / 4);
  if (b && b->bits == 8 && b->compression == 1) DecodeRle8(*b, store);
  return store.height;
}

void CloseBmp(DecodeState& state) { state.ClearPrivate(); }

}  // namespace

DecoderEntry BmpDecoderEntry() { return {CodecBmp, &ProbeBmp, &DecodeBmp, &CloseBmp}; }

}  // namespace zen

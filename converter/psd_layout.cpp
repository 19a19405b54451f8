#include "converter/psd_layout.h"

#include <cstring>

#include "interchange/byte_order.h"

namespace zen {
namespace {

bool ReadLength(ByteSource& source, uint64_t offset, bool eight_bytes, uint64_t& length) {
  uint8_t bytes[8];
  if (!source.ReadAt(offset, bytes, eight_bytes ? 8 : 4)) return false;
  length = eight_bytes ? LoadBig64(bytes) : LoadBig32(bytes);
  return true;
}

// Reads a section's length at offset and moves offset past the section.
bool SkipSection(ByteSource& source, uint64_t& offset, bool eight_bytes, const char* name, uint64_t& length,
                 std::string& error) {
  uint64_t field = eight_bytes ? 8 : 4;
  if (!ReadLength(source, offset, eight_bytes, length)) {
    error = std::string("PSD: file ends inside the length of the ") + name;
    return false;
  }
  offset += field;
  if (length > source.Size() - offset) {
    error = std::string("PSD: the ") + name + " runs past the end of the file";
    return false;
  }
  offset += length;
  return true;
}

// 16- and 32-bit documents leave the layer info empty and keep their layers (count first)
// in an "Lr16" / "Lr32" block after the global layer mask; found by walking the blocks.
void FindLayerBlockCount(ByteSource& source, uint64_t at, uint64_t end, bool large, PsdLayout& layout) {
  uint64_t mask_length = 0;
  if (end - at < 4 || !ReadLength(source, at, false, mask_length) || mask_length > end - at - 4) return;
  at += 4 + mask_length;
  while (end - at >= 12) {
    uint8_t head[8];
    if (!source.ReadAt(at, head, 8)) return;
    if (std::memcmp(head, "8BIM", 4) != 0 && std::memcmp(head, "8B64", 4) != 0) return;
    const bool long_length = large && PsdBlockHasLongLength(head + 4);
    uint64_t length = 0;
    if (end - at < 8 + (long_length ? 8u : 4u) || !ReadLength(source, at + 8, long_length, length)) return;
    at += 8 + (long_length ? 8 : 4);
    if (length > end - at) return;
    const bool layers = std::memcmp(head + 4, "Lr16", 4) == 0 || std::memcmp(head + 4, "Lr32", 4) == 0 ||
                        std::memcmp(head + 4, "Layr", 4) == 0;
    if (layers && length >= 2) {
      uint8_t count[2];
      if (!source.ReadAt(at, count, 2)) return;
      layout.has_layers = true;
      layout.layer_count = static_cast<int16_t>(LoadBig16(count));
      layout.layer_info = at;
      layout.layer_info_length = length;
      return;
    }
    at += length;
  }
}

bool ReadLayerCount(ByteSource& source, uint64_t section, uint64_t section_length, bool large, PsdLayout& layout) {
  uint64_t field = large ? 8 : 4;
  uint64_t info_length = 0;
  if (section_length < field || !ReadLength(source, section, large, info_length)) return true;
  if (info_length > section_length - field) return true;
  if (info_length < 2) {
    FindLayerBlockCount(source, section + field + info_length, section + section_length, large, layout);
    return true;
  }
  uint8_t count[2];
  if (!source.ReadAt(section + field, count, 2)) return false;
  layout.has_layers = true;
  layout.layer_count = static_cast<int16_t>(LoadBig16(count));
  layout.layer_info = section + field;
  layout.layer_info_length = info_length;
  return true;
}

}  // namespace

bool PsdBlockHasLongLength(const uint8_t key[4]) {
  static const char* const keys[] = {"LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn",
                                     "Alph", "FMsk", "lnk2", "FEid", "FXid", "PxSD"};
  for (const char* k : keys) {
    if (std::memcmp(key, k, 4) == 0) return true;
  }
  return false;
}

bool ParsePsdHeader(const uint8_t* bytes, size_t size, PsdHeader& header, std::string& error) {
  if (size < kPsdHeaderSize) {
    error = "PSD: file is shorter than its header";
    return false;
  }
  if (bytes[0] != '8' || bytes[1] != 'B' || bytes[2] != 'P' || bytes[3] != 'S') {
    error = "PSD: no 8BPS signature";
    return false;
  }
  uint16_t version = LoadBig16(bytes + 4);
  if (version != 1 && version != 2) {
    error = "PSD: unknown version " + std::to_string(version);
    return false;
  }
  header.large = version == 2;
  header.channels = LoadBig16(bytes + 12);
  header.height = LoadBig32(bytes + 14);
  header.width = LoadBig32(bytes + 18);
  header.depth = LoadBig16(bytes + 22);
  header.mode = LoadBig16(bytes + 24);
  uint32_t limit = header.large ? 300000 : 30000;
  if (header.channels < 1 || header.channels > 56) {
    error = "PSD: channel count " + std::to_string(header.channels) + " is out of range";
    return false;
  }
  if (header.width < 1 || header.height < 1 || header.width > limit || header.height > limit) {
    error = "PSD: size " + std::to_string(header.width) + "x" + std::to_string(header.height) +
            " is out of range for " + (header.large ? "PSB" : "PSD");
    return false;
  }
  if (header.depth != 1 && header.depth != 8 && header.depth != 16 && header.depth != 32) {
    error = "PSD: unsupported depth of " + std::to_string(header.depth) + " bits";
    return false;
  }
  return true;
}

bool ReadPsdLayout(ByteSource& source, PsdLayout& layout, std::string& error) {
  uint8_t bytes[kPsdHeaderSize];
  if (!source.ReadAt(0, bytes, kPsdHeaderSize)) {
    error = "PSD: file is shorter than its header";
    return false;
  }
  if (!ParsePsdHeader(bytes, kPsdHeaderSize, layout.header, error)) return false;
  bool large = layout.header.large;
  uint64_t offset = kPsdHeaderSize;
  uint64_t length = 0;
  if (!SkipSection(source, offset, false, "colour mode data section", length, error)) return false;
  if (layout.header.mode == PsdIndexed) {
    if (length < layout.palette.size()) {
      error = "PSD: indexed image without a 768-byte colour table";
      return false;
    }
    if (!source.ReadAt(offset - length, layout.palette.data(), layout.palette.size())) return false;
  }
  if (!SkipSection(source, offset, false, "image resources section", length, error)) return false;
  layout.resources = offset - length;
  layout.resources_length = length;
  if (!SkipSection(source, offset, large, "layer and mask section", length, error)) return false;
  if (!ReadLayerCount(source, offset - length, length, large, layout)) return false;
  uint8_t compression[2];
  if (!source.ReadAt(offset, compression, 2)) {
    error = "PSD: file ends before the image data";
    return false;
  }
  layout.image_data = offset;
  layout.compression = LoadBig16(compression);
  if (layout.compression > PsdZipPredicted) {
    error = "PSD: unknown compression " + std::to_string(layout.compression);
    return false;
  }
  return true;
}

}  // namespace zen

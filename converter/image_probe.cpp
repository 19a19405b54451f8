#include "converter/image_probe.h"

#include <cstring>

#include "converter/bmp_rows.h"
#include "converter/jpeg_rows.h"
#include "converter/png_rows.h"
#include "converter/psd_layout.h"
#include "converter/psd_reader.h"
#include "interchange/byte_order.h"

namespace zen {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsStartOfFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

ImageFormat SniffFormat(ByteSource& source) {
  uint8_t head[8] = {};
  size_t size = static_cast<size_t>(std::min<uint64_t>(source.Size(), sizeof head));
  if (!source.ReadAt(0, head, size)) return ImageFormat::Unknown;
  if (size >= 8 && std::memcmp(head, kPngSignature, 8) == 0) return ImageFormat::Png;
  if (size >= 4 && std::memcmp(head, "8BPS", 4) == 0) return ImageFormat::Psd;
  if (size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return ImageFormat::Jpeg;
  if (size >= 2 && head[0] == 'B' && head[1] == 'M') return ImageFormat::Bmp;
  return ImageFormat::Unknown;
}

// Walks the markers up to the first start-of-frame segment.
bool ProbeJpegSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error) {
  uint64_t offset = 2;
  uint8_t bytes[9];
  // Stray bytes between segments are skipped, as the decoder itself does (with a warning);
  // a long run of them means this is no marker sequence at all.
  uint64_t stray = 0;
  constexpr uint64_t kMaxStray = 65536;
  while (source.ReadAt(offset, bytes, 2)) {
    if (bytes[0] != 0xFF) {
      if (++stray > kMaxStray) break;
      offset += 1;
      continue;
    }
    uint8_t marker = bytes[1];
    if (marker == 0xFF) {  // fill byte
      offset += 1;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
      offset += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) break;  // image end or scan data before any frame
    if (!source.ReadAt(offset + 2, bytes, 2)) break;
    uint32_t length = LoadBig16(bytes);
    if (length < 2) break;
    if (IsStartOfFrame(marker)) {
      if (length < 8 || !source.ReadAt(offset + 4, bytes, 5)) break;
      height = LoadBig16(bytes + 1);
      width = LoadBig16(bytes + 3);
      if (width == 0 || height == 0) {
        error = "JPEG: frame without a size";
        return false;
      }
      return true;
    }
    offset += 2 + length;
  }
  error = "JPEG: no frame header";
  return false;
}

bool ProbePngSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error) {
  uint8_t bytes[24];
  if (!source.ReadAt(0, bytes, sizeof bytes) || std::memcmp(bytes, kPngSignature, 8) != 0 ||
      LoadBig32(bytes + 8) != 13 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
    error = "PNG: no image header";
    return false;
  }
  width = LoadBig32(bytes + 16);
  height = LoadBig32(bytes + 20);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
    error = "PNG: size out of range";
    return false;
  }
  return true;
}

bool ProbeBmpSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error) {
  uint8_t bytes[26];
  if (!source.ReadAt(0, bytes, sizeof bytes) || bytes[0] != 'B' || bytes[1] != 'M') {
    error = "BMP: no file header";
    return false;
  }
  uint32_t info_size = LoadLittle32(bytes + 14);
  int64_t w = 0;
  int64_t h = 0;
  if (info_size == 12) {  // the old core header: 16-bit sizes
    w = LoadLittle16(bytes + 18);
    h = LoadLittle16(bytes + 20);
  } else if (info_size >= 40) {
    w = static_cast<int32_t>(LoadLittle32(bytes + 18));
    h = static_cast<int32_t>(LoadLittle32(bytes + 22));
    if (h < 0) h = -h;  // rows stored top first
  }
  if (w <= 0 || h <= 0) {
    error = "BMP: bad image header";
    return false;
  }
  width = static_cast<uint32_t>(w);
  height = static_cast<uint32_t>(h);
  return true;
}

bool ProbeImageSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error) {
  switch (SniffFormat(source)) {
    case ImageFormat::Jpeg: return ProbeJpegSize(source, width, height, error);
    case ImageFormat::Png: return ProbePngSize(source, width, height, error);
    case ImageFormat::Bmp: return ProbeBmpSize(source, width, height, error);
    case ImageFormat::Psd: {
      uint8_t bytes[kPsdHeaderSize];
      PsdHeader header;
      if (!source.ReadAt(0, bytes, sizeof bytes)) {
        error = "PSD: file is shorter than its header";
        return false;
      }
      if (!ParsePsdHeader(bytes, sizeof bytes, header, error)) return false;
      width = header.width;
      height = header.height;
      return true;
    }
    default: error = "not a JPEG, PNG, BMP, PSD or PSB file"; return false;
  }
}

std::unique_ptr<RowSource> OpenImageRows(ByteSource& source, std::string& error) {
  // Wider than any document format allows: refused before any row buffer is sized.
  constexpr uint32_t kMaxWidth = 300000;
  uint32_t width = 0;
  uint32_t height = 0;
  if (!ProbeImageSize(source, width, height, error)) return nullptr;
  if (width > kMaxWidth) {
    error = "an image " + std::to_string(width) + " pixels wide is wider than " + std::to_string(kMaxWidth);
    return nullptr;
  }
  switch (SniffFormat(source)) {
    case ImageFormat::Jpeg: return OpenJpegRows(source, error);
    case ImageFormat::Png: return OpenPngRows(source, error);
    case ImageFormat::Bmp: return OpenBmpRows(source, error);
    case ImageFormat::Psd: return OpenPsdRows(source, error);
    default: error = "not a JPEG, PNG, BMP, PSD or PSB file"; return nullptr;
  }
}

}  // namespace zen

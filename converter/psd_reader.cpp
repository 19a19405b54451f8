#include "converter/psd_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "converter/layered_psd_rows.h"
#include "converter/psd_layer_records.h"
#include "converter/psd_planes.h"
#include "interchange/byte_order.h"
#include "interchange/pixel_rules.h"

namespace zen {
namespace {

constexpr uint64_t kBandBytes = 4 << 20;

class PsdRowSource final : public RowSource {
 public:
  PsdRowSource(const PsdLayout& layout, std::unique_ptr<PsdPlaneReader> planes, int channels, bool alpha);
  uint32_t Width() const override { return layout_.header.width; }
  uint32_t Height() const override { return layout_.header.height; }
  bool ReadRow(uint8_t* bgr) override;

 private:
  bool LoadBand();
  void ToEightBit(const uint8_t* in, uint8_t* out) const;
  void ComposeRow(uint32_t band_row, uint8_t* bgr);

  PsdLayout layout_;
  std::unique_ptr<PsdPlaneReader> planes_;
  int channels_;
  bool alpha_;
  uint64_t row_bytes_;
  uint32_t band_rows_;
  uint32_t band_first_ = 0;  // image row of the band's first row
  uint32_t band_filled_ = 0;
  uint32_t next_row_ = 0;
  std::vector<uint8_t> stored_;              // one channel's band as stored
  std::vector<std::vector<uint8_t>> eight_;  // each channel's band, 8 bits per sample
};

PsdRowSource::PsdRowSource(const PsdLayout& layout, std::unique_ptr<PsdPlaneReader> planes, int channels, bool alpha)
    : layout_(layout), planes_(std::move(planes)), channels_(channels), alpha_(alpha) {
  row_bytes_ = PsdRowBytes(layout.header);
  uint64_t per_row = std::max<uint64_t>(row_bytes_, layout.header.width) * static_cast<uint64_t>(channels);
  band_rows_ = static_cast<uint32_t>(std::clamp<uint64_t>(kBandBytes / per_row, 1, layout.header.height));
  stored_.resize(row_bytes_ * band_rows_);
  eight_.resize(channels);
  for (auto& band : eight_) band.resize(uint64_t{layout.header.width} * band_rows_);
}

// Samples brought to 8 bits: 1-bit pixels set are black; 16-bit values rounded; 32-bit
// floats (0 to 1) clamped and rounded.
void PsdRowSource::ToEightBit(const uint8_t* in, uint8_t* out) const {
  uint32_t width = layout_.header.width;
  switch (layout_.header.depth) {
    case 1:
      for (uint32_t x = 0; x < width; ++x) out[x] = (in[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 255;
      break;
    case 8: std::memcpy(out, in, width); break;
    case 16:
      for (uint32_t x = 0; x < width; ++x) out[x] = static_cast<uint8_t>((LoadBig16(in + 2 * x) + 128u) / 257u);
      break;
    default: {
      for (uint32_t x = 0; x < width; ++x) {
        uint32_t bits = LoadBig32(in + 4 * x);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        value = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
        out[x] = static_cast<uint8_t>(std::lround(value * 255.0f));
      }
    }
  }
}

bool PsdRowSource::LoadBand() {
  band_first_ = next_row_;
  band_filled_ = std::min(band_rows_, Height() - next_row_);
  std::string error;
  for (int c = 0; c < channels_; ++c) {
    if (!planes_->ReadRows(c, band_filled_, stored_.data(), error)) return Fail(error);
    for (uint32_t i = 0; i < band_filled_; ++i) {
      ToEightBit(stored_.data() + i * row_bytes_, eight_[c].data() + uint64_t{i} * Width());
    }
  }
  return true;
}

void PsdRowSource::ComposeRow(uint32_t band_row, uint8_t* bgr) {
  uint32_t width = Width();
  uint64_t start = uint64_t{band_row} * width;
  auto plane = [&](int c) { return eight_[c].data() + start; };
  const uint8_t* p0 = plane(0);
  switch (layout_.header.mode) {
    case PsdIndexed: {
      const uint8_t* table = layout_.palette.data();
      for (uint32_t x = 0; x < width; ++x) {
        bgr[3 * x] = table[512 + p0[x]];
        bgr[3 * x + 1] = table[256 + p0[x]];
        bgr[3 * x + 2] = table[p0[x]];
      }
      return;  // no transparency in indexed images
    }
    case PsdRgb: {
      const uint8_t* p1 = plane(1);
      const uint8_t* p2 = plane(2);
      for (uint32_t x = 0; x < width; ++x) {
        bgr[3 * x] = p2[x];
        bgr[3 * x + 1] = p1[x];
        bgr[3 * x + 2] = p0[x];
      }
      break;
    }
    case PsdCmyk: {
      const uint8_t* p1 = plane(1);
      const uint8_t* p2 = plane(2);
      const uint8_t* p3 = plane(3);
      for (uint32_t x = 0; x < width; ++x) {
        bgr[3 * x] = FromCmyk(p2[x], p3[x]);
        bgr[3 * x + 1] = FromCmyk(p1[x], p3[x]);
        bgr[3 * x + 2] = FromCmyk(p0[x], p3[x]);
      }
      break;
    }
    default:  // bitmap, greyscale, duotone
      for (uint32_t x = 0; x < width; ++x) bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = p0[x];
  }
  if (alpha_) {
    // The merged image's colours are already matted with white (colour x alpha + white x
    // (1 - alpha)), so over white they stand as stored. A colour darker than the white
    // showing through cannot come from matting (writers that store unmatted colours);
    // it is raised to that white, which makes every fully transparent pixel white.
    const uint8_t* a = plane(channels_ - 1);
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t floor = static_cast<uint8_t>(255 - a[x]);
      for (int k = 0; k < 3; ++k) bgr[3 * x + k] = std::max(bgr[3 * x + k], floor);
    }
  }
}

bool PsdRowSource::ReadRow(uint8_t* bgr) {
  if (!Error().empty()) return false;
  if (next_row_ >= Height()) return Fail("PSD: more rows asked for than the image has");
  if (next_row_ >= band_first_ + band_filled_ && !LoadBand()) return false;
  ComposeRow(next_row_ - band_first_, bgr);
  ++next_row_;
  return true;
}

int ColourChannels(uint16_t mode) {
  switch (mode) {
    case PsdBitmap:
    case PsdGreyscale:
    case PsdDuotone:
    case PsdIndexed: return 1;
    case PsdRgb: return 3;
    case PsdCmyk: return 4;
    default: return 0;
  }
}

const char* ModeName(uint16_t mode) {
  switch (mode) {
    case PsdMultichannel: return "multichannel";
    case PsdLab: return "Lab";
    default: return "unknown";
  }
}

}  // namespace

int PsdChannelsUsed(const PsdLayout& layout, bool& has_alpha, std::string& error) {
  const PsdHeader& header = layout.header;
  int colour = ColourChannels(header.mode);
  has_alpha = false;
  if (colour == 0) {
    error = std::string("PSD: the ") + ModeName(header.mode) + " colour mode (" + std::to_string(header.mode) +
            ") is not supported; save the file as RGB, CMYK, greyscale, duotone, indexed or bitmap";
    return 0;
  }
  if ((header.mode == PsdBitmap) != (header.depth == 1)) {
    error = "PSD: " + std::to_string(header.depth) + "-bit samples in colour mode " + std::to_string(header.mode);
    return 0;
  }
  if (header.mode == PsdIndexed && header.depth != 8) {
    error = "PSD: indexed images must have 8-bit samples";
    return 0;
  }
  if (header.channels < colour) {
    error = "PSD: " + std::to_string(header.channels) + " channels are too few for the colour mode";
    return 0;
  }
  bool alpha_possible = header.mode != PsdIndexed && header.mode != PsdBitmap;
  // Only a negative layer count marks the first extra channel as transparency; elsewhere it
  // is a saved selection, which would otherwise paint most of the page white.
  if (alpha_possible && header.channels > colour && layout.has_layers && layout.layer_count < 0) {
    has_alpha = true;
    return colour + 1;
  }
  return colour;
}

std::unique_ptr<RowSource> OpenPsdRows(ByteSource& source, std::string& error) {
  PsdLayout layout;
  if (!ReadPsdLayout(source, layout, error)) return nullptr;
  // Without its merged image the page is only in the layers.
  if (layout.layer_count != 0 && PsdMergedImageMissing(source, layout))
    return OpenLayeredPsdRows(source, layout, error);
  bool alpha = false;
  int channels = PsdChannelsUsed(layout, alpha, error);
  if (channels == 0) return nullptr;
  auto planes = MakePsdPlaneReader(source, layout, channels, error);
  if (!planes) return nullptr;
  return std::make_unique<PsdRowSource>(layout, std::move(planes), channels, alpha);
}

}  // namespace zen

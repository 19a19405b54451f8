#pragma once
// The layer records of a Photoshop document: each layer's rectangle, channels (where their
// data lies), blending, mask, group marker and the few additional blocks that decide its
// look. What the converter cannot draw exactly is noted as the layer's refusal reason.
#include <cstdint>
#include <string>
#include <vector>

#include "converter/blend_modes.h"
#include "converter/byte_source.h"
#include "converter/psd_layout.h"

namespace zen {

struct PsdRect {
  int32_t top = 0;
  int32_t left = 0;
  int32_t bottom = 0;
  int32_t right = 0;
  uint32_t Width() const { return right > left ? static_cast<uint32_t>(int64_t{right} - left) : 0; }
  uint32_t Height() const { return bottom > top ? static_cast<uint32_t>(int64_t{bottom} - top) : 0; }
  bool Empty() const { return Width() == 0 || Height() == 0; }
};

struct PsdChannelData {
  int16_t id = 0;       // 0.. colour, -1 transparency, -2 layer mask, -3 the user mask alone
  uint64_t offset = 0;  // of the compression field
  uint64_t length = 0;  // compression field included
};

struct PsdLayerMask {
  bool present = false;
  PsdRect rect;  // canvas coordinates, whether or not it moves with the layer
  uint8_t default_colour = 255;
  bool disabled = false;
};

enum class PsdGroupMarker { None, Open, Closed, End };
enum class PsdFillKind { None, Solid, Gradient, Pattern };

struct PsdLayerRecord {
  std::string name;
  PsdRect rect;
  std::vector<PsdChannelData> channels;
  BlendMode mode = BlendMode::Normal;
  uint8_t opacity = 255;
  uint8_t fill_opacity = 255;
  bool clipped = false;
  bool hidden = false;
  PsdLayerMask mask;
  PsdGroupMarker group = PsdGroupMarker::None;
  PsdFillKind fill = PsdFillKind::None;
  float fill_colour[4] = {};     // solid fills: the colour in the document's stored terms, 0..1
  bool has_vector_mask = false;  // an enabled vector mask (its pixels, if any, are the -2 channel)
  std::string refusal;           // why this layer cannot be drawn exactly; empty when it can

  const PsdChannelData* Channel(int16_t id) const {
    for (const PsdChannelData& c : channels) {
      if (c.id == id) return &c;
    }
    return nullptr;
  }
};

// True when resource 1057 (version info) says the file holds no real merged image.
bool PsdMergedImageMissing(ByteSource& source, const PsdLayout& layout);

// The layout's layer records, bottom layer first, with their channel data located.
bool ReadPsdLayerRecords(ByteSource& source, const PsdLayout& layout, std::vector<PsdLayerRecord>& records,
                         std::string& error);

}  // namespace zen

#pragma once
// The layout of a Photoshop document (PSD, or PSB with its 8-byte lengths): the header
// and where the composite image's data begins. Every length is checked against the
// file before it is used.
#include <array>
#include <cstdint>
#include <string>

#include "converter/byte_source.h"

namespace zen {

enum PsdColourMode : uint16_t {
  PsdBitmap = 0,
  PsdGreyscale = 1,
  PsdIndexed = 2,
  PsdRgb = 3,
  PsdCmyk = 4,
  PsdMultichannel = 7,
  PsdDuotone = 8,
  PsdLab = 9,
};

enum PsdCompression : uint16_t {
  PsdRaw = 0,
  PsdRle = 1,
  PsdZip = 2,
  PsdZipPredicted = 3,
};

constexpr size_t kPsdHeaderSize = 26;

struct PsdHeader {
  bool large = false;  // PSB: version 2, 8-byte section lengths, 4-byte RLE row counts
  uint16_t channels = 0;
  uint32_t height = 0;
  uint32_t width = 0;
  uint16_t depth = 0;
  uint16_t mode = 0;
};

struct PsdLayout {
  PsdHeader header;
  std::array<uint8_t, 768> palette{};  // indexed mode: 256 reds, 256 greens, 256 blues
  bool has_layers = false;             // a layer count was found (layer info or an Lr16/Lr32 block)
  int16_t layer_count = 0;             // negative: the first extra channel is the merged transparency;
                                       // otherwise extra channels are saved selections
  uint64_t image_data = 0;             // offset of the compression field
  uint16_t compression = 0;
  uint64_t resources = 0;  // the image resources, after their length field
  uint64_t resources_length = 0;
  uint64_t layer_info = 0;         // the layer count, records and channel data (from the
  uint64_t layer_info_length = 0;  // layer info or the Lr16/Lr32 block); 0 when absent
};

// Keys of the additional information blocks whose length field has 8 bytes in PSB.
bool PsdBlockHasLongLength(const uint8_t key[4]);

// Checks the 26 header bytes: signature, version, channel count, size limits, depth.
bool ParsePsdHeader(const uint8_t* bytes, size_t size, PsdHeader& header, std::string& error);
// Header, then colour mode data, image resources and layer section skipped by their lengths.
bool ReadPsdLayout(ByteSource& source, PsdLayout& layout, std::string& error);

}  // namespace zen

#pragma once
// A small Photoshop document writer for fixtures: the header, a colour table for indexed
// images, an optional layer section carrying only a layer count, and the composite's
// planes stored raw, packed (RLE) or deflated (with or without prediction).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zen::test {

struct LayerMaskFixture {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  uint8_t default_colour = 0;
  uint8_t flags = 0;                // 2: disabled
  std::vector<uint8_t> parameters;  // written after the flags (flag 16 must be set for them)
};

// One layer record and its channels' data.
struct LayerFixture {
  std::string name = "layer";
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  // Channel id and its rows as stored at the document's depth (a mask's over its rectangle).
  std::vector<std::pair<int16_t, std::vector<uint8_t>>> channels;
  char blend[5] = "norm";
  uint8_t opacity = 255;
  uint8_t clipping = 0;
  uint8_t flags = 0;  // 2: hidden
  std::optional<LayerMaskFixture> mask;
  std::vector<uint8_t> ranges;  // blend-if ranges, as stored
  std::vector<uint8_t> blocks;  // additional information blocks, already encoded (Block())
  uint16_t compression = 0;     // of every channel of this layer
  // Channels painted row by row instead (packed as they are made, so that a benchmark's
  // tall page is never held whole), written after `channels` with RLE.
  std::vector<int16_t> painted_ids;
  std::function<void(int16_t id, uint32_t row, uint8_t* out)> paint;
};

struct PsdFixture {
  bool large = false;  // PSB
  uint16_t mode = 3;
  uint16_t depth = 8;
  uint32_t width = 1;
  uint32_t height = 1;
  uint16_t compression = 0;
  bool zip_stream_per_channel = false;
  bool planes_predicted = false;       // compression 3: the planes already hold predicted rows
  std::optional<int16_t> layer_count;  // writes a layer section holding only this count
  // The count in an "Lr16" block after an empty layer info, as 16- and 32-bit documents keep it.
  bool layer_count_in_block = false;
  std::vector<uint8_t> palette;              // 768 bytes for indexed images
  std::vector<LayerFixture> layers;          // bottom first; written instead of a bare layer count
  std::optional<bool> has_real_merged_data;  // writes the version-info resource (1057)
  // Each channel's rows as stored: big-endian samples, 1-bit rows padded to bytes.
  std::vector<std::vector<uint8_t>> planes;
};

uint64_t FixtureRowBytes(const PsdFixture& fixture);
// One additional information block: signature, key, length, data (padded to even).
std::vector<uint8_t> Block(const char* key, const std::vector<uint8_t>& data, bool large = false);
// A descriptor of class `cls` holding number items ('doub'), booleans ('bool') and one
// nested descriptor per object item, e.g. a colour: Descriptor("null", {{"Clr ", Descriptor("RGBC", ...)}}).
struct DescriptorFixture {
  std::string cls;
  std::vector<std::pair<std::string, double>> numbers;
  std::vector<std::pair<std::string, bool>> booleans;
  std::vector<std::pair<std::string, DescriptorFixture>> objects;
};
std::vector<uint8_t> EncodeDescriptor(const DescriptorFixture& descriptor);
std::vector<uint8_t> SolidColourBlock(double r, double g, double b);
std::vector<uint8_t> EffectsBlock(bool master, bool drop_shadow_enabled);
std::vector<uint8_t> SectionBlock(uint32_t type, const char* blend = nullptr);
std::vector<uint8_t> ByteBlock(const char* key, uint8_t value);  // iOpa, clbl, knko, ...
std::vector<uint8_t> PackBits(const uint8_t* row, size_t size);
std::vector<uint8_t> WritePsd(const PsdFixture& fixture);

}  // namespace zen::test

#pragma once
// A small Photoshop document writer for fixtures: the header, a colour table for indexed
// images, an optional layer section carrying only a layer count, and the composite's
// planes stored raw, packed (RLE) or deflated (with or without prediction).
#include <cstdint>
#include <optional>
#include <vector>

namespace zen::test {

struct PsdFixture {
  bool large = false;  // PSB
  uint16_t mode = 3;
  uint16_t depth = 8;
  uint32_t width = 1;
  uint32_t height = 1;
  uint16_t compression = 0;
  bool zip_stream_per_channel = false;
  bool planes_predicted = false;  // compression 3: the planes already hold predicted rows
  std::optional<int16_t> layer_count;  // writes a layer section holding only this count
  // The count in an "Lr16" block after an empty layer info, as 16- and 32-bit documents keep it.
  bool layer_count_in_block = false;
  std::vector<uint8_t> palette;        // 768 bytes for indexed images
  // Each channel's rows as stored: big-endian samples, 1-bit rows padded to bytes.
  std::vector<std::vector<uint8_t>> planes;
};

uint64_t FixtureRowBytes(const PsdFixture& fixture);
std::vector<uint8_t> PackBits(const uint8_t* row, size_t size);
std::vector<uint8_t> WritePsd(const PsdFixture& fixture);

}  // namespace zen::test

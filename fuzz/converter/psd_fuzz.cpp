// Feeds arbitrary bytes to the converter's header probes and its full decoders (PSD/PSB
// composite above all), reading every row; any input must end in rows or in an error.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/byte_source.h"
#include "converter/image_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zen::MemoryByteSource source(data, size);
  uint32_t width = 0;
  uint32_t height = 0;
  std::string error;
  bool sized = zen::ProbeImageSize(source, width, height, error);
  zen::ImageFormat format = zen::SniffFormat(source);
  // libpng (interlaced) and libjpeg (progressive) may hold a whole frame: keep those small.
  bool library_decoder = format == zen::ImageFormat::Png || format == zen::ImageFormat::Jpeg;
  if (sized && library_decoder && uint64_t{width} * height > (1u << 22)) return 0;
  zen::ProbeJpegSize(source, width, height, error);
  zen::ProbePngSize(source, width, height, error);
  zen::ProbeBmpSize(source, width, height, error);
  auto rows = zen::OpenImageRows(source, error);
  if (!rows) return 0;
  // Documents that claim more pixels than a fuzz input could describe are cut short.
  uint64_t row_size = uint64_t{rows->Width()} * 3;
  if (row_size > (1u << 22)) return 0;
  std::vector<uint8_t> row(row_size);
  uint32_t limit = std::min<uint32_t>(rows->Height(), static_cast<uint32_t>((64u << 20) / row_size + 1));
  for (uint32_t y = 0; y < limit; ++y) {
    if (!rows->ReadRows(row.data(), 1)) break;
  }
  return 0;
}

#pragma once
// Reads the composite image's channel planes row by row, for the first `channels`
// channels, so that only a band of rows of each channel is ever in memory: raw and RLE
// data are addressed per row; ZIP data is inflated forward, one stream position per channel.
#include <cstdint>
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/psd_layout.h"

namespace zen {

class PsdPlaneReader {
 public:
  virtual ~PsdPlaneReader() = default;
  // The next count rows of the channel (row_bytes each) into out; each channel is read
  // from its top row down, independently of the others.
  virtual bool ReadRows(int channel, uint32_t count, uint8_t* out, std::string& error) = 0;
};

// Bytes of one stored row of one channel.
uint64_t PsdRowBytes(const PsdHeader& header);

// The reader for the layout's compression, for channels 0 to channels - 1; null with an
// error when the data does not fit in the file.
std::unique_ptr<PsdPlaneReader> MakePsdPlaneReader(ByteSource& source, const PsdLayout& layout, int channels,
                                                   std::string& error);

// Undoes ZIP prediction (horizontal differences) on one stored row of width samples.
void UnpredictPsdRow(uint8_t* row, uint32_t width, uint16_t depth);

// PackBits: false when the packed bytes run out before the row is full or would overfill it.
bool UnpackBitsRow(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size);

}  // namespace zen

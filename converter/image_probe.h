#pragma once
// Which format a file is (by its first bytes, never by its name), its size from the
// header alone, and a row reader for it.
#include <cstdint>
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/row_source.h"

namespace zen {

enum class ImageFormat { Unknown, Jpeg, Png, Bmp, Psd };

ImageFormat SniffFormat(ByteSource& source);

// Width and height of the file's first image (the composite of a PSD/PSB) from its header.
bool ProbeImageSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error);

std::unique_ptr<RowSource> OpenImageRows(ByteSource& source, std::string& error);

// Header sizes per format, also used by the fuzz target.
bool ProbeJpegSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error);
bool ProbePngSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error);
bool ProbeBmpSize(ByteSource& source, uint32_t& width, uint32_t& height, std::string& error);

}  // namespace zen
